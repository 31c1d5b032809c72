#pragma once
// Drawing the hex dump onto a canvas: line i at y = 16 x i, in the canvas's font. Only the lines
// that meet the area being painted are drawn, so a paint costs the same for any stream length.

#include "Canvas.h"
#include "ListItem.h"

#include <cstdint>

namespace sondrel::streams {

// Draws the lines of the first `length` bytes of `data` that meet the canvas's clip rectangle.
void PaintDump(framework::TCanvas& canvas, const std::uint8_t* data, std::uint32_t length);

// Draws the dump of the stream behind a stream-list item and returns the dump's length in bytes:
// the content that was loaded, at most 16 MB. Draws nothing and returns 0 without an item.
std::uint32_t DumpStream(framework::TCanvas& canvas, const framework::TListItem* item);

} // namespace sondrel::streams
