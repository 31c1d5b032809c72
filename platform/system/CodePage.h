#pragma once
// The system code page of this platform is UTF-8. Linux names are bytes that need not be UTF-8,
// so the conversion to UTF-16 carries each byte of an invalid sequence as a lone surrogate
// U+DC80..U+DCFF, and the conversion back turns exactly those into the original bytes again.

#include "Win32Types.h"

#include <string>
#include <string_view>

namespace win32 {

constexpr unsigned CP_ACP = 0;
constexpr unsigned CP_UTF8 = 65001;

// Windows' signature: with `multiByteSize` 0 returns the size needed; otherwise the bytes written
// (0 and ERROR_INSUFFICIENT_BUFFER when they do not fit). `wideLength` -1 means zero-terminated.
int WideCharToMultiByte(unsigned codePage, DWORD flags, const WCHAR* wide, int wideLength,
    LPSTR multiByte, int multiByteSize, LPCSTR defaultChar, BOOL* usedDefaultChar);

[[nodiscard]] std::string WideToAnsi(std::u16string_view wide);
[[nodiscard]] std::u16string AnsiToWide(std::string_view bytes);
// The same, appended to `out`.
void AppendAnsiAsWide(std::u16string& out, std::string_view bytes);

} // namespace win32
