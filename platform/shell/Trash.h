#pragma once
// The user's trashes as the freedesktop trash convention lays them out: the home trash, and on
// each mounted file system the trashes at its top, `$topdir/.Trash/$uid` (only when
// `$topdir/.Trash` is a sticky folder and no symbolic link: a folder any user could have made
// must not pass for the administrator's) and `$topdir/.Trash-$uid`. The trashes of other file
// systems are only read here.

#include "BytePath.h"

#include <optional>
#include <string_view>
#include <vector>

namespace sondrel::platform {

// The files folders of the user's trashes on mounted file systems other than the home trash,
// those that exist, each folder once (a file system mounted twice shows its trash once), in
// the order of the drives.
[[nodiscard]] std::vector<BytePath> OtherTrashes();

// The top folder of the file system whose trash has the files folder `files`, when `files` has
// the shape of one of this user's trashes there and that top folder is mounted now.
[[nodiscard]] std::optional<BytePath> OtherTrashTop(std::string_view files);

// Whether any of the user's trashes, the home trash included, holds something.
[[nodiscard]] bool AnyTrashHolds();

} // namespace sondrel::platform
