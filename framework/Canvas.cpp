#include "Canvas.h"

#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <vector>

namespace sondrel::framework {

TCanvas::TCanvas(QPainter* painter)
    : m_painter(painter)
{
}

void TCanvas::SetHandle(QPainter* painter) { m_painter = painter; }

TRect TCanvas::ClipRect() const
{
    if (!m_painter || !m_painter->device())
        return {};
    const QTransform inverse = m_painter->worldTransform().inverted();
    QRectF area = m_painter->hasClipping()
        ? m_painter->clipBoundingRect()
        : inverse.mapRect(
            QRectF(0, 0, m_painter->device()->width(), m_painter->device()->height()));
    return TRect::FromQRect(area.toAlignedRect());
}

QFont TCanvas::CurrentFont() const { return m_font.ToQFont(); }

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (!m_painter)
        return;
    const QFont font = CurrentFont();
    const QFontMetrics metrics(font, m_painter->device());
    if (m_brush.Style() != TBrushStyle::bsClear)
        m_painter->fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()),
            ToQColor(m_brush.Color()));
    m_painter->setFont(font);
    m_painter->setPen(ToQColor(m_font.Color()));
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_penPos = { x + metrics.horizontalAdvance(text), y };
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const QString& text)
{
    if (!m_painter)
        return;
    m_painter->save();
    m_painter->setClipRect(rect.ToQRect(), Qt::IntersectClip);
    if (m_brush.Style() != TBrushStyle::bsClear)
        m_painter->fillRect(rect.ToQRect(), ToQColor(m_brush.Color()));
    const QFont font = CurrentFont();
    const QFontMetrics metrics(font, m_painter->device());
    m_painter->setFont(font);
    m_painter->setPen(ToQColor(m_font.Color()));
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

int TCanvas::TextWidth(const QString& text) const
{
    const QFont font = CurrentFont();
    return m_painter ? QFontMetrics(font, m_painter->device()).horizontalAdvance(text)
                     : QFontMetrics(font).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& /*text*/) const
{
    const QFont font = CurrentFont();
    return m_painter ? QFontMetrics(font, m_painter->device()).height()
                     : QFontMetrics(font).height();
}

void TCanvas::FillRect(const TRect& rect)
{
    if (m_painter && m_brush.Style() != TBrushStyle::bsClear && !rect.IsEmpty())
        m_painter->fillRect(rect.ToQRect(), ToQColor(m_brush.Color()));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (!m_painter || rect.IsEmpty())
        return;
    const QColor color = ToQColor(m_brush.Color());
    m_painter->fillRect(QRect(rect.Left, rect.Top, rect.Width(), 1), color);
    m_painter->fillRect(QRect(rect.Left, rect.Bottom - 1, rect.Width(), 1), color);
    m_painter->fillRect(QRect(rect.Left, rect.Top, 1, rect.Height()), color);
    m_painter->fillRect(QRect(rect.Right - 1, rect.Top, 1, rect.Height()), color);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (!m_painter || right <= left || bottom <= top)
        return;
    const int w = m_pen.Width();
    if (m_brush.Style() != TBrushStyle::bsClear)
        m_painter->fillRect(QRect(left + w, top + w, right - left - 2 * w, bottom - top - 2 * w),
            ToQColor(m_brush.Color()));
    const QColor color = ToQColor(m_pen.Color());
    m_painter->fillRect(QRect(left, top, right - left, w), color);
    m_painter->fillRect(QRect(left, bottom - w, right - left, w), color);
    m_painter->fillRect(QRect(left, top, w, bottom - top), color);
    m_painter->fillRect(QRect(right - w, top, w, bottom - top), color);
}

void TCanvas::MoveTo(int x, int y) { m_penPos = { x, y }; }

void TCanvas::LineTo(int x, int y)
{
    PlotLine(m_penPos, { x, y });
    m_penPos = { x, y };
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    if (points.empty())
        return;
    MoveTo(points.front().X, points.front().Y);
    for (const TPoint& p : points.subspan(1))
        LineTo(p.X, p.Y);
}

// Pixels of the line from `from` up to, not including, `to`, stepped as the platform does, so
// frames and glyphs meet at their corners exactly.
void TCanvas::PlotLine(TPoint from, TPoint to)
{
    if (!m_painter || from == to)
        return;
    const QColor color = ToQColor(m_pen.Color());
    const int w = std::max(1, m_pen.Width());
    if (from.Y == to.Y) {
        const int left = std::min(from.X, to.X + 1);
        const int right = std::max(from.X + 1, to.X);
        m_painter->fillRect(QRect(left, from.Y, right - left, w), color);
        return;
    }
    if (from.X == to.X) {
        const int top = std::min(from.Y, to.Y + 1);
        const int bottom = std::max(from.Y + 1, to.Y);
        m_painter->fillRect(QRect(from.X, top, w, bottom - top), color);
        return;
    }
    const int dx = std::abs(to.X - from.X);
    const int dy = -std::abs(to.Y - from.Y);
    const int sx = from.X < to.X ? 1 : -1;
    const int sy = from.Y < to.Y ? 1 : -1;
    int error = dx + dy;
    std::vector<QPoint> pixels;
    for (TPoint p = from; p != to;) {
        pixels.emplace_back(p.X, p.Y);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.X += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.Y += sy;
        }
    }
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    QPen pen(color);
    pen.setWidth(w);
    m_painter->setPen(pen);
    m_painter->drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    m_painter->restore();
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (m_painter)
        m_painter->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::Draw(int x, int y, const QPixmap& pixmap)
{
    if (m_painter)
        m_painter->drawPixmap(x, y, pixmap);
}

void TCanvas::Draw(const TRect& rect, const QIcon& icon, bool enabled)
{
    if (m_painter)
        icon.paint(
            m_painter, rect.ToQRect(), Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
}

} // namespace sondrel::framework
