#pragma once
// The shell's process-wide images in the controls' image lists: the list, the tree and the
// combo show the same system image list through image lists of their own, which share it and
// never destroy it. Images the icon theme lacks come from the style's standard icons.

#include "ImageList.h"
#include "UPTShellUtils.h"

namespace sondrel::shell {

// Makes `list` show the system image list of that size (shared, not owned).
void ShowSystemImages(framework::TImageList& list, TPTShellIconSize size);

} // namespace sondrel::shell
