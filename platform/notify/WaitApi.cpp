#include "WaitApi.h"

#include "InotifyHub.h"
#include "WaitObject.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <vector>

#include <sys/eventfd.h>

namespace win32 {

namespace {

    using sondrel::platform::notify::InotifyHub;
    using sondrel::platform::notify::WaitObject;
    using Clock = std::chrono::steady_clock;

    class Event final : public WaitObject
    {
    public:
        Event(int fd, bool manualReset)
            : WaitObject(Kind::Event, fd)
            , m_manualReset(manualReset)
        {
        }

        bool Acquire() override
        {
            return m_manualReset || sondrel::platform::notify::DrainFd(Fd());
        }

    private:
        bool m_manualReset;
    };

    // The time left until `deadline` as poll takes it; -1 waits without end.
    int PollTimeout(DWORD milliseconds, Clock::time_point deadline)
    {
        if (milliseconds == INFINITE)
            return -1;
        const Clock::duration left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        // Rounded up, so that a wait never ends a moment before its time.
        return static_cast<int>(std::min<std::int64_t>(
            std::chrono::ceil<std::chrono::milliseconds>(left).count(), 0x7FFFFFFF));
    }

    // Runs `action` on the eventfd of `event`; false (last error set) when it is no event.
    template <class Action> BOOL OnEvent(HANDLE event, Action action)
    {
        WaitObject* object = sondrel::platform::notify::Lookup(event, WaitObject::Kind::Event);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        action(object->Fd());
        return TRUE;
    }

} // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    if (name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    const int fd = ::eventfd(initialState ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return nullptr;
    }
    return sondrel::platform::notify::Register(new Event(fd, manualReset != FALSE));
}

BOOL SetEvent(HANDLE event) { return OnEvent(event, sondrel::platform::notify::SignalFd); }

BOOL ResetEvent(HANDLE event)
{
    return OnEvent(event, [](int fd) { (void)sondrel::platform::notify::DrainFd(fd); });
}

BOOL CloseEvent(HANDLE event)
{
    WaitObject* object = sondrel::platform::notify::Unregister(event, WaitObject::Kind::Event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete object;
    return TRUE;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    if (waitAll) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return WAIT_FAILED;
    }
    std::vector<WaitObject*> objects;
    std::vector<pollfd> fds;
    std::vector<InotifyHub*> hubs;
    for (DWORD i = 0; i < count; ++i) {
        WaitObject* object = sondrel::platform::notify::LookupAny(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(object);
        fds.push_back({ object->Fd(), POLLIN, 0 });
        if (InotifyHub* hub = object->Hub(); hub && std::ranges::find(hubs, hub) == hubs.end())
            hubs.push_back(hub);
    }
    // The kernel's change events wake the wait too; whoever waits reads them and signals the
    // change notifications they concern, which wakes their waiters in turn.
    for (InotifyHub* hub : hubs)
        fds.push_back({ hub->Fd(), POLLIN, 0 });

    const Clock::time_point deadline = milliseconds == INFINITE
        ? Clock::time_point::max()
        : Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const int ready = ::poll(fds.data(), fds.size(), PollTimeout(milliseconds, deadline));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            SetLastError(Win32ErrorFromErrno(errno));
            return WAIT_FAILED;
        }
        bool drained = false;
        for (std::size_t i = 0; i < hubs.size(); ++i)
            if (fds[count + i].revents & POLLIN) {
                hubs[i]->Drain();
                drained = true;
            }
        if (drained)
            continue; // the handles' own descriptors tell what the events signalled
        for (DWORD i = 0; i < count; ++i) {
            if (fds[i].revents & POLLNVAL) {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            if ((fds[i].revents & POLLIN) && objects[i]->Acquire())
                return WAIT_OBJECT_0 + i;
        }
        // poll answers nothing only when its time is up.
        if (ready == 0)
            return WAIT_TIMEOUT;
    }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

} // namespace win32
