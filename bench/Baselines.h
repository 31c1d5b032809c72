#pragma once
// The hand-written loops that several comparisons measure against, so that each stands for one
// program and not a slightly different copy per benchmark.

#include <cstdint>
#include <string>

namespace sondrel::bench {

// The calls that carry a regular file's stream count, written out flat: one fstatat of `name`
// in the open folder `folder` and one listing of its xattr names (on ntfs-3g, when `ntfs3g`, the
// probes of its metadata too); returns the stream count, which must agree with the product's.
[[nodiscard]] std::uint64_t CountByNeededCalls(
    int folder, const char* name, const std::string& path, bool ntfs3g);

// The xattr names of `name` in the open folder `folder` (`path` is the same item by its whole
// path): listxattrat resolves the one name where the kernel has it (Linux 6.13), as the product
// does inside a folder; older kernels take the path. Links are not followed.
[[nodiscard]] long ListNamesAt(
    int folder, const char* name, const std::string& path, char* names, std::size_t size);

// Whether `path` lies on a FUSE file system (as ntfs-3g mounts do).
[[nodiscard]] bool OnFuse(const std::string& path);

// Every name of `folder` from readdir, copied, and one lstat of each; returns a checksum of
// the name bytes and writable items, for the namespace's enumeration to agree with.
[[nodiscard]] std::size_t ReaddirStat(const std::string& folder);

// Registers `name` as a benchmark of ReaddirStat over `folder`, with `items` counted per pass
// when it is given: the one readdir + lstat baseline the shell benchmarks compare with.
void RegisterReaddirStat(
    const std::string& name, const std::string& folder, std::int64_t items = 0);

// Reads up to `size` bytes of `path` into `buffer` with read(2); returns how many it read.
std::size_t ReadWholeFile(const std::string& path, std::uint8_t* buffer, std::size_t size);

} // namespace sondrel::bench
