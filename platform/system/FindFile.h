#pragma once
// The folder search of the Win32 API: the entries of one folder whose names match a pattern, one
// at a time, with their attributes, sizes and times. Names are bytes and are never decoded for
// anything but the case-insensitive comparison.
//
// A pattern is a path whose last component may hold wildcards, matched as the Windows search
// matches them: "*" is any run of characters, "?" any one, case is ignored, and a pattern ending
// in ".*" or "." also takes a name without an extension ("*.*" takes every name). "." and ".."
// are never found. A last component without wildcards names the one entry it names.

#include "Win32Types.h"

#include <cstdint>
#include <string_view>

namespace win32 {

// The first match, or INVALID_HANDLE_VALUE with the last error: ERROR_FILE_NOT_FOUND when
// nothing matches, ERROR_PATH_NOT_FOUND when the folder does not exist, or the error of
// reading it.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
// The next match; FALSE with ERROR_NO_MORE_FILES after the last.
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

} // namespace win32

namespace sondrel::platform {

// Whether `name` matches the search pattern component `pattern`, as FindFirstFileA matches.
[[nodiscard]] bool MatchesNamePattern(std::string_view name, std::string_view pattern);

// Seconds since 1970 of a file time (0 for a zero time).
[[nodiscard]] std::int64_t FileTimeToUnixSeconds(const win32::FILETIME& time);

} // namespace sondrel::platform
