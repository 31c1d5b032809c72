#include "WaitObject.h"

#include <cstdint>
#include <mutex>
#include <unordered_set>

#include <unistd.h>

namespace sondrel::platform::notify {

namespace {

    std::mutex s_mutex;
    std::unordered_set<WaitObject*>& Live()
    {
        static std::unordered_set<WaitObject*> live;
        return live;
    }

} // namespace

WaitObject::~WaitObject() { ::close(m_fd); }

win32::HANDLE Register(WaitObject* object)
{
    const std::scoped_lock lock(s_mutex);
    Live().insert(object);
    return object;
}

WaitObject* LookupAny(win32::HANDLE handle)
{
    const std::scoped_lock lock(s_mutex);
    auto* object = static_cast<WaitObject*>(handle);
    return Live().contains(object) ? object : nullptr;
}

WaitObject* Lookup(win32::HANDLE handle, WaitObject::Kind kind)
{
    WaitObject* object = LookupAny(handle);
    return object && object->GetKind() == kind ? object : nullptr;
}

WaitObject* Unregister(win32::HANDLE handle, WaitObject::Kind kind)
{
    const std::scoped_lock lock(s_mutex);
    auto* object = static_cast<WaitObject*>(handle);
    if (!Live().contains(object) || object->GetKind() != kind)
        return nullptr;
    Live().erase(object);
    return object;
}

void SignalFd(int fd)
{
    const std::uint64_t one = 1;
    // Only a counter at its maximum refuses, and it never gets near one.
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

bool DrainFd(int fd)
{
    std::uint64_t count = 0;
    return ::read(fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

} // namespace sondrel::platform::notify
