#include "Control.h"

#include "Guard.h"
#include "Messages.h"

#include <QPaintEvent>
#include <QPainter>

namespace sondrel::framework {

void Broadcast(QWidget* parent, int message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!parent)
        return;
    // A receiver may change the parent's children; visit those there were when it began.
    const QObjectList children = parent->children();
    for (QObject* child : children) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || control->isWindow())
            continue;
        TMessageEvent event(message, wParam, lParam);
        QCoreApplication::sendEvent(control, &event);
    }
}

void ApplyFont(QWidget* control, const TFont& font)
{
    control->setFont(font.ToQFont());
    QPalette palette = control->palette();
    const QColor text = ToQColor(font.Color());
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    control->setPalette(palette);
}

void ApplyColor(QWidget* control, TColor color, QPalette::ColorRole role)
{
    QPalette palette = control->palette();
    palette.setColor(role, ToQColor(color));
    control->setPalette(palette);
    if (role == QPalette::Window)
        control->setAutoFillBackground(color != clNone);
}

TCustomControl::TCustomControl(QWidget* parent)
    : QWidget(parent)
{
    m_font.OnChange = [this](TFont& font) { ApplyFont(this, font); };
}

void TCustomControl::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(caption);
    TextChanged();
}

void TCustomControl::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    if (color != clNone)
        ApplyColor(this, color);
    else
        setAutoFillBackground(false);
    update();
}

void TCustomControl::HandleNeeded()
{
    if (m_handleAllocated)
        return;
    m_handleAllocated = true;
    CreateWnd();
}

void TCustomControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCustomControl::Paint(TCanvas& /*canvas*/) { }

bool TCustomControl::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_handleAllocated)
        Guarded([this] { HandleNeeded(); });
    return QWidget::event(event);
}

void TCustomControl::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    TCanvas canvas(&painter);
    // No box may open while painting: a failure is reported once the paint is over.
    GuardedQuery([&] { Paint(canvas); });
}

void TCustomControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update();
}

} // namespace sondrel::framework
