#pragma once
// The text of the hex dump: one line per 16 bytes, offset, hex bytes, characters. Where each
// piece stands is DumpGeometry's.

#include "DumpGeometry.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::streams {

// One line for `count` (1 to 16) bytes whose first is at `offset`.
[[nodiscard]] std::string FormatDumpLine(
    const std::uint8_t* bytes, int count, std::uint32_t offset);

// The longest line WriteDumpLine writes: eight offset digits.
constexpr std::size_t kDumpMaxLineLength = 8 + 71;

// The same, written at `out` (room for kDumpMaxLineLength); returns the characters written.
std::size_t WriteDumpLine(char* out, const std::uint8_t* bytes, int count, std::uint32_t offset);

// The lines of `count` bytes whose first is at `offset` (a multiple of 16), each followed by
// a line feed, written at `out` (room for DumpLineCount(count) x (kDumpMaxLineLength + 1));
// returns the characters written.
std::size_t WriteDumpLines(
    char* out, const std::uint8_t* bytes, std::size_t count, std::uint32_t offset);

// The same, appended to `out`: for callers that format many lines into one buffer.
void AppendDumpLine(std::string& out, const std::uint8_t* bytes, int count, std::uint32_t offset);

} // namespace sondrel::streams
