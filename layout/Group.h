#pragma once
// A container with a frame around its client area. The frame stands for the non-client area of
// a window: the widget's contents margins keep the frame's width free, so a layout set on the
// group places its children inside the frame, and the group paints the frame around them. Paint
// and OnPaint draw in client coordinates, (0, 0) being the client area's top left corner.
//
// GUI thread only. Owned by its parent widget, as any child.

#include "UPTFrame.h"

#include <QWidget>

namespace sondrel::layout {

class TPTCustomGroup : public QWidget
{
    Q_OBJECT

public:
    explicit TPTCustomGroup(QWidget* parent = nullptr);

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
    // Changing the font through this reference updates the frame or the client area.
    framework::TFont& Font() { return m_font; }

    // The client area, in the group's own coordinates.
    [[nodiscard]] TRect ClientRect() const;

    // Gives every direct child control the group's enabled state.
    void EnableAllChildren(bool enabled);
    // Recomputes the frame's width (the client area) and repaints the frame.
    void RepaintNonClient();

    TPTFramePaintEvent OnPaint;

protected:
    // For subclasses whose frame style defaults to another.
    TPTCustomGroup(QWidget* parent, TPTFrameStyle style);

    // Draws the frame in `w`, the whole widget's rectangle.
    virtual void PaintNonClient(TCanvas& canvas, const TRect& w);
    // Draws the client area; the canvas is in client coordinates.
    virtual void Paint(TCanvas& canvas);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FontChanged();

    TAlignment m_alignment = TAlignment::taCenter;
    bool m_defaultDrawing = true;
    int m_frameSpace = 2;
    TPTFrameStyle m_frameStyle;
    QString m_caption;
    TColor m_color = framework::clBtnFace;
    framework::TFont m_font;
};

class TPTGroup : public TPTCustomGroup
{
    Q_OBJECT

public:
    explicit TPTGroup(QWidget* parent = nullptr);

protected:
    TPTGroup(QWidget* parent, TPTFrameStyle style);
};

} // namespace sondrel::layout
