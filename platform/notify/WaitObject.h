#pragma once
// What every waitable handle of this folder is: an object behind the HANDLE, with an eventfd that
// is readable while the object is signalled, so that one poll can wait on any mix of them. The
// registry knows the live objects, so that a handle that was closed, or never was one, is
// refused instead of followed.

#include "Win32Types.h"

namespace sondrel::platform::notify {

class InotifyHub;

class WaitObject
{
public:
    enum class Kind { Event, ChangeNotification };

    WaitObject(Kind kind, int fd)
        : m_kind(kind)
        , m_fd(fd)
    {
    }
    virtual ~WaitObject();
    WaitObject(const WaitObject&) = delete;
    WaitObject& operator=(const WaitObject&) = delete;

    [[nodiscard]] Kind GetKind() const { return m_kind; }
    [[nodiscard]] int Fd() const { return m_fd; }
    // Called when a wait found the eventfd readable: takes the signal where the object resets
    // itself. False when another waiter took it first.
    [[nodiscard]] virtual bool Acquire() = 0;
    // The inotify instance whose events can signal this object, or null.
    [[nodiscard]] virtual InotifyHub* Hub() { return nullptr; }

private:
    Kind m_kind;
    int m_fd;
};

// Makes `object` reachable through its handle.
[[nodiscard]] win32::HANDLE Register(WaitObject* object);
// The live object of `kind` behind `handle`, or null.
[[nodiscard]] WaitObject* Lookup(win32::HANDLE handle, WaitObject::Kind kind);
// The live object behind `handle` of either kind, or null.
[[nodiscard]] WaitObject* LookupAny(win32::HANDLE handle);
// Makes the handle unreachable; returns its object (to be deleted by the caller), or null.
[[nodiscard]] WaitObject* Unregister(win32::HANDLE handle, WaitObject::Kind kind);

// Writes 1 to an eventfd (signals it) and drains one (resets it).
void SignalFd(int fd);
// True when the eventfd held a signal.
bool DrainFd(int fd);

} // namespace sondrel::platform::notify
