#pragma once
// The allocated ranges of a file, from SEEK_DATA and SEEK_HOLE.

#include <cstdint>
#include <vector>

namespace sondrel::backup {

struct ByteRange
{
    std::uint64_t Start = 0;
    std::uint64_t Length = 0;
};

// In file order and inside [0, size). A file system that cannot tell holes gives one range.
[[nodiscard]] std::vector<ByteRange> AllocatedRanges(int fd, std::uint64_t size);

} // namespace sondrel::backup
