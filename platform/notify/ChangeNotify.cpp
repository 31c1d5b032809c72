#include "ChangeNotify.h"

#include "InotifyHub.h"

#include <cerrno>

#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace win32 {

namespace {

    using sondrel::platform::notify::ChangeNotification;
    using sondrel::platform::notify::InotifyHub;
    using sondrel::platform::notify::WaitObject;

    constexpr DWORD kKnownFilters = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME
        | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE
        | FILE_NOTIFY_CHANGE_LAST_ACCESS | FILE_NOTIFY_CHANGE_CREATION
        | FILE_NOTIFY_CHANGE_SECURITY;

    // The kernel's events a filter needs.
    std::uint32_t MaskOf(DWORD filter)
    {
        std::uint32_t mask = 0;
        if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
            mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
        if (filter & FILE_NOTIFY_CHANGE_CREATION)
            mask |= IN_CREATE;
        if (filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY))
            mask |= IN_ATTRIB;
        if (filter & FILE_NOTIFY_CHANGE_SIZE)
            mask |= IN_MODIFY;
        if (filter & FILE_NOTIFY_CHANGE_LAST_WRITE)
            mask |= IN_MODIFY | IN_CLOSE_WRITE;
        if (filter & FILE_NOTIFY_CHANGE_LAST_ACCESS)
            mask |= IN_ACCESS;
        return mask;
    }

} // namespace

HANDLE FindFirstChangeNotificationA(LPCSTR pathName, BOOL watchSubtree, DWORD notifyFilter)
{
    if (!pathName || !*pathName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (notifyFilter == 0 || (notifyFilter & ~kKnownFilters)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (watchSubtree) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    int error = 0;
    std::shared_ptr<InotifyHub> hub = InotifyHub::Get(error);
    if (!hub) {
        SetLastError(Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto* change = new ChangeNotification(fd, notifyFilter, hub);
    error = hub->Add(*change, pathName, MaskOf(notifyFilter));
    if (error != 0) {
        delete change;
        SetLastError(Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    return sondrel::platform::notify::Register(change);
}

BOOL FindNextChangeNotification(HANDLE changeHandle)
{
    auto* change = static_cast<ChangeNotification*>(
        sondrel::platform::notify::Lookup(changeHandle, WaitObject::Kind::ChangeNotification));
    if (!change) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!change->Hub()->Rearm(*change)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

BOOL FindCloseChangeNotification(HANDLE changeHandle)
{
    WaitObject* change
        = sondrel::platform::notify::Unregister(changeHandle, WaitObject::Kind::ChangeNotification);
    if (!change) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete change;
    return TRUE;
}

} // namespace win32
