#pragma once
// The lstat of the item last looked at on this thread, kept for the very next look at the same
// path: the file list asks the namespace for an item's attributes and counts the item's streams
// straight after, and one stat serves both. Taken once, and only within a millisecond of being
// made; otherwise the caller asks the file system itself.

#include <string>

#include <sys/stat.h>

namespace sondrel::platform {

void RememberLstat(const std::string& path, const struct stat& st);

// True, with `st`, when the last remembered lstat was of `path` and is fresh; forgets it either
// way.
[[nodiscard]] bool TakeLstat(const std::string& path, struct stat& st);

} // namespace sondrel::platform
