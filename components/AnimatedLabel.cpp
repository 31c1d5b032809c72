#include "AnimatedLabel.h"

#include "Control.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace sondrel::components {

using framework::clBtnFace;
using framework::ToQColor;

TAnimatedLabel::TAnimatedLabel(QWidget* parent)
    : TLabel(parent)
    , m_timer(new framework::TTimer(this))
{
    m_font.OnChange = [this](framework::TFont& font) { framework::ApplyFont(this, font); };
    m_timer->SetInterval(100);
    m_timer->OnTimer = [this](QObject*) {
        update();
        ++m_ticks;
    };
}

void TAnimatedLabel::SetAnimationType(TAnimationType type)
{
    m_animationType = type;
    update();
}

void TAnimatedLabel::SetAnimationTypeValue(int type)
{
    SetAnimationType(static_cast<TAnimationType>(std::clamp(type, int(atNone), int(atFade))));
}

void TAnimatedLabel::SetColor(framework::TColor color)
{
    m_color = color;
    if (color == framework::clNone)
        setAutoFillBackground(false);
    else
        framework::ApplyColor(this, color);
    update();
}

void TAnimatedLabel::DrawCaption(QPainter& painter, int x, const QColor& color) const
{
    const QFontMetrics metrics(font());
    const QString caption = Caption();
    painter.fillRect(
        QRect(x, 0, metrics.horizontalAdvance(caption), metrics.height()), ToQColor(clBtnFace));
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(QPoint(x, metrics.ascent()), caption);
}

void TAnimatedLabel::paintEvent(QPaintEvent* event)
{
    const int t = m_ticks;
    switch (m_animationType) {
    case atNone:
        TLabel::paintEvent(event);
        return;
    case atFlash:
        if (t / 10 % 2 == 0) {
            QPainter painter(this);
            painter.fillRect(rect(), ToQColor(clBtnFace));
        } else {
            TLabel::paintEvent(event);
        }
        return;
    case atFly: {
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(clBtnFace));
        // A label of no width has nowhere to fly.
        if (width() > 0)
            DrawCaption(painter, width() - 2 * (t % width()), palette().color(foregroundRole()));
        return;
    }
    case atFade: {
        const int step = t % 10;
        const QColor font = palette().color(foregroundRole());
        const QColor back = palette().color(backgroundRole());
        const bool fadingIn = t / 10 % 2 == 0;
        const QColor& from = fadingIn ? back : font;
        const QColor& to = fadingIn ? font : back;
        const auto mix = [step](int start, int end) {
            return std::clamp(start + (end - start) * step / 9, 0, 255);
        };
        QPainter painter(this);
        DrawCaption(painter, 0,
            QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                mix(from.blue(), to.blue())));
        return;
    }
    }
}

} // namespace sondrel::components
