#pragma once
// Folder change notifications, as Windows offers them: FindFirstChangeNotificationA watches one
// folder for the kinds of change its filter names and returns a handle that is signalled when
// one happens; a wait (WaitApi.h) sleeps on it; FindNextChangeNotification takes in everything
// that happened meanwhile and re-arms it; FindCloseChangeNotification ends the watch.
//
// On inotify: file-name changes are creations, deletions and renames of items that are not
// folders, folder-name changes the same for folders, so each filter wakes only for its own kind.
// A queue overflow signals every notification (changes were lost, so anything may have
// changed). A watch that dies (its folder deleted, moved away or unmounted) signals once, and
// re-arming it then fails with ERROR_PATH_NOT_FOUND. Watching a subtree is refused
// (ERROR_NOT_SUPPORTED): inotify watches one folder, and watching every folder below one would
// spend the user's watches, which are few and shared with every other program.

#include "Win32Error.h"
#include "Win32Types.h"

namespace win32 {

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
constexpr DWORD FILE_NOTIFY_CHANGE_CREATION = 0x040;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// INVALID_HANDLE_VALUE with the last error set on failure.
[[nodiscard]] HANDLE FindFirstChangeNotificationA(
    LPCSTR pathName, BOOL watchSubtree, DWORD notifyFilter);
BOOL FindNextChangeNotification(HANDLE changeHandle);
BOOL FindCloseChangeNotification(HANDLE changeHandle);

} // namespace win32
