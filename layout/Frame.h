#pragma once
// A control that paints a frame and an optional caption in its own rectangle; it holds no
// children. GUI thread only; owned by its parent widget.

#include "UPTFrame.h"

#include <QWidget>

namespace sondrel::layout {

class TPTCustomFrame : public QWidget
{
    Q_OBJECT

public:
    explicit TPTCustomFrame(QWidget* parent = nullptr);

    [[nodiscard]] TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    [[nodiscard]] bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool defaultDrawing);
    [[nodiscard]] int FrameSpace() const { return m_frameSpace; }
    void SetFrameSpace(int frameSpace);
    [[nodiscard]] TPTFrameStyle FrameStyle() const { return m_frameStyle; }
    void SetFrameStyle(TPTFrameStyle style);
    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    framework::TFont& Font() { return m_font; }

    // Repaints what lies inside the frame.
    void InvalidateInterior();

    // Not fired for ptfsGroup, whose caption sits in the frame itself.
    TPTFramePaintEvent OnPaint;

protected:
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TAlignment m_alignment = TAlignment::taCenter;
    bool m_defaultDrawing = true;
    int m_frameSpace = 2;
    TPTFrameStyle m_frameStyle = ptfsLowered;
    QString m_caption;
    TColor m_color = framework::clBtnFace;
    framework::TFont m_font;
};

class TPTFrame : public TPTCustomFrame
{
    Q_OBJECT

public:
    explicit TPTFrame(QWidget* parent = nullptr);
};

} // namespace sondrel::layout
