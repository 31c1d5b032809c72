#pragma once
// Drawing the hex dump onto a canvas: line i at y = 16 x i, in the canvas's font. Only the lines
// that meet the area being painted are drawn, so a paint costs the same for any stream length.

#include "Canvas.h"
#include "ListItem.h"
#include "StreamInfo.h"

#include <cstdint>
#include <string>

namespace sondrel::streams {

// The selected bytes [From, To) of a dump, drawn in the highlight colours over both the hex and
// the character columns.
struct TDumpHighlight
{
    std::uint64_t From = 0;
    std::uint64_t To = 0;
};

// Draws the lines of the first `length` bytes of `data` that meet the canvas's clip rectangle,
// the bytes of `highlight` (if any) highlighted.
void PaintDump(framework::TCanvas& canvas, const std::uint8_t* data, std::uint32_t length,
    const TDumpHighlight& highlight = {});

// Draws the dump of the stream behind a stream-list item and returns the dump's length in bytes:
// the content that was loaded, at most 16 MB. Draws nothing and returns 0 without an item. A
// stream whose content could not be read whole gets one more line after its dump saying why,
// so that a missing content never looks like an empty one.
std::uint32_t DumpStream(framework::TCanvas& canvas, const framework::TListItem* item,
    const TDumpHighlight& highlight = {});

// The height of the pane that shows DumpStream's drawing of `item`: the dump's height, and the
// line saying why when the dump is short of the stream's content and has lines of its own.
[[nodiscard]] std::int64_t DumpPaneHeight(const framework::TListItem* item);

// The line saying why a stream's content is missing or short; empty when it is whole.
[[nodiscard]] std::string DumpReasonLine(const StreamInfo* info);

} // namespace sondrel::streams
