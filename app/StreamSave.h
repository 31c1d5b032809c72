#pragma once
// Saving one stream of a file whole into a file of its own: read afresh from the file in pieces
// (never only the 16 MB shown). A new file is made exclusively and removed again when the copy
// fails; a file being replaced is written beside it and put in place only once every byte
// arrived. Either way a failure leaves no partial file and loses no file.

#include "BytePath.h"
#include "StreamInfo.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace sondrel::app {

// Told the bytes written so far; returns false to cancel.
using TSaveProgress = std::function<bool(std::uint64_t written, std::uint64_t size)>;

// Writes the content of stream `index` of `source` to `target` (replacing it only once the
// whole content is written). `listed` is the stream as it was listed: a stream that is no longer
// the same kind and name is refused. Returns the reason when nothing was saved, empty on success.
[[nodiscard]] QString SaveStream(const BytePath& source, std::uint64_t index,
    const streams::StreamInfo& listed, const QString& target, const TSaveProgress& progress = {});

// The reason SaveStream gives when its progress told it to stop: the user's own choice, which
// needs no message.
[[nodiscard]] QString SaveCancelledText();

// A file name for a stream: its caption without characters a file name cannot hold, or the
// file's own name with the stream's kind for streams without a name.
[[nodiscard]] QString StreamFileName(const BytePath& source, const streams::StreamInfo& info);

} // namespace sondrel::app
