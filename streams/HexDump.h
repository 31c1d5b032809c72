#pragma once
// The text of the hex dump: one line per 16 bytes, offset, hex bytes, characters; and the
// geometry the content pane takes from it (a line every 16 pixels).

#include <cstdint>
#include <string>

namespace sondrel::streams {

constexpr int kDumpBytesPerLine = 16;
constexpr int kDumpLinePitch = 16; // pixels, whatever the font

// One line for `count` (1 to 16) bytes whose first is at `offset`.
[[nodiscard]] std::string FormatDumpLine(
    const std::uint8_t* bytes, int count, std::uint32_t offset);

// The same, appended to `out`: for callers that format many lines into one buffer.
void AppendDumpLine(std::string& out, const std::uint8_t* bytes, int count, std::uint32_t offset);

// The paint box height for a dump of `length` bytes: ((length - 1) div 16) x 16 + 16, the
// division truncating towards zero (so 16 for an empty dump).
[[nodiscard]] constexpr std::int64_t DumpHeight(std::int64_t length)
{
    return (length - 1) / kDumpBytesPerLine * kDumpLinePitch + kDumpLinePitch;
}

[[nodiscard]] constexpr std::int64_t DumpLineCount(std::int64_t length)
{
    return (length + kDumpBytesPerLine - 1) / kDumpBytesPerLine;
}

} // namespace sondrel::streams
