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

} // namespace win32
