#pragma once
// The Win32 scalar types and constants that the ported code is written against. They live in
// their own namespace so that nothing else on Linux (X11's BOOL, for one) can collide with them.

#include <cstdint>

namespace win32 {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using LONGLONG = std::int64_t;
using BOOL = int;
using WCHAR = char16_t;
using LPVOID = void*;
using LPCSTR = const char*;
using LPSTR = char*;
using HANDLE = void*;
using LANGID = WORD;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Windows' INVALID_HANDLE_VALUE is (HANDLE)-1; a null handle is never a valid one either.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t { 0 });

struct LARGE_INTEGER
{
    LONGLONG QuadPart = 0;
};

constexpr int MAX_PATH = 260;

// File attributes, as a folder search reports them.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// A time as 100-nanosecond intervals since 1601-01-01 UTC, split into halves.
struct FILETIME
{
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

struct WIN32_FIND_DATAA
{
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    char cFileName[MAX_PATH] = {};
    char cAlternateFileName[14] = {};
};

} // namespace win32
