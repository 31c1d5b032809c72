#include "HexDump.h"

namespace sondrel::streams {

namespace {

    constexpr char kHexDigits[] = "0123456789ABCDEF";

    // 0x1F is shown as itself too, not only 0x20 to 0x7E.
    constexpr bool IsShown(std::uint8_t byte) { return byte >= 0x1F && byte <= 0x7E; }

    void AppendOffset(std::string& out, std::uint32_t offset)
    {
        // "%04X": at least four upper-case digits.
        char digits[8];
        int n = 0;
        do {
            digits[n++] = kHexDigits[offset & 0xF];
            offset >>= 4;
        } while (offset != 0);
        while (n < 4)
            digits[n++] = '0';
        while (n > 0)
            out += digits[--n];
    }

} // namespace

void AppendDumpLine(std::string& out, const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    AppendOffset(out, offset);
    out += "  ";
    for (int k = 0; k < count; ++k) {
        if (k == 8)
            out += "- ";
        out += kHexDigits[bytes[k] >> 4];
        out += kHexDigits[bytes[k] & 0xF];
        out += ' ';
    }
    if (count <= 8)
        out += "  ";
    out.append(static_cast<std::size_t>(3 * (16 - count)), ' ');
    out += " |";
    for (int k = 0; k < count; ++k)
        out += IsShown(bytes[k]) ? static_cast<char>(bytes[k]) : '.';
    out += '|';
    out.append(static_cast<std::size_t>(16 - count), ' ');
}

std::string FormatDumpLine(const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    std::string line;
    line.reserve(80);
    AppendDumpLine(line, bytes, count, offset);
    return line;
}

} // namespace sondrel::streams
