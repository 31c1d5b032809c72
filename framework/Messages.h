#pragma once
// Private messages: events numbered from the user-message base, posted to a control and handled
// from the message loop, as the controls defer work to after the current event.

#include <QCoreApplication>
#include <QEvent>

#include <cstdint>

namespace sondrel::framework {

constexpr int WM_USER = 0x0400;

class TMessageEvent : public QEvent
{
public:
    TMessageEvent(int message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message))
        , WParam(wParam)
        , LParam(lParam)
    {
    }

    [[nodiscard]] int Msg() const { return static_cast<int>(type()); }

    std::uintptr_t WParam;
    std::intptr_t LParam;
};

// Queues `message` for `receiver`; it is handled in the receiver's event() from the loop.
// Safe from any thread: the event goes to the receiver's thread.
inline void PostMessage(
    QObject* receiver, int message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
{
    QCoreApplication::postEvent(receiver, new TMessageEvent(message, wParam, lParam));
}

} // namespace sondrel::framework
