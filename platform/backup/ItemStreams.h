#pragma once
// The streams of one item, in Windows' order: security, data (or sparse blocks), extended
// attributes, named data streams, then reparse data and object id. Only sizes are found here;
// contents are read when the backup read reaches them.

#include "BackupItem.h"
#include "BackupStream.h"

#include <memory>

namespace sondrel::backup {

struct CollectedStreams
{
    BackupStreams Streams;
    // Why the streams end early: the item's xattr names could not be listed (0 when they were).
    win32::DWORD Failure = 0;
};

[[nodiscard]] CollectedStreams CollectStreams(
    const std::shared_ptr<const BackupItem>& item, bool processSecurity);

} // namespace sondrel::backup
