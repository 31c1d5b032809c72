#pragma once
// A drawing surface as the controls use it: a font, a brush and a pen, a current position, and
// text and line output with the platform's rules (a line leaves out its end point; text stands
// with its top at y, on the brush colour unless the brush is clear). A thin layer over a
// QPainter that the paint handler owns; the canvas never outlives it. GUI thread only.

#include "Geometry.h"
#include "Graphics.h"

#include <QString>

#include <span>

class QIcon;
class QPainter;
class QPixmap;

namespace sondrel::framework {

class TCanvas
{
public:
    TCanvas() = default;
    explicit TCanvas(QPainter* painter);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The painter drawn on; null while the canvas has no surface.
    [[nodiscard]] QPainter* Handle() const { return m_painter; }
    void SetHandle(QPainter* painter);

    TFont& Font() { return m_font; }
    TBrush& Brush() { return m_brush; }
    TPen& Pen() { return m_pen; }
    [[nodiscard]] TPoint PenPos() const { return m_penPos; }

    // The part of the surface being painted, in the canvas's own coordinates.
    [[nodiscard]] TRect ClipRect() const;

    void TextOut(int x, int y, const QString& text);
    // Text clipped to `rect`, its top left corner at (x, y).
    void TextRect(const TRect& rect, int x, int y, const QString& text);
    [[nodiscard]] int TextWidth(const QString& text) const;
    [[nodiscard]] int TextHeight(const QString& text) const;

    void FillRect(const TRect& rect);
    // A one-pixel border in the brush colour.
    void FrameRect(const TRect& rect);
    // The pen's outline on the rectangle's edges, the inside filled with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(std::span<const TPoint> points);
    void SetPixel(int x, int y, TColor color);

    void Draw(int x, int y, const QPixmap& pixmap);
    void Draw(const TRect& rect, const QIcon& icon, bool enabled = true);

private:
    [[nodiscard]] QFont CurrentFont() const;
    void PlotLine(TPoint from, TPoint to);

    QPainter* m_painter = nullptr;
    TFont m_font;
    TBrush m_brush;
    TPen m_pen;
    TPoint m_penPos;
};

} // namespace sondrel::framework
