#pragma once
// Where everything stands in the hex dump: which line holds a byte, how long a line is, where a
// byte's hex digits and its character stand in its line, where a line starts in the dump's text
// (the lines joined by line feeds) and which lines a pixel band or a byte range covers. The
// formatter, the painter, the accessible text, selection, find and the companion all ask here,
// so none of them works it out again. Pure arithmetic; no allocation.

#include <algorithm>
#include <cstdint>

namespace sondrel::streams {

using DumpOffset = std::int64_t; // a byte of the content
using DumpLine = std::int64_t; // a line of the dump, from 0

constexpr int kDumpBytesPerLine = 16;
constexpr int kDumpLinePitch = 16; // pixels, whatever the font

[[nodiscard]] constexpr DumpLine DumpLineCount(DumpOffset length)
{
    return (length + kDumpBytesPerLine - 1) / kDumpBytesPerLine;
}

// The paint box height for a dump of `length` bytes: ((length - 1) div 16) x 16 + 16, the
// division truncating towards zero (so 16 for an empty dump).
[[nodiscard]] constexpr std::int64_t DumpHeight(DumpOffset length)
{
    return (length - 1) / kDumpBytesPerLine * kDumpLinePitch + kDumpLinePitch;
}

[[nodiscard]] constexpr DumpLine DumpLineAt(DumpOffset offset)
{
    return offset / kDumpBytesPerLine;
}

[[nodiscard]] constexpr DumpOffset DumpLineOffset(DumpLine line)
{
    return line * kDumpBytesPerLine;
}

// How many bytes line `line` of a `length`-byte dump shows (0 past the end).
[[nodiscard]] constexpr int DumpLineBytes(DumpLine line, DumpOffset length)
{
    return static_cast<int>(
        std::clamp<DumpOffset>(length - DumpLineOffset(line), 0, kDumpBytesPerLine));
}

// The offset prints with at least four upper-case hex digits.
[[nodiscard]] constexpr int DumpOffsetDigits(DumpLine line)
{
    int digits = 4;
    for (DumpOffset rest = DumpLineOffset(line) >> 16; rest != 0; rest >>= 4)
        ++digits;
    return digits;
}

// Every line of one offset width has the same length: a short line is padded to it.
[[nodiscard]] constexpr int DumpLineLength(DumpLine line) { return DumpOffsetDigits(line) + 71; }

// The column of the first hex digit of byte `k` (0 to 15) of line `line`.
[[nodiscard]] constexpr int DumpHexColumn(DumpLine line, int k)
{
    return DumpOffsetDigits(line) + 2 + 3 * k + (k >= 8 ? 2 : 0);
}

// The column of the opening bar of the character column.
[[nodiscard]] constexpr int DumpBarColumn(DumpLine line) { return DumpOffsetDigits(line) + 53; }

// The column of the character of byte `k` (0 to 15) of line `line`.
[[nodiscard]] constexpr int DumpCharColumn(DumpLine line, int k)
{
    return DumpBarColumn(line) + 1 + k;
}

// Where line `line` starts in the dump's text, each line followed by one line feed.
[[nodiscard]] constexpr std::int64_t DumpTextLineStart(DumpLine line)
{
    std::int64_t start = 0;
    DumpLine done = 0;
    // Lines of four digits, then five, six, ...: each width holds 16 times the lines before it.
    for (DumpLine widthEnd = 0x10000 / kDumpBytesPerLine; done < line; widthEnd *= 16) {
        const DumpLine here = std::min(line, widthEnd) - done;
        start += here * (DumpLineLength(done) + 1);
        done += here;
    }
    return start;
}

// The line whose text (or line feed) holds character `position` of the dump's text.
[[nodiscard]] constexpr DumpLine DumpTextLineAt(std::int64_t position)
{
    DumpLine done = 0;
    std::int64_t start = 0;
    for (DumpLine widthEnd = 0x10000 / kDumpBytesPerLine;; widthEnd *= 16) {
        const std::int64_t pitch = DumpLineLength(done) + 1;
        const std::int64_t widthText = (widthEnd - done) * pitch;
        if (position < start + widthText)
            return done + (position - start) / pitch;
        start += widthText;
        done = widthEnd;
    }
}

struct DumpLineRange
{
    DumpLine First = 0;
    DumpLine End = 0; // one past the last
};

// The lines of a `length`-byte dump that meet the pixel band [top, bottom), reaching `overhang`
// pixels higher for a font taller than the pitch.
[[nodiscard]] constexpr DumpLineRange DumpLinesInBand(
    std::int64_t top, std::int64_t bottom, DumpOffset length, int overhang = 0)
{
    const DumpLine first = std::max<std::int64_t>(0, (top - overhang) / kDumpLinePitch);
    const DumpLine end = std::min(DumpLineCount(length),
        std::max<std::int64_t>(0, (bottom + kDumpLinePitch - 1) / kDumpLinePitch));
    return { first, std::max(first, end) };
}

// The lines that show the bytes [from, to) of the content.
[[nodiscard]] constexpr DumpLineRange DumpLinesOfBytes(DumpOffset from, DumpOffset to)
{
    if (to <= from)
        return { DumpLineAt(from), DumpLineAt(from) };
    return { DumpLineAt(from), DumpLineAt(to - 1) + 1 };
}

} // namespace sondrel::streams
