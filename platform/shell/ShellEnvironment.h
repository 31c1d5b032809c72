#pragma once
// Where the user's folders are: home, the desktop folder, the trash, the XDG user and base
// directories. Read from the environment (bytes, as the variables hold them) and from the XDG
// user-dirs file through Qt; remembered until the environment variables change or Refresh().

#include "BytePath.h"

#include <optional>

namespace sondrel::platform {

struct ShellEnvironment
{
    BytePath Home;
    BytePath Desktop; // the XDG desktop folder, or Home where there is none
    bool SeparateDesktop = false; // Desktop is a folder of its own, not Home
    BytePath TrashFiles; // $XDG_DATA_HOME/Trash/files (it need not exist)
    BytePath ConfigHome; // $XDG_CONFIG_HOME or ~/.config
    BytePath DataHome; // $XDG_DATA_HOME or ~/.local/share
    BytePath Documents;
    BytePath Pictures;
    BytePath Templates;
};

[[nodiscard]] const ShellEnvironment& CurrentEnvironment();
// The user's Send To folder, whose entries the shell library offers as places to send items.
[[nodiscard]] BytePath SendToFolder();
// Forgets what was read, so the next question reads again.
void RefreshEnvironment();

// Whether `path` is an existing folder (links followed).
[[nodiscard]] bool IsFolder(const BytePath& path);

// `path` made absolute without "." and ".." components or repeated slashes (textually, as the
// Windows parser treats them); empty when it is not absolute.
[[nodiscard]] BytePath NormalizePath(std::string_view path);

} // namespace sondrel::platform
