#pragma once
// A paint box: a rectangle its owner draws in its OnPaint handler, on a canvas in the box's own
// coordinates and font. Its Height is a logical height that may exceed what a widget can be:
// inside a scroll box only the part in view is a widget, and the canvas is shifted so that the
// handler still draws at logical positions, clipped to what needs painting. GUI thread only.

#include "Canvas.h"
#include "Events.h"

#include <QWidget>

namespace sondrel::framework {

class TPaintBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Height READ Height WRITE SetHeight)

public:
    explicit TPaintBox(QWidget* parent = nullptr);

    [[nodiscard]] int Height() const { return m_height; }
    // Changing the height repaints the box.
    void SetHeight(int height);
    [[nodiscard]] TFont& Font() { return m_font; }
    // Valid for drawing while OnPaint runs; outside painting it draws nothing.
    [[nodiscard]] TCanvas& Canvas() { return m_canvas; }
    // The logical y of the widget's top edge.
    [[nodiscard]] int VisibleTop() const { return m_visibleTop; }
    void SetVisibleTop(int top);
    void Invalidate() { update(); }
    // Takes the font the form description gives the box ("FontName", "FontHeight", "FontColor").
    Q_INVOKABLE void Loaded();
    void Repaint() { repaint(); }

    TNotifyEvent OnPaint;

Q_SIGNALS:
    void HeightChanged(int height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_height = 0;
    int m_visibleTop = 0;
    TFont m_font;
    TCanvas m_canvas;
};

} // namespace sondrel::framework
