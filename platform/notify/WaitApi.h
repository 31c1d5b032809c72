#pragma once
// Events and waiting, as Windows offers them: an event is set and reset, waking one waiter and
// resetting itself (auto-reset) or staying set until reset (manual reset); a wait takes up to 64
// handles of events and change notifications and answers with the lowest signalled one. Events
// are eventfds and a wait is one poll, so a waiting thread sleeps in the kernel.
//
// Any thread may use any handle; a handle closed while another thread waits on it is the
// caller's fault, as on Windows.

#include "Win32Error.h"
#include "Win32Types.h"

namespace win32 {

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// A new event; null (last error set) when the system has no descriptor left. Named events are
// not offered: nothing here shares events between processes.
[[nodiscard]] HANDLE CreateEventA(
    void* securityAttributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Closes an event. Windows closes every kind of handle with CloseHandle; here file handles and
// events live in different layers, so each has a close of its own.
BOOL CloseEvent(HANDLE event);

// Waits until one of the handles is signalled: WAIT_OBJECT_0 + its index (the lowest when
// several are), WAIT_TIMEOUT, or WAIT_FAILED with the last error set (an invalid handle, more
// than MAXIMUM_WAIT_OBJECTS, or waitAll, which nothing here needs). An auto-reset event that
// wins is reset; a change notification stays signalled until FindNextChangeNotification.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

} // namespace win32
