#include "CodePage.h"

#include "Win32Error.h"

#include <cstring>

namespace win32 {

namespace {

    void AppendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // Length of the valid UTF-8 sequence at `s` (1 to 4), or 0 when it is not one.
    std::size_t ValidSequence(std::string_view s, char32_t& c)
    {
        const auto b0 = static_cast<unsigned char>(s[0]);
        if (b0 < 0x80) {
            c = b0;
            return 1;
        }
        std::size_t length = 0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2, c = b0 & 0x1F, min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3, c = b0 & 0x0F, min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4, c = b0 & 0x07, min = 0x10000;
        } else {
            return 0;
        }
        if (s.size() < length)
            return 0;
        for (std::size_t i = 1; i < length; ++i) {
            const auto b = static_cast<unsigned char>(s[i]);
            if ((b & 0xC0) != 0x80)
                return 0;
            c = (c << 6) | (b & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (c < min || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return 0;
        return length;
    }

} // namespace

std::u16string AnsiToWide(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    AppendAnsiAsWide(out, bytes);
    return out;
}

void AppendAnsiAsWide(std::u16string& out, std::string_view bytes)
{
    // Names are nearly always ASCII: those bytes widen as they are, without decoding.
    std::size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    const std::size_t at = out.size();
    out.resize(at + ascii);
    for (std::size_t i = 0; i < ascii; ++i)
        out[at + i] = static_cast<char16_t>(bytes[i]);
    bytes.remove_prefix(ascii);
    while (!bytes.empty()) {
        char32_t c = 0;
        std::size_t length = ValidSequence(bytes, c);
        if (length == 0) {
            out += static_cast<char16_t>(0xDC00 | static_cast<unsigned char>(bytes[0]));
            length = 1;
        } else if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 | (c >> 10));
            out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        bytes.remove_prefix(length);
    }
}

std::string WideToAnsi(std::u16string_view wide)
{
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t u = wide[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00
            && wide[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u & 0xFF); // a byte that was not UTF-8
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

int WideCharToMultiByte(unsigned /*codePage*/, DWORD /*flags*/, const WCHAR* wide, int wideLength,
    LPSTR multiByte, int multiByteSize, LPCSTR /*defaultChar*/, BOOL* usedDefaultChar)
{
    if (wide == nullptr || multiByteSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    std::u16string_view source = wideLength < 0
        ? std::u16string_view(wide, std::char_traits<char16_t>::length(wide) + 1)
        : std::u16string_view(wide, static_cast<std::size_t>(wideLength));
    const std::string converted = WideToAnsi(source);
    if (multiByteSize == 0)
        return static_cast<int>(converted.size());
    if (converted.size() > static_cast<std::size_t>(multiByteSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(multiByte, converted.data(), converted.size());
    return static_cast<int>(converted.size());
}

} // namespace win32
