#include "HexDump.h"

#include <array>
#include <cstring>

namespace sondrel::streams {

namespace {

    constexpr char kHexDigits[] = "0123456789ABCDEF";

    // 0x1F is shown as itself too, not only 0x20 to 0x7E.
    constexpr bool IsShown(std::uint8_t byte) { return byte >= 0x1F && byte <= 0x7E; }

    // Every byte's two hex digits and its character, looked up rather than worked out: a 16 MB
    // dump formats a million lines, and the lookups are what keep it at a plain table program.
    struct DumpTables
    {
        std::array<char, 512> HexPairs {};
        std::array<char, 256> Shown {};
    };

    constexpr DumpTables MakeTables()
    {
        DumpTables tables;
        for (int b = 0; b < 256; ++b) {
            tables.HexPairs[2 * b] = kHexDigits[b >> 4];
            tables.HexPairs[2 * b + 1] = kHexDigits[b & 0xF];
            tables.Shown[b] = IsShown(static_cast<std::uint8_t>(b)) ? static_cast<char>(b) : '.';
        }
        return tables;
    }

    constexpr DumpTables kTables = MakeTables();

    // Writes "%04X" of `offset` (at least four upper-case digits) at `at`; returns the end.
    char* PutOffset(char* at, std::uint32_t offset)
    {
        const int digits = DumpOffsetDigits(DumpLineAt(offset));
        for (int k = digits - 1; k >= 0; --k) {
            at[k] = kHexDigits[offset & 0xF];
            offset >>= 4;
        }
        return at + digits;
    }

    char* PutHex(char* at, std::uint8_t byte)
    {
        std::memcpy(at, &kTables.HexPairs[2 * byte], 2);
        at[2] = ' ';
        return at + 3;
    }

    // A line of all 16 bytes, the common case, without the short line's branches.
    char* PutFullLine(char* at, const std::uint8_t* bytes, std::uint32_t offset)
    {
        at = PutOffset(at, offset);
        at[0] = ' ';
        at[1] = ' ';
        at += 2;
        for (int k = 0; k < 8; ++k)
            at = PutHex(at, bytes[k]);
        at[0] = '-';
        at[1] = ' ';
        at += 2;
        for (int k = 8; k < 16; ++k)
            at = PutHex(at, bytes[k]);
        at[0] = ' ';
        at[1] = '|';
        at += 2;
        for (int k = 0; k < 16; ++k)
            at[k] = kTables.Shown[bytes[k]];
        at[16] = '|';
        return at + 17;
    }

} // namespace

std::size_t WriteDumpLine(char* line, const std::uint8_t* bytes, int count, std::uint32_t offset)
{
    if (count == kDumpBytesPerLine)
        return static_cast<std::size_t>(PutFullLine(line, bytes, offset) - line);
    char* at = PutOffset(line, offset);
    *at++ = ' ';
    *at++ = ' ';
    for (int k = 0; k < count; ++k) {
        if (k == 8) {
            *at++ = '-';
            *at++ = ' ';
        }
        at = PutHex(at, bytes[k]);
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
        *at++ = kTables.Shown[bytes[k]];
    *at++ = '|';
    for (int k = count; k < 16; ++k)
        *at++ = ' ';
    return static_cast<std::size_t>(at - line);
}

std::size_t WriteDumpLines(
    char* out, const std::uint8_t* bytes, std::size_t count, std::uint32_t offset)
{
    char* at = out;
    std::size_t k = 0;
    for (; k + kDumpBytesPerLine <= count; k += kDumpBytesPerLine) {
        at = PutFullLine(at, bytes + k, offset + static_cast<std::uint32_t>(k));
        *at++ = '\n';
    }
    if (k < count) {
        at += WriteDumpLine(
            at, bytes + k, static_cast<int>(count - k), offset + static_cast<std::uint32_t>(k));
        *at++ = '\n';
    }
    return static_cast<std::size_t>(at - out);
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
