#pragma once
// The material the benchmarks read: folders of small files with a few user.* xattrs, and one
// file with a 16 MB data stream. Made once, reused when it is already there.

#include <string>
#include <vector>

namespace sondrel::bench {

struct Material
{
    std::vector<std::string> Files; // the files to count, in creation order
};

// `count` files of a few bytes, each with three user.* xattrs, in `folder` (created if absent).
// Returns an empty list and sets `problem` when the folder cannot be filled.
[[nodiscard]] Material MakeXattrFiles(const std::string& folder, int count, std::string& problem);

// `count` empty files in `folder` (created if absent), names in the order of their numbers.
[[nodiscard]] bool MakeEmptyFiles(const std::string& folder, int count, std::string& problem);

// A file of `size` pseudo-random bytes at `path`, made unless it already has that size.
[[nodiscard]] bool MakeBigFile(const std::string& path, std::size_t size, std::string& problem);

// Reads `path` once so that its pages are in the cache for every later read.
void WarmPageCache(const std::string& path);

} // namespace sondrel::bench
