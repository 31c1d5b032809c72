#include "DecodeText.h"

#include <cstdio>
#include <ctime>

namespace sondrel::streams::decode {

std::string Hex(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t length, std::size_t limit)
{
    std::string out;
    const std::size_t shown = length < limit ? length : limit;
    out.reserve(shown * 3 + 24);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < shown; ++i) {
        if (i)
            out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    if (shown < length)
        out += " … (" + std::to_string(length) + " bytes)";
    return out;
}

std::string Guid(const std::uint8_t* b)
{
    char text[40];
    std::snprintf(text, sizeof text,
        "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2], b[1],
        b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

namespace {

    void AppendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // Decodes UTF-16 of either order; false at an unpaired surrogate when `strict`.
    bool DecodeUtf16(const std::uint8_t* bytes, std::size_t units, bool bigEndian, bool strict,
        std::u32string& out)
    {
        auto unit = [&](std::size_t i) -> char16_t {
            const std::uint8_t a = bytes[2 * i];
            const std::uint8_t b = bytes[2 * i + 1];
            return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
        };
        for (std::size_t i = 0; i < units; ++i) {
            const char16_t c = unit(i);
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00
                && unit(i + 1) <= 0xDFFF) {
                out += static_cast<char32_t>(
                    0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                if (strict)
                    return false;
                out += U'\uFFFD';
            } else {
                out += c;
            }
        }
        return true;
    }

    bool Printable(char32_t c)
    {
        return c >= 0x20 ? !(c >= 0x7F && c < 0xA0) : c == '\t' || c == '\n' || c == '\r';
    }

    // Decodes UTF-8 strictly (no overlongs, surrogates or values past U+10FFFF).
    bool DecodeUtf8(std::string_view s, std::u32string* out)
    {
        std::size_t i = 0;
        while (i < s.size()) {
            const auto b = static_cast<unsigned char>(s[i]);
            int extra = 0;
            char32_t c = 0;
            char32_t least = 0;
            if (b < 0x80) {
                c = b;
            } else if ((b & 0xE0) == 0xC0) {
                extra = 1, c = b & 0x1F, least = 0x80;
            } else if ((b & 0xF0) == 0xE0) {
                extra = 2, c = b & 0x0F, least = 0x800;
            } else if ((b & 0xF8) == 0xF0) {
                extra = 3, c = b & 0x07, least = 0x10000;
            } else {
                return false;
            }
            if (s.size() - i <= static_cast<std::size_t>(extra) && extra > 0)
                return false;
            for (int k = 1; k <= extra; ++k) {
                const auto n = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
                if ((n & 0xC0) != 0x80)
                    return false;
                c = c << 6 | (n & 0x3F);
            }
            if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
                return false;
            if (out)
                *out += c;
            i += static_cast<std::size_t>(extra) + 1;
        }
        return true;
    }

    bool AllPrintable(const std::u32string& text)
    {
        for (char32_t c : text)
            if (!Printable(c))
                return false;
        return true;
    }

    std::string ToUtf8(const std::u32string& text)
    {
        std::string out;
        out.reserve(text.size());
        for (char32_t c : text)
            AppendUtf8(out, c);
        return out;
    }

} // namespace

std::string Utf16ToUtf8(const std::uint8_t* bytes, std::size_t units)
{
    std::u32string text;
    (void)DecodeUtf16(bytes, units, false, false, text);
    return ToUtf8(text);
}

bool IsUtf8(std::string_view bytes) { return DecodeUtf8(bytes, nullptr); }

std::optional<TText> AsText(const std::uint8_t* bytes, std::size_t length)
{
    if (!bytes || length == 0)
        return std::nullopt;
    std::u32string text;
    auto utf16 = [&](std::size_t skip, bool bigEndian, const char* name,
                     bool marked) -> std::optional<TText> {
        std::size_t units = (length - skip) / 2;
        if ((length - skip) % 2 != 0)
            return std::nullopt;
        // A UTF-16 text may end with a NUL unit.
        const std::uint8_t* start = bytes + skip;
        if (units > 0 && start[2 * units - 1] == 0 && start[2 * units - 2] == 0)
            --units;
        text.clear();
        if (units == 0 || !DecodeUtf16(start, units, bigEndian, true, text) || !AllPrintable(text))
            return std::nullopt;
        // Without a mark almost any even run of bytes decodes to something; such text is
        // believed only when at least half of it is Latin.
        if (!marked) {
            std::size_t latin = 0;
            for (char32_t c : text)
                latin += c < 0x100 ? 1 : 0;
            if (latin * 2 < text.size())
                return std::nullopt;
        }
        return TText { name, ToUtf8(text) };
    };
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        const std::size_t end = bytes[length - 1] == 0 ? length - 1 : length;
        if (!DecodeUtf8(std::string_view(reinterpret_cast<const char*>(bytes) + 3, end - 3), &text)
            || !AllPrintable(text))
            return std::nullopt;
        return TText { "UTF-8 with byte order mark", ToUtf8(text) };
    }
    if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return utf16(2, false, "UTF-16LE with byte order mark", true);
    if (length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        return utf16(2, true, "UTF-16BE with byte order mark", true);
    // One trailing NUL is an end marker, not content.
    const std::size_t textLength = bytes[length - 1] == 0 ? length - 1 : length;
    const std::string_view view(reinterpret_cast<const char*>(bytes), textLength);
    text.clear();
    if (textLength > 0 && DecodeUtf8(view, &text) && AllPrintable(text))
        return TText { "UTF-8", std::string(view) };
    if (auto le = utf16(0, false, "UTF-16LE", false))
        return le;
    return utf16(0, true, "UTF-16BE", false);
}

std::string ValueText(const std::uint8_t* bytes, std::size_t length)
{
    if (length == 0)
        return "(empty)";
    if (auto text = AsText(bytes, length)) {
        std::string out;
        for (char c : text->Utf8) {
            if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else if (c == '\t')
                out += "\\t";
            else
                out += c;
        }
        return '"' + out + '"';
    }
    return HexBytes(bytes, length);
}

std::string UnixTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (!gmtime_r(&t, &tm))
        return std::to_string(seconds) + " s";
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    std::string out = text;
    if (nanoseconds >= 0) {
        char frac[16];
        std::snprintf(
            frac, sizeof frac, ".%09lld", static_cast<long long>(nanoseconds % 1000000000));
        out += frac;
    }
    return out + " UTC";
}

} // namespace sondrel::streams::decode
