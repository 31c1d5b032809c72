#pragma once
// Whether this process may open an item for reading, decided without opening it.

#include <string>

#include <sys/stat.h>

namespace sondrel::backup {

// 0 when the item at `path` (whose stat, links followed, is `st`) could be opened for reading,
// else the errno the open would fail with. Where the answer is plain from the mode bits, the
// process's ids and its capabilities (`localPermissions`: the file system decides by those
// alone, and `hasAcl` false or the process owns the item) nothing is asked; otherwise the kernel
// is asked about the item itself.
[[nodiscard]] int CheckReadable(
    const std::string& path, const struct stat& st, bool localPermissions, bool hasAcl);

} // namespace sondrel::backup
