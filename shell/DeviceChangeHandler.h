#pragma once
// TPTDeviceChangeHandler: the process-wide relay of device-change broadcasts. Its hidden window
// (this object) takes each WM_DEVICECHANGE, posts it to itself again as message WM_USER + 100,
// and only when that arrives from the event loop calls its subscribers, in the order they
// subscribed. Mounts and unmounts reach it from the mount watch as device arrival (0x8000) and
// removal-complete (0x8004) broadcasts; their lParam is 0, since the broadcast outlives the
// moment it describes. Lives on the GUI thread; created by the first PTDeviceChangeHandler() and
// destroyed when the application object goes.

#include "UPTShell95.h"

#include <QObject>

#include <memory>
#include <vector>

namespace sondrel::platform {
class MountWatch;
}

namespace sondrel::shell {

// A window message record, as a window procedure receives it.
struct TMessage
{
    win32::UINT Msg = 0;
    win32::WPARAM WParam = 0;
    win32::LPARAM LParam = 0;
    win32::LRESULT Result = 0;
};

class TPTDeviceChangeHandler;

// A method: code and object. Two events are the same when both are.
struct TPTDeviceChangeEvent
{
    void (*Code)(void* object, TPTDeviceChangeHandler* sender, TMessage& message) = nullptr;
    void* Object = nullptr;

    friend bool operator==(const TPTDeviceChangeEvent&, const TPTDeviceChangeEvent&) = default;
};

// The event calling `Method` of `object`.
template <typename T, void (T::*Method)(TPTDeviceChangeHandler*, TMessage&)>
[[nodiscard]] TPTDeviceChangeEvent MakeDeviceChangeEvent(T* object)
{
    return { [](void* self, TPTDeviceChangeHandler* sender, TMessage& message) {
                (static_cast<T*>(self)->*Method)(sender, message);
            },
        object };
}

inline constexpr win32::UINT WM_USER = 0x0400;
inline constexpr win32::UINT AM_DEVICECHANGE_RELAY = WM_USER + 100;

class TPTDeviceChangeHandler : public QObject
{
    Q_OBJECT

public:
    ~TPTDeviceChangeHandler() override;

    void Add(TPTDeviceChangeEvent event); // duplicates allowed
    void Remove(TPTDeviceChangeEvent event); // the first match, if any
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    // Compares the drives with those last seen and broadcasts the differences now (drives of
    // disk images come and go without the mount table changing).
    void CheckDrives();

    // The hidden window's procedure.
    void WndProc(TMessage& message);

protected:
    bool event(QEvent* event) override;

private:
    friend TPTDeviceChangeHandler* PTDeviceChangeHandler();
    TPTDeviceChangeHandler();
    void Broadcast(TMessage& message);

    std::vector<std::unique_ptr<TPTDeviceChangeEvent>> m_subscribers;
    std::size_t m_calling = 0; // the subscriber a broadcast is at
    bool m_broadcasting = false;
    bool m_enabled = true;
    platform::MountWatch* m_watch = nullptr;
};

// The relay, created on first use.
[[nodiscard]] TPTDeviceChangeHandler* PTDeviceChangeHandler();

} // namespace sondrel::shell
