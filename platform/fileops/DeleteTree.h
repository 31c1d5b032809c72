#pragma once
// Deleting items for good. A folder's content is reached through descriptors opened without
// following links, so a link inside, or a folder swapped for a link meanwhile, never leads the
// deletion out of the tree: the link itself is deleted, never what it points to.

#include "FileOperation.h"

namespace sondrel::fileops {

// Deletes each path (links themselves, folders with everything in them). Errors are asked
// about; a cancel stops between items. Runs on the calling thread.
[[nodiscard]] Outcome DeletePermanently(
    const std::vector<BytePath>& paths, Questions& questions, Progress& progress);

} // namespace sondrel::fileops
