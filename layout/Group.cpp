#include "Group.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace sondrel::layout {

using framework::TBrushStyle;

TPTCustomGroup::TPTCustomGroup(QWidget* parent)
    : TPTCustomGroup(parent, ptfsGroup)
{
}

TPTCustomGroup::TPTCustomGroup(QWidget* parent, TPTFrameStyle style)
    : QWidget(parent)
    , m_frameStyle(style)
{
    resize(64, 48);
    m_font.OnChange = [this](framework::TFont&) { FontChanged(); };
    RepaintNonClient();
}

void TPTCustomGroup::SetAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    update();
}

void TPTCustomGroup::SetDefaultDrawing(bool defaultDrawing)
{
    m_defaultDrawing = defaultDrawing;
    update();
}

void TPTCustomGroup::SetFrameSpace(int frameSpace)
{
    m_frameSpace = frameSpace;
    update();
}

void TPTCustomGroup::SetFrameStyle(TPTFrameStyle style)
{
    if (style == m_frameStyle)
        return;
    m_frameStyle = style;
    RepaintNonClient();
}

void TPTCustomGroup::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
    if (m_frameStyle == ptfsGroup)
        RepaintNonClient();
}

void TPTCustomGroup::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    if (m_frameStyle == ptfsGroup)
        RepaintNonClient();
}

void TPTCustomGroup::FontChanged()
{
    setFont(m_font.ToQFont());
    if (m_frameStyle == ptfsGroup)
        RepaintNonClient();
    else
        update();
}

TRect TPTCustomGroup::ClientRect() const { return TRect::FromQRect(contentsRect()); }

void TPTCustomGroup::EnableAllChildren(bool enabled)
{
    for (QObject* child : children())
        if (child->isWidgetType())
            static_cast<QWidget*>(child)->setEnabled(enabled);
}

void TPTCustomGroup::RepaintNonClient()
{
    TRect client { 0, 0, width(), height() };
    if (m_frameStyle == ptfsGroup) {
        client.Top += m_caption.isEmpty() ? 2 : QFontMetrics(m_font.ToQFont()).height();
        client.Left += 2;
        client.Right -= 2;
        client.Bottom -= 2;
    } else {
        AdjustRectForFrame(m_frameStyle, client);
    }
    // Setting the margins re-lays out the children inside the new client area.
    setContentsMargins(client.Left, client.Top, width() - client.Right, height() - client.Bottom);
    update();
}

void TPTCustomGroup::PaintNonClient(TCanvas& canvas, const TRect& w)
{
    canvas.Brush().SetColor(m_color);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const TRect r { w.Left, w.Top, w.Right - 1, w.Bottom - 1 };
    canvas.Font().Assign(m_font);
    if (m_frameStyle == ptfsGroup)
        DrawGroupFrame(canvas, r, m_caption, m_color, isEnabled());
    else
        DrawFrame(m_frameStyle, canvas, r);
}

void TPTCustomGroup::Paint(TCanvas& canvas)
{
    canvas.Font().Assign(m_font);
    if (m_color != framework::clNone) {
        canvas.Brush().SetColor(m_color);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    }
    if (m_defaultDrawing && m_frameStyle != ptfsGroup) {
        const QRect client = contentsRect();
        DrawCaption(canvas, { m_frameSpace, 0, client.width() - m_frameSpace, client.height() },
            m_caption, m_alignment, true);
    }
    if (OnPaint)
        OnPaint(this, canvas);
}

void TPTCustomGroup::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    TCanvas canvas(&painter);
    const QRect client = contentsRect();

    painter.save();
    painter.setClipRegion(QRegion(rect()) - QRegion(client));
    PaintNonClient(canvas, { 0, 0, width(), height() });
    painter.restore();

    painter.setClipRect(client);
    painter.translate(client.topLeft());
    if (m_defaultDrawing && m_color != framework::clNone)
        painter.fillRect(QRect(QPoint(0, 0), client.size()), framework::ToQColor(m_color));
    Paint(canvas);
}

void TPTCustomGroup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        update();
        EnableAllChildren(isEnabled());
        if (m_frameStyle == ptfsGroup)
            RepaintNonClient();
    }
}

TPTGroup::TPTGroup(QWidget* parent)
    : TPTCustomGroup(parent)
{
}

TPTGroup::TPTGroup(QWidget* parent, TPTFrameStyle style)
    : TPTCustomGroup(parent, style)
{
}

} // namespace sondrel::layout
