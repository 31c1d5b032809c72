#pragma once
// The version library's calls over a program file's version resource. On this platform the
// resource is the Windows version-information block (VersionInfo.h) that the build embeds in the
// executable as the ELF section kVersionSection (cmake/SondrelVersion.cmake); the calls read it
// back from the file, which is untrusted like any file.
//
// As on Windows, GetFileVersionInfoA's buffer holds the block followed by room into which
// VerQueryValueA writes the ANSI (UTF-8) copies of the strings it is asked for, so a string
// answer points into the caller's buffer and lives as long as it.

#include "VersionInfo.h"
#include "Win32Types.h"

namespace sondrel::platform {

inline constexpr char kVersionSection[] = ".sondrel.version";

// The running program's own file: the image the process was started from, even if its path has
// been replaced since.
[[nodiscard]] const char* ProgramFileName();

} // namespace sondrel::platform

namespace win32 {

constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// The buffer size GetFileVersionInfoA needs for `fileName`, or 0 with the last error set: the
// file's own error, ERROR_BAD_FORMAT for a file that is no ELF file, ERROR_RESOURCE_TYPE_NOT_FOUND
// when it has no version resource, ERROR_INVALID_DATA when the resource is malformed. `handle`
// (may be null) is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);

// Fills `data` with the version information of `fileName`. Fails (ERROR_INSUFFICIENT_BUFFER,
// nothing written) when `length` is below what GetFileVersionInfoSizeA answered, rather than
// handing out a block cut short.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);

// Looks `subBlock` up in a buffer filled by GetFileVersionInfoA. A binary value is answered with
// its size in bytes, a string with its length in characters, its terminating zero included.
BOOL VerQueryValueA(const void* block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

} // namespace win32
