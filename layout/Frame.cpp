#include "Frame.h"

#include <QEvent>
#include <QPainter>

namespace sondrel::layout {

using framework::TBrushStyle;

TPTCustomFrame::TPTCustomFrame(QWidget* parent)
    : QWidget(parent)
{
    resize(64, 48);
    m_font.OnChange = [this](framework::TFont&) {
        setFont(m_font.ToQFont());
        InvalidateInterior();
    };
}

void TPTCustomFrame::SetAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    update();
}

void TPTCustomFrame::SetDefaultDrawing(bool defaultDrawing)
{
    m_defaultDrawing = defaultDrawing;
    update();
}

void TPTCustomFrame::SetFrameSpace(int frameSpace)
{
    m_frameSpace = frameSpace;
    update();
}

void TPTCustomFrame::SetFrameStyle(TPTFrameStyle style)
{
    m_frameStyle = style;
    update();
}

void TPTCustomFrame::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    InvalidateInterior();
}

void TPTCustomFrame::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    InvalidateInterior();
}

void TPTCustomFrame::InvalidateInterior()
{
    TRect interior { 0, 0, width(), height() };
    AdjustRectForFrame(m_frameStyle, interior);
    update(interior.ToQRect());
}

void TPTCustomFrame::Paint(TCanvas& canvas)
{
    if (m_color != framework::clNone) {
        canvas.Brush().SetColor(m_color);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        if (m_defaultDrawing)
            canvas.FillRect({ 0, 0, width(), height() });
    }
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const TRect r { 0, 0, width() - 1, height() - 1 };
    canvas.Font().Assign(m_font);
    if (m_frameStyle == ptfsGroup) {
        DrawGroupFrame(canvas, r, m_caption, m_color, isEnabled());
        return;
    }
    DrawFrame(m_frameStyle, canvas, r);
    if (m_defaultDrawing)
        DrawCaption(canvas, { r.Left + m_frameSpace, r.Top, r.Right - m_frameSpace, r.Bottom },
            m_caption, m_alignment, true);
    if (OnPaint)
        OnPaint(this, canvas);
}

void TPTCustomFrame::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    TCanvas canvas(&painter);
    Paint(canvas);
}

void TPTCustomFrame::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

TPTFrame::TPTFrame(QWidget* parent)
    : TPTCustomFrame(parent)
{
}

} // namespace sondrel::layout
