#pragma once
// The file-system calls of the Win32 API that the shell commands make, over their Linux
// counterparts, with the last error set to the Win32 code callers test for.

#include "Win32Types.h"

namespace win32 {

// Creates one folder (mode 0777 less the umask). An existing name of any kind is never touched:
// the call then fails with ERROR_ALREADY_EXISTS. `security` must be null.
BOOL CreateDirectoryA(LPCSTR path, void* security);

// Windows' contract: the length written without the zero, or, when `size` is too small, the size
// needed with the zero; 0 with the last error set on failure.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

} // namespace win32
