#pragma once
// Extended attributes of one item, reached through its open descriptor, its path (following
// symbolic links) or its path without following (the link itself). Results carry errno values.

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::backup {

struct XattrTarget
{
    int Fd = -1; // used when >= 0
    // Borrowed, and kept by its owner while the target is used: a count makes several targets
    // of each item, and a copy of the path each was an allocation.
    const char* Path = "";
    bool FollowLinks = true;
    // When >= 0 (and Fd is not), names are listed relative to this folder descriptor, by the
    // part of Path from NameAt on.
    int DirFd = -1;
    std::size_t NameAt = 0;
};

// The names, in the order the file system lists them. Returns 0 or errno.
[[nodiscard]] int ListXattrs(const XattrTarget& target, std::vector<std::string>& names);

// The value's size; -errno on failure.
[[nodiscard]] std::int64_t XattrSize(const XattrTarget& target, const char* name);

// The whole value, size asked first (ntfs-3g answers a short buffer with EIO, not ERANGE).
// Returns 0 or errno.
[[nodiscard]] int ReadXattr(
    const XattrTarget& target, const char* name, std::vector<std::uint8_t>& value);

// A value known to be small, read straight into `value` without asking its size first; the
// bytes read, or -errno (ERANGE or, on ntfs-3g, EIO when it is longer than `size`).
[[nodiscard]] std::int64_t ReadSmallXattr(
    const XattrTarget& target, const char* name, void* value, std::size_t size);

} // namespace sondrel::backup
