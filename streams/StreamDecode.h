#pragma once
// The decoded view of a listed stream: its record's bytes handed to the decoders, with this
// machine's account names and, for sparse blocks, the map of the whole file.

#include "BytePath.h"
#include "Decoded.h"
#include "StreamInfo.h"

#include <vector>

namespace sondrel::streams {

// `file` is every record of the same listing in order (sparse blocks need their siblings); it
// may be empty, and then a sparse block shows without the file's map.
[[nodiscard]] decode::TDecoded DecodeRecord(
    const StreamInfo& info, const std::vector<const StreamInfo*>& file);

// Where the item at `path` came from, as one of its named streams records it (a download's
// Zone.Identifier, the xdg.origin.url attribute), or empty. Reads those attributes alone, and
// none over 64 KiB.
[[nodiscard]] std::string PathOrigin(const BytePath& path);

} // namespace sondrel::streams
