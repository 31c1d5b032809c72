#pragma once
// The streams of one item of an NTFS volume read out of an image, in the order the backup
// reader gives them: the security descriptor (from $Secure), the unnamed $DATA (as sparse
// blocks where the volume keeps holes), the $EA list, every named $DATA whole, the
// $REPARSE_POINT and the $OBJECT_ID. Small ones are read here; data is read when reached.

#include "BackupSource.h"
#include "ItemStreams.h"
#include "NtfsVolume.h"

#include <cstdint>
#include <memory>

namespace sondrel::image {

// Takes the volume's lock. A count learns the sizes the records carry and reads no content.
[[nodiscard]] backup::CollectedStreams CollectNtfsStreams(const std::shared_ptr<NtfsVolume>& volume,
    std::uint64_t record, bool countOnly, bool processSecurity);

// The named $DATA `name` of the item at `path` ("/" the root) with its whole size; nothing when
// the item or the stream is not there. Takes the volume's lock.
[[nodiscard]] std::optional<backup::WholeStream> NamedNtfsStream(
    const std::shared_ptr<NtfsVolume>& volume, const std::string& path, const std::u16string& name);

} // namespace sondrel::image
