#include "PosixAcl.h"

#include <cerrno>
#include <memory>

#include <acl/libacl.h>
#include <sys/acl.h>

namespace sondrel::backup {

int ReadAccessAcl(const XattrTarget& item, std::vector<PosixAclEntry>& entries)
{
    entries.clear();
    if (item.Fd < 0 && !item.FollowLinks)
        return 0; // symbolic links carry no ACL
    acl_t raw = item.Fd >= 0 ? ::acl_get_fd(item.Fd) : ::acl_get_file(item.Path, ACL_TYPE_ACCESS);
    if (raw == nullptr)
        return errno == ENOTSUP || errno == ENODATA ? 0 : errno;
    std::unique_ptr<void, int (*)(void*)> acl(raw, &::acl_free);
    if (::acl_equiv_mode(raw, nullptr) == 0)
        return 0;
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(raw, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
        acl_tag_t tag = ACL_UNDEFINED_TAG;
        acl_permset_t permset = nullptr;
        if (::acl_get_tag_type(entry, &tag) != 0 || ::acl_get_permset(entry, &permset) != 0)
            return errno;
        PosixAclEntry e;
        e.Perms = (::acl_get_perm(permset, ACL_READ) == 1 ? 4u : 0u)
            | (::acl_get_perm(permset, ACL_WRITE) == 1 ? 2u : 0u)
            | (::acl_get_perm(permset, ACL_EXECUTE) == 1 ? 1u : 0u);
        switch (tag) {
        case ACL_USER_OBJ:
            e.Kind = PosixAclEntry::Tag::UserObj;
            break;
        case ACL_GROUP_OBJ:
            e.Kind = PosixAclEntry::Tag::GroupObj;
            break;
        case ACL_MASK:
            e.Kind = PosixAclEntry::Tag::Mask;
            break;
        case ACL_OTHER:
            e.Kind = PosixAclEntry::Tag::Other;
            break;
        case ACL_USER:
        case ACL_GROUP: {
            e.Kind = tag == ACL_USER ? PosixAclEntry::Tag::User : PosixAclEntry::Tag::Group;
            void* qualifier = ::acl_get_qualifier(entry);
            if (qualifier == nullptr)
                return errno;
            e.Id = *static_cast<const unsigned*>(qualifier);
            ::acl_free(qualifier);
            break;
        }
        default:
            continue;
        }
        entries.push_back(e);
    }
    return 0;
}

} // namespace sondrel::backup
