#pragma once
// The hand-written loops that several comparisons measure against, so that each stands for one
// program and not a slightly different copy per benchmark.

#include <cstdint>
#include <string>

namespace sondrel::bench {

// The calls the backup reader makes to count one regular file's streams, written out flat;
// returns the stream count, which must agree with the product's. `mountTable` is an open
// /proc/self/mountinfo, polled on ntfs-3g as the product does.
[[nodiscard]] std::uint64_t CountBySameSyscalls(const std::string& path, int mountTable);

// The process's open /proc/self/mountinfo for CountBySameSyscalls.
[[nodiscard]] int MountTableFd();

// Every name of `folder` from readdir, copied, and one lstat of each; returns a checksum of
// the name bytes and writable items, for the namespace's enumeration to agree with.
[[nodiscard]] std::size_t ReaddirStat(const std::string& folder);

// Reads up to `size` bytes of `path` into `buffer` with read(2); returns how many it read.
std::size_t ReadWholeFile(const std::string& path, std::uint8_t* buffer, std::size_t size);

} // namespace sondrel::bench
