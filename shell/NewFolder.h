#pragma once
// The new-folder command: a folder of a fresh name in a given folder. GUI thread (it may show a
// message box).

#include <string>

namespace sondrel::shell {

// Names tried per series.
inline constexpr int PTSH_MAX_FOLDER_ATTEMPTS = 50;

// Creates "New Folder", else "New Folder (2)" … "New Folder (50)", else "fldr", "fldr2" …
// "fldr50" in `path` (empty: the current folder) and sets `newName` to the name made. An existing
// name of any kind is never touched, only skipped. Any failure other than an existing name ends
// the attempt at once with a warning that gives the system's reason; when every name is taken the
// warning says the folder exists. False, `newName` unchanged, when no folder was made.
bool PTShCreateNewFolder(const std::string& path, std::string& newName);

} // namespace sondrel::shell
