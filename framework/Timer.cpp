#include "Timer.h"

#include "Guard.h"

namespace sondrel::framework {

TTimer::TTimer(QObject* owner)
    : QObject(owner)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (OnTimer)
            Guarded([this] { OnTimer(this); });
    });
    Restart();
}

void TTimer::SetInterval(int milliseconds)
{
    m_timer.setInterval(milliseconds);
    Restart();
}

void TTimer::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    Restart();
}

void TTimer::Restart()
{
    // As on the platform: a zero interval never fires.
    if (m_enabled && m_timer.interval() > 0)
        m_timer.start();
    else
        m_timer.stop();
}

} // namespace sondrel::framework
