#pragma once
// Finding the NTFS drivers whose metadata Sondrel reads: ntfs-3g (a FUSE file system whose mount
// table entry does not name it, found by probing its root once per mount) and the kernel's ntfs3.

#include "Xattr.h"

#include <cstdint>
#include <string>

namespace sondrel::backup {

enum class NtfsDriver { None, Ntfs3g, KernelNtfs3 };

// The driver of the file system holding `item` (whose st_dev is `device`). Looked up once per
// device while the mount table stays as it is.
[[nodiscard]] NtfsDriver DetectNtfsDriver(const XattrTarget& item, std::uint64_t device);

// Whether the file system holding `item` decides who may read by the mode bits and POSIX ACLs
// the item shows, with nothing (a server, a FUSE daemon, a stacked file system) deciding beside
// them; false when unsure. Cached with the driver.
[[nodiscard]] bool PermissionsAreLocal(const XattrTarget& item, std::uint64_t device);

// The mount of `device` whose root is its file system's root, from /proc/self/mountinfo: its
// mount point, type and source, unescaped; an empty Point when there is none.
struct MountEntry
{
    std::string Point;
    std::string Type;
    std::string Source;
};
[[nodiscard]] MountEntry MountOfDevice(std::uint64_t device);

// ntfs-3g's names for the NTFS metadata; none is listed, each is asked for by name.
inline constexpr const char* kNtfsAttrib = "system.ntfs_attrib";
inline constexpr const char* kNtfsAcl = "system.ntfs_acl";
inline constexpr const char* kNtfsEa = "system.ntfs_ea";
inline constexpr const char* kNtfsObjectId = "system.ntfs_object_id";
inline constexpr const char* kNtfsReparseData = "system.ntfs_reparse_data";
inline constexpr const char* kNtfs3Security = "system.ntfs_security";

inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kReparseTagNameSurrogate = 0x20000000;

} // namespace sondrel::backup
