#include "SparseRanges.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace sondrel::backup {

std::vector<ByteRange> AllocatedRanges(int fd, std::uint64_t size)
{
    std::vector<ByteRange> ranges;
    off_t position = 0;
    while (static_cast<std::uint64_t>(position) < size) {
        const off_t start = ::lseek(fd, position, SEEK_DATA);
        if (start < 0) {
            if (errno == ENXIO)
                break; // only a hole is left
            return { ByteRange { 0, size } };
        }
        off_t end = ::lseek(fd, start, SEEK_HOLE);
        if (end < 0)
            return { ByteRange { 0, size } };
        end = std::min<off_t>(end, static_cast<off_t>(size));
        if (end > start)
            ranges.push_back(
                { static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(end - start) });
        position = end;
    }
    return ranges;
}

} // namespace sondrel::backup
