#pragma once
// Throwing items into the user's freedesktop trash, on byte paths. An item goes to the trash of
// its own file system, so that it is renamed, never copied: the home trash when it shares the
// home trash's file system, else `$topdir/.Trash/$uid` (only when `.Trash` is a sticky folder
// and no link) or `$topdir/.Trash-$uid`. The deletion record (`info/NAME.trashinfo`) is created
// exclusively before the item moves, so a crash leaves at worst a record without an item, never
// an item nobody can restore. Where the file system has no trash the caller decides: copy into
// the home trash (which it must say, with the size) or, read-only, delete for good after asking.

#include "BytePath.h"
#include "FileOperation.h"

#include <cstdint>
#include <string>

namespace sondrel::platform {

struct TrashPlan
{
    enum class Kind {
        SameFileSystem, // a rename into Trash
        HomeAcrossFileSystems, // a copy into the home trash, then the item is deleted
        None, // no trash can take it (a read-only or network file system): only a permanent delete
    };
    Kind How = Kind::None;
    BytePath Trash; // the folder holding files/ and info/; empty for None
    BytePath TopDir; // the top of the item's file system when Trash is there, else empty
    int Error = 0; // why the item's own file system has no trash
    // The item is on a network file system: its server's trash is not ours to fill, and a
    // copy into the home trash would pull it across the network.
    bool Network = false;
};

// Finds the trash for `path` (an absolute path, the item itself is not followed), making the
// trash's folders where the convention allows.
[[nodiscard]] TrashPlan PlanTrash(const BytePath& path);

// Moves `path` into the plan's trash. Returns 0 or an errno; `trashedAs` gets the item's new
// path. A move across file systems runs through the copy engine, with its questions, progress
// and cancel.
[[nodiscard]] int MoveToTrash(const BytePath& path, const TrashPlan& plan,
    fileops::Questions& questions, fileops::Progress& progress, BytePath* trashedAs = nullptr);

} // namespace sondrel::platform
