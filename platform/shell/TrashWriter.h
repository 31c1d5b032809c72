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
#include <unordered_map>
#include <vector>

#include <sys/types.h>

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

// Finds the trashes of one operation's items (absolute paths, the items themselves not
// followed), making the trash's folders where the convention allows. An item's file system is
// its folder's: the home trash is checked once, each folder once and each top folder's trash
// once, so that a thousand items of one folder cost no call each. One operation's facts only:
// the next operation starts afresh.
class TrashPlanner
{
public:
    [[nodiscard]] TrashPlan Plan(const BytePath& path);

private:
    struct TopTrash
    {
        BytePath Top;
        BytePath Trash;
        int Error;
    };
    TrashPlan PlanFolder(const BytePath& parent);

    bool m_homeChecked = false;
    bool m_homeUsable = false;
    dev_t m_homeDevice = 0;
    BytePath m_home;
    std::unordered_map<BytePath, TrashPlan> m_byFolder;
    std::vector<TopTrash> m_tops;
};

// One item's trash, by a planner of its own.
[[nodiscard]] TrashPlan PlanTrash(const BytePath& path);

// Moves `path` into the plan's trash. Returns 0 or an errno; `trashedAs` gets the item's new
// path. A move across file systems runs through the copy engine, with its questions, progress
// and cancel.
[[nodiscard]] int MoveToTrash(const BytePath& path, const TrashPlan& plan,
    fileops::Questions& questions, fileops::Progress& progress, BytePath* trashedAs = nullptr);

} // namespace sondrel::platform
