#include "PaintBox.h"

#include "Guard.h"

#include <QPaintEvent>
#include <QPainter>

namespace sondrel::framework {

TPaintBox::TPaintBox(QWidget* parent)
    : QWidget(parent)
{
    m_height = height();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPaintBox::SetHeight(int height)
{
    height = std::max(0, height);
    if (height == m_height) {
        update();
        return;
    }
    m_height = height;
    // Outside a scroll box the widget is the box itself.
    if (!parentWidget() || !parentWidget()->inherits("sondrel::framework::TScrollBox"))
        resize(width(), height);
    Q_EMIT HeightChanged(height);
    update();
}

void TPaintBox::Loaded()
{
    if (const QVariant name = property("FontName"); name.isValid())
        m_font.SetName(name.toString());
    if (const QVariant height = property("FontHeight"); height.isValid())
        m_font.SetHeight(height.toInt());
    if (const QVariant color = property("FontColor"); color.isValid())
        m_font.SetColor(ColorFromName(color.toString()));
}

void TPaintBox::SetVisibleTop(int top)
{
    if (top == m_visibleTop)
        return;
    m_visibleTop = top;
    update();
}

void TPaintBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.translate(0, -m_visibleTop);
    m_canvas.SetHandle(&painter);
    m_canvas.Font().Assign(m_font);
    m_canvas.Brush().SetColor(FromQColor(palette().color(backgroundRole())));
    m_canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    struct TDetach
    {
        TCanvas& Canvas;
        ~TDetach() { Canvas.SetHandle(nullptr); }
    } detach { m_canvas };
    if (OnPaint)
        Guarded([this] { OnPaint(this); });
}

} // namespace sondrel::framework
