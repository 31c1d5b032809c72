#pragma once
// A walk over a whole volume served by a registered source, as a user's recursive listing
// reads it: every folder listed, every item's streams read through to their ends. Shared by
// the tests of damaged images and their fuzz target; it only needs to end, not to succeed.

#include <cstddef>
#include <string>

namespace sondrel::test {

struct VolumeWalkResult
{
    std::size_t Items = 0; // items opened
    std::size_t Failures = 0; // folders that could not be listed, items not read to the end
};

// Walks from `root` depth first, opening at most `limit` items.
[[nodiscard]] VolumeWalkResult WalkVolume(const std::string& root, std::size_t limit);

} // namespace sondrel::test
