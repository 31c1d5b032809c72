#include "DeviceChangeHandler.h"

#include "MountWatch.h"

#include <QCoreApplication>
#include <QEvent>

namespace sondrel::shell {

namespace {

    const auto kRelayEvent = static_cast<QEvent::Type>(AM_DEVICECHANGE_RELAY);

    // The re-posted message carries the broadcast's parameters.
    class RelayEvent : public QEvent
    {
    public:
        RelayEvent(win32::WPARAM wParam, win32::LPARAM lParam)
            : QEvent(kRelayEvent)
            , WParam(wParam)
            , LParam(lParam)
        {
        }
        win32::WPARAM WParam;
        win32::LPARAM LParam;
    };

    TPTDeviceChangeHandler*& Instance()
    {
        static TPTDeviceChangeHandler* instance = nullptr;
        return instance;
    }

    void DestroyInstance()
    {
        delete Instance();
        Instance() = nullptr;
    }

} // namespace

TPTDeviceChangeHandler::TPTDeviceChangeHandler()
    : m_watch(new platform::MountWatch(this))
{
    connect(m_watch, &platform::MountWatch::DeviceChange, this,
        [this](win32::WPARAM event, const QByteArray&) {
            TMessage message { win32::WM_DEVICECHANGE, event, 0, 0 };
            WndProc(message);
        });
}

TPTDeviceChangeHandler::~TPTDeviceChangeHandler() = default;

void TPTDeviceChangeHandler::CheckDrives() { m_watch->CheckNow(); }

void TPTDeviceChangeHandler::Add(TPTDeviceChangeEvent event)
{
    m_subscribers.push_back(std::make_unique<TPTDeviceChangeEvent>(event));
}

void TPTDeviceChangeHandler::Remove(TPTDeviceChangeEvent event)
{
    for (std::size_t i = 0; i < m_subscribers.size(); ++i) {
        if (*m_subscribers[i] == event) {
            m_subscribers.erase(m_subscribers.begin() + static_cast<std::ptrdiff_t>(i));
            // A subscriber that leaves during a broadcast does not make the next one skipped.
            if (m_broadcasting && i <= m_calling)
                --m_calling;
            return;
        }
    }
}

void TPTDeviceChangeHandler::WndProc(TMessage& message)
{
    if (message.Msg == win32::WM_DEVICECHANGE) {
        QCoreApplication::postEvent(this, new RelayEvent(message.WParam, message.LParam));
        // The default window procedure's answer: the change is granted.
        message.Result = 1;
        return;
    }
    if (message.Msg == AM_DEVICECHANGE_RELAY) {
        Broadcast(message);
        return;
    }
    message.Result = 0;
}

bool TPTDeviceChangeHandler::event(QEvent* event)
{
    if (event->type() != kRelayEvent)
        return QObject::event(event);
    const auto* relay = static_cast<RelayEvent*>(event);
    TMessage message { AM_DEVICECHANGE_RELAY, relay->WParam, relay->LParam, 0 };
    WndProc(message);
    return true;
}

void TPTDeviceChangeHandler::Broadcast(TMessage& message)
{
    if (!m_enabled)
        return;
    m_broadcasting = true;
    try {
        for (m_calling = 0; m_calling < m_subscribers.size(); ++m_calling) {
            const TPTDeviceChangeEvent subscriber = *m_subscribers[m_calling];
            subscriber.Code(subscriber.Object, this, message);
        }
    } catch (...) {
        m_broadcasting = false;
        throw;
    }
    m_broadcasting = false;
}

TPTDeviceChangeHandler* PTDeviceChangeHandler()
{
    if (Instance() == nullptr) {
        Instance() = new TPTDeviceChangeHandler();
        // The relay goes with the application object, before the event loop's last events.
        qAddPostRoutine(&DestroyInstance);
    }
    return Instance();
}

} // namespace sondrel::shell
