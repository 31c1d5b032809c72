#pragma once
// A self-relative Windows SECURITY_DESCRIPTOR made from a Linux owner, group, mode and POSIX
// ACL, as ntfs-3g maps them: the owner and group as Samba's Unix SIDs (S-1-22-1-uid,
// S-1-22-2-gid), "other" as Everyone (S-1-1-0), allow entries only. Pure byte building.

#include <cstdint>
#include <vector>

namespace sondrel::backup {

struct PosixAclEntry
{
    enum class Tag { UserObj, User, GroupObj, Group, Mask, Other };
    Tag Kind = Tag::Other;
    std::uint32_t Id = 0; // uid or gid for User and Group
    unsigned Perms = 0; // r 4, w 2, x 1
};

struct PosixSecurity
{
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;
    unsigned Mode = 0; // permission bits, 0777
    bool Folder = false;
    std::vector<PosixAclEntry> Acl; // the access ACL; empty when there is none beyond the mode
};

[[nodiscard]] std::vector<std::uint8_t> BuildSecurityDescriptor(const PosixSecurity& security);

// Access masks as ntfs-3g grants them.
[[nodiscard]] std::uint32_t OwnerAccessMask(unsigned perms, bool folder);
[[nodiscard]] std::uint32_t OtherAccessMask(unsigned perms);

} // namespace sondrel::backup
