#include "SecurityDescriptor.h"

#include <algorithm>

namespace sondrel::backup {

namespace {

    constexpr std::uint16_t SE_DACL_PRESENT = 0x0004;
    constexpr std::uint16_t SE_DACL_PROTECTED = 0x1000;
    constexpr std::uint16_t SE_SELF_RELATIVE = 0x8000;
    constexpr std::uint8_t ACCESS_ALLOWED_ACE_TYPE = 0;
    constexpr std::uint8_t OBJECT_INHERIT_ACE = 0x1;
    constexpr std::uint8_t CONTAINER_INHERIT_ACE = 0x2;
    constexpr std::uint32_t FILE_DELETE_CHILD = 0x40;
    constexpr std::size_t kHeaderSize = 20;
    constexpr std::size_t kAclHeaderSize = 8;

    using Bytes = std::vector<std::uint8_t>;

    void Put16(Bytes& b, std::size_t at, std::uint16_t v)
    {
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void Put32(Bytes& b, std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    // S-1-authority-sub1-sub2..., held by value: a descriptor is built for every item a count
    // passes, and its SIDs have at most two sub-authorities.
    class SidBytes
    {
    public:
        SidBytes(std::uint8_t authority, std::initializer_list<std::uint32_t> subAuthorities)
            : m_size(8 + 4 * subAuthorities.size())
        {
            m_bytes[0] = 1;
            m_bytes[1] = static_cast<std::uint8_t>(subAuthorities.size());
            m_bytes[7] = authority; // the 48-bit authority is big-endian
            std::size_t at = 8;
            for (std::uint32_t sub : subAuthorities) {
                for (int i = 0; i < 4; ++i)
                    m_bytes[at + i] = static_cast<std::uint8_t>(sub >> (8 * i));
                at += 4;
            }
        }
        [[nodiscard]] std::size_t size() const { return m_size; }
        [[nodiscard]] std::uint8_t operator[](std::size_t at) const { return m_bytes[at]; }
        [[nodiscard]] const std::uint8_t* begin() const { return m_bytes; }
        [[nodiscard]] const std::uint8_t* end() const { return m_bytes + m_size; }

    private:
        std::uint8_t m_bytes[16] {};
        std::size_t m_size;
    };

    SidBytes UserSid(std::uint32_t uid) { return SidBytes(22, { 1, uid }); }
    SidBytes GroupSid(std::uint32_t gid) { return SidBytes(22, { 2, gid }); }
    SidBytes EveryoneSid() { return SidBytes(1, { 0 }); }

    struct Ace
    {
        std::uint32_t Mask;
        SidBytes Sid;
    };

} // namespace

std::uint32_t OwnerAccessMask(unsigned perms, bool folder)
{
    std::uint32_t mask = 0x1F0198;
    if (perms & 4)
        mask |= 0x1;
    if (perms & 2)
        mask |= 0x6;
    if (perms & 1)
        mask |= 0x20;
    if (folder && (perms & 7) == 7)
        mask |= FILE_DELETE_CHILD;
    return mask;
}

std::uint32_t OtherAccessMask(unsigned perms)
{
    std::uint32_t mask = 0x120088;
    if (perms & 4)
        mask |= 0x1;
    if (perms & 2)
        mask |= 0x116;
    if (perms & 1)
        mask |= 0x20;
    return mask;
}

std::vector<std::uint8_t> BuildSecurityDescriptor(const PosixSecurity& s)
{
    unsigned ownerPerms = (s.Mode >> 6) & 7;
    unsigned groupPerms = (s.Mode >> 3) & 7;
    unsigned otherPerms = s.Mode & 7;
    unsigned mask = 7;
    std::vector<Ace> named;
    const bool extended = !s.Acl.empty();
    if (extended) {
        for (const PosixAclEntry& e : s.Acl)
            if (e.Kind == PosixAclEntry::Tag::Mask)
                mask = e.Perms & 7;
        for (const PosixAclEntry& e : s.Acl) {
            switch (e.Kind) {
            case PosixAclEntry::Tag::UserObj:
                ownerPerms = e.Perms & 7;
                break;
            case PosixAclEntry::Tag::GroupObj:
                groupPerms = e.Perms & 7;
                break;
            case PosixAclEntry::Tag::Other:
                otherPerms = e.Perms & 7;
                break;
            case PosixAclEntry::Tag::User:
                named.push_back({ OtherAccessMask(e.Perms & mask), UserSid(e.Id) });
                break;
            case PosixAclEntry::Tag::Group:
                named.push_back({ OtherAccessMask(e.Perms & mask), GroupSid(e.Id) });
                break;
            case PosixAclEntry::Tag::Mask:
                break;
            }
        }
        groupPerms &= mask;
    }

    // Owner, the named users, the group, the named groups, Everyone: the order ntfs-3g writes.
    std::vector<Ace> aces;
    aces.reserve(3 + named.size());
    aces.push_back({ OwnerAccessMask(ownerPerms, s.Folder), UserSid(s.Uid) });
    std::stable_partition(named.begin(), named.end(),
        [](const Ace& a) { return a.Sid[8] == 1; }); // users (sub-authority 1) first
    auto firstGroup
        = std::find_if(named.begin(), named.end(), [](const Ace& a) { return a.Sid[8] == 2; });
    aces.insert(aces.end(), named.begin(), firstGroup);
    aces.push_back({ OtherAccessMask(groupPerms), GroupSid(s.Gid) });
    aces.insert(aces.end(), firstGroup, named.end());
    aces.push_back({ OtherAccessMask(otherPerms), EveryoneSid() });

    const SidBytes owner = UserSid(s.Uid);
    const SidBytes group = GroupSid(s.Gid);
    std::size_t aclSize = kAclHeaderSize;
    for (const Ace& a : aces)
        aclSize += 8 + a.Sid.size();

    const std::size_t ownerAt = kHeaderSize;
    const std::size_t groupAt = ownerAt + owner.size();
    const std::size_t daclAt = groupAt + group.size();
    Bytes sd(daclAt + aclSize);
    sd[0] = 1; // revision
    Put16(sd, 2,
        static_cast<std::uint16_t>(
            SE_SELF_RELATIVE | SE_DACL_PRESENT | (extended ? SE_DACL_PROTECTED : 0)));
    Put32(sd, 4, static_cast<std::uint32_t>(ownerAt));
    Put32(sd, 8, static_cast<std::uint32_t>(groupAt));
    Put32(sd, 12, 0); // no SACL
    Put32(sd, 16, static_cast<std::uint32_t>(daclAt));
    std::copy(owner.begin(), owner.end(), sd.begin() + static_cast<std::ptrdiff_t>(ownerAt));
    std::copy(group.begin(), group.end(), sd.begin() + static_cast<std::ptrdiff_t>(groupAt));

    sd[daclAt] = 2; // ACL revision
    Put16(sd, daclAt + 2, static_cast<std::uint16_t>(aclSize));
    Put16(sd, daclAt + 4, static_cast<std::uint16_t>(aces.size()));
    std::size_t at = daclAt + kAclHeaderSize;
    const std::uint8_t flags
        = s.Folder ? static_cast<std::uint8_t>(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) : 0;
    for (const Ace& a : aces) {
        sd[at] = ACCESS_ALLOWED_ACE_TYPE;
        sd[at + 1] = flags;
        Put16(sd, at + 2, static_cast<std::uint16_t>(8 + a.Sid.size()));
        Put32(sd, at + 4, a.Mask);
        std::copy(a.Sid.begin(), a.Sid.end(), sd.begin() + static_cast<std::ptrdiff_t>(at + 8));
        at += 8 + a.Sid.size();
    }
    return sd;
}

} // namespace sondrel::backup
