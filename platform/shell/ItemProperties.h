#pragma once
// What the properties dialog shows of one item, gathered without reading its content: type,
// location, size, times, owner and mode, link target, file system, and its stream count as the
// backup reader counts it.

#include "BytePath.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace sondrel::platform {

struct ItemProperties
{
    BytePath Path;
    std::string Name; // bytes, decoded only for display
    std::string Type; // UTF-8, in the user's language
    BytePath Location; // the folder holding it
    bool Folder = false;
    std::uint64_t Size = 0; // of a file (a link: of its target)
    std::uint64_t Allocated = 0;
    timespec Modified {};
    timespec Accessed {};
    timespec Changed {};
    std::string Owner; // user name, or the number
    std::string Group;
    unsigned Mode = 0;
    std::string ModeText; // "-rw-r--r--"
    bool Link = false;
    BytePath LinkTarget;
    std::string FileSystem; // "ext4", "fuseblk", ...
    BytePath MountPoint;
    int StreamCount = -1; // -1: could not be counted
    std::string Error; // why the item could not be read, or empty
};

[[nodiscard]] ItemProperties GatherProperties(const BytePath& path);

// "drwxr-x---" for a mode of stat.
[[nodiscard]] std::string ModeText(unsigned mode);

} // namespace sondrel::platform
