#pragma once
// Listing a folder by its raw entry names (names that are not valid UTF-8 included).

#include "BytePath.h"

#include <vector>

namespace sondrel::platform {

struct DirectoryEntry
{
    std::string Name; // bytes, never "." or ".."
    bool IsFolder = false; // a real folder, not a symbolic link to one
    bool IsLink = false;
};

// Fills `entries` in the order the file system returns them. Returns 0 or the errno of the failure.
[[nodiscard]] int ReadDirectory(const BytePath& folder, std::vector<DirectoryEntry>& entries);

// Whether `path` is a symbolic link whose target does not exist (checked without opening
// anything); `target` then holds the link's text.
[[nodiscard]] bool IsDanglingLink(const BytePath& path, BytePath& target);

} // namespace sondrel::platform
