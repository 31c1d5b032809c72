#pragma once
// Disk images opened into the namespace: one read-only drive under "Computer" per NTFS volume of
// the image, whose items the image's backup source serves under a mount point that is no path on
// disk. Opening the same image again gives its drives again. Safe from any thread.

#include "BytePath.h"

#include <string>
#include <string_view>
#include <vector>

namespace sondrel::platform {

// Where the drives of images live: no path on disk is below it.
inline constexpr std::string_view kImageDrivesRoot = "/.disk-images";

struct ImageDrives
{
    std::vector<BytePath> MountPoints; // in table order; none when the image could not be read
    std::string Error; // why there are none: the image's reason, or the library's
    // Whether the file was read as an image holding NTFS (even if its volume then failed), or
    // is named as one (".E01", ".dd", ".img", ".raw", ".001"): its failure is worth telling; a
    // file that is neither is most likely no image at all.
    bool Image = false;
};

// Opens the image at `path` and adds a drive per NTFS volume in it.
[[nodiscard]] ImageDrives OpenImageDrives(const std::string& path);

// Removes the drives of every image opened, and their sources.
void CloseImageDrives();

// Whether `path` lies on a drive of an image (where nothing is ever written).
[[nodiscard]] bool OnImageDrive(std::string_view path);

} // namespace sondrel::platform
