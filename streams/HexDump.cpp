#include "HexDump.h"

namespace sondrel::streams {

namespace {

    constexpr char kHexDigits[] = "0123456789ABCDEF";

    // 0x1F is shown as itself too, not only 0x20 to 0x7E.
    constexpr bool IsShown(std::uint8_t byte) { return byte >= 0x1F && byte <= 0x7E; }

    // Writes "%04X" of `offset` (at least four upper-case digits) at `at`; returns the end.
    char* PutOffset(char* at, std::uint32_t offset)
    {
        char digits[8];
        int n = 0;
        do {
            digits[n++] = kHexDigits[offset & 0xF];
            offset >>= 4;
        } while (offset != 0);
        while (n < 4)
            digits[n++] = '0';
        while (n > 0)
            *at++ = digits[--n];
        return at;
    }

} // namespace

std::size_t WriteDumpLine(char* line, const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    char* at = PutOffset(line, offset);
    *at++ = ' ';
    *at++ = ' ';
    for (int k = 0; k < count; ++k) {
        if (k == 8) {
            *at++ = '-';
            *at++ = ' ';
        }
        *at++ = kHexDigits[bytes[k] >> 4];
        *at++ = kHexDigits[bytes[k] & 0xF];
        *at++ = ' ';
    }
    if (count <= 8) {
        *at++ = ' ';
        *at++ = ' ';
    }
    for (int k = count; k < 16; ++k) {
        *at++ = ' ';
        *at++ = ' ';
        *at++ = ' ';
    }
    *at++ = ' ';
    *at++ = '|';
    for (int k = 0; k < count; ++k)
        *at++ = IsShown(bytes[k]) ? static_cast<char>(bytes[k]) : '.';
    *at++ = '|';
    for (int k = count; k < 16; ++k)
        *at++ = ' ';
    return static_cast<std::size_t>(at - line);
}

void AppendDumpLine(std::string& out, const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    // Built in place and appended once: a 16 MB dump is a million of these lines.
    char line[kDumpMaxLineLength];
    out.append(line, WriteDumpLine(line, bytes, count, offset));
}

std::string FormatDumpLine(const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    std::string line;
    line.reserve(80);
    AppendDumpLine(line, bytes, count, offset);
    return line;
}

} // namespace sondrel::streams
