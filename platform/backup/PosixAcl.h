#pragma once
// The POSIX access ACL of an item, through libacl.

#include "SecurityDescriptor.h"
#include "Xattr.h"

namespace sondrel::backup {

// Fills `entries` with the access ACL when it says more than the mode bits; leaves it empty
// otherwise. Returns 0 or errno (no ACL support counts as no ACL).
[[nodiscard]] int ReadAccessAcl(const XattrTarget& item, std::vector<PosixAclEntry>& entries);

// The xattr under which the kernel keeps the access ACL (listed by listxattr when there is one).
inline constexpr const char* kPosixAclAccess = "system.posix_acl_access";
inline constexpr const char* kPosixAclDefault = "system.posix_acl_default";

} // namespace sondrel::backup
