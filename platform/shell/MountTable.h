#pragma once
// The drives of "Computer": the mounted file systems a user would care about, read from
// /proc/self/mountinfo. Pseudo file systems and the system's own run-time mounts are left out;
// "/" always comes first, the others follow in mount-point order.

#include "BytePath.h"
#include "ShellTypes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::platform {

struct Drive
{
    BytePath MountPoint; // bytes, unescaped
    std::string FileSystem; // "ext4", "tmpfs", "fuseblk", ...
    std::string Source; // the device or server
    std::string Device; // "major:minor"
    win32::UINT Type = win32::DRIVE_FIXED;
    bool ReadOnly = false;
    // A volume of a disk image, served by a registered backup source under MountPoint (which is
    // no path on disk), shown as Label.
    bool Image = false;
    std::string Label;
};

using DriveList = std::vector<Drive>;

// The drives a mount table's text describes. Pure: the drive types come from the file-system
// names here (removable media is decided by the caller, which can look at /sys).
[[nodiscard]] DriveList ParseMountInfo(std::string_view table);

// The drives mounted now. Re-read only when the mount table has changed since the last call
// (its POLLPRI), so callers may ask often; the table itself is asked at most once a millisecond
// unless `askTable` (a caller that knows of a change, or validates). Safe from any thread.
[[nodiscard]] std::shared_ptr<const DriveList> CurrentDrives(bool askTable = false);

// Drives of disk images join those mounted, after them in the order they were added; a drive of
// the same mount point replaces the earlier. Safe from any thread.
void AddImageDrive(Drive drive);
void RemoveImageDrive(std::string_view mountPoint);

// The drive whose mount point is the longest whole-component prefix of the absolute, normalized
// `path`; null when none is (never for a list that holds "/").
[[nodiscard]] const Drive* DriveOfPath(const DriveList& drives, std::string_view path);

// The drive mounted exactly at `mountPoint`, or null.
[[nodiscard]] const Drive* FindDrive(const DriveList& drives, std::string_view mountPoint);

} // namespace sondrel::platform
