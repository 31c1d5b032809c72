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
    // Each hex pair is stored with its following space and one spare byte, so that a byte's
    // column goes out in one four-byte store (the spare is overwritten by what follows).
    struct DumpTables
    {
        std::array<char, 1024> HexColumns {};
        std::array<char, 256> Shown {};
    };

    constexpr DumpTables MakeTables()
    {
        DumpTables tables;
        for (int b = 0; b < 256; ++b) {
            tables.HexColumns[4 * b] = kHexDigits[b >> 4];
            tables.HexColumns[4 * b + 1] = kHexDigits[b & 0xF];
            tables.HexColumns[4 * b + 2] = ' ';
            tables.HexColumns[4 * b + 3] = ' ';
            tables.Shown[b] = IsShown(static_cast<std::uint8_t>(b)) ? static_cast<char>(b) : '.';
        }
        return tables;
    }

    constexpr DumpTables kTables = MakeTables();

    // Writes `offset` as `digits` upper-case hex digits at `at`; returns the end.
    char* PutOffset(char* at, std::uint32_t offset, int digits)
    {
        for (int k = digits - 1; k >= 0; --k) {
            at[k] = kHexDigits[offset & 0xF];
            offset >>= 4;
        }
        return at + digits;
    }

    // "%04X" of `offset`: at least four digits.
    char* PutOffset(char* at, std::uint32_t offset)
    {
        return PutOffset(at, offset, DumpOffsetDigits(DumpLineAt(offset)));
    }

    // The two digits and the space; writes one byte beyond them, which the caller overwrites.
    char* PutHexColumn(char* at, std::uint8_t byte)
    {
        std::memcpy(at, &kTables.HexColumns[4 * byte], 4);
        return at + 3;
    }

    char* PutHex(char* at, std::uint8_t byte)
    {
        std::memcpy(at, &kTables.HexColumns[4 * byte], 3);
        return at + 3;
    }

    // A line of all 16 bytes, the common case, without the short line's branches; its offset
    // has `digits` digits.
    char* PutFullLine(char* at, const std::uint8_t* bytes, std::uint32_t offset, int digits)
    {
        at = PutOffset(at, offset, digits);
        at[0] = ' ';
        at[1] = ' ';
        at += 2;
        for (int k = 0; k < 8; ++k)
            at = PutHexColumn(at, bytes[k]);
        at[0] = '-';
        at[1] = ' ';
        at += 2;
        for (int k = 8; k < 16; ++k)
            at = PutHexColumn(at, bytes[k]);
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
        return static_cast<std::size_t>(
            PutFullLine(line, bytes, offset, DumpOffsetDigits(DumpLineAt(offset))) - line);
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
    // The offsets' width changes only at 64 KiB, 1 MiB and so on: it is worked out once for
    // each run of lines of one width.
    while (k + kDumpBytesPerLine <= count) {
        const std::uint64_t first = offset + static_cast<std::uint32_t>(k);
        const int digits = DumpOffsetDigits(DumpLineAt(static_cast<std::uint32_t>(first)));
        const std::uint64_t widthEnds = std::uint64_t { 1 } << (4 * digits);
        do {
            at = PutFullLine(at, bytes + k, offset + static_cast<std::uint32_t>(k), digits);
            *at++ = '\n';
            k += kDumpBytesPerLine;
        } while (k + kDumpBytesPerLine <= count && offset + k < widthEnds);
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
