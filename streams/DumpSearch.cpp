#include "DumpSearch.h"

#include <algorithm>
#include <cstring>

namespace sondrel::streams {

namespace {

    int HexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    std::string_view Trimmed(std::string_view text)
    {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        return text;
    }

} // namespace

std::optional<std::uint64_t> FindBytes(const std::uint8_t* data, std::uint64_t length,
    std::string_view pattern, std::uint64_t from, bool forward)
{
    const std::size_t n = pattern.size();
    if (n == 0 || !data || n > length)
        return std::nullopt;
    if (forward) {
        if (from > length - n)
            return std::nullopt;
        // The C library's search is the fastest there is for one pattern over plain bytes.
        const void* found = ::memmem(data + from, length - from, pattern.data(), n);
        if (!found)
            return std::nullopt;
        return static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(found) - data);
    }
    // Backward: the last start before `from`, found by its first byte from the end.
    std::uint64_t end = std::min(from, length - n + 1); // starts below `end` qualify
    const auto first = static_cast<unsigned char>(pattern[0]);
    while (end > 0) {
        const void* hit = ::memrchr(data, first, end);
        if (!hit)
            return std::nullopt;
        const auto at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (std::memcmp(data + at, pattern.data(), n) == 0)
            return at;
        end = at;
    }
    return std::nullopt;
}

std::optional<std::string> ParseHexBytes(std::string_view text)
{
    std::string bytes;
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (high >= 0)
                return std::nullopt; // a lone digit before a gap is no byte
            continue;
        }
        const int value = HexValue(c);
        if (value < 0)
            return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high << 4 | value);
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty())
        return std::nullopt;
    return bytes;
}

std::optional<std::uint64_t> ParseDumpOffset(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 16)
        return std::nullopt;
    std::uint64_t offset = 0;
    for (const char c : text) {
        const int value = HexValue(c);
        if (value < 0)
            return std::nullopt;
        offset = offset << 4 | static_cast<std::uint64_t>(value);
    }
    return offset;
}

} // namespace sondrel::streams
