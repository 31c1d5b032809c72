#include "SecurityDescriptor.h"

#include <gtest/gtest.h>

using namespace sondrel::backup;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32(const Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// A SID in its S-R-A-S... text form, read from the descriptor with bounds checks.
std::string SidText(const Bytes& b, std::size_t at)
{
    EXPECT_LE(at + 8, b.size());
    std::string text = "S-" + std::to_string(b[at]) + "-" + std::to_string(b[at + 7]);
    for (int i = 0; i < b[at + 1]; ++i)
        text += "-" + std::to_string(U32(b, at + 8 + 4 * static_cast<std::size_t>(i)));
    return text;
}

struct Ace
{
    std::uint8_t Type;
    std::uint8_t Flags;
    std::uint32_t Mask;
    std::string Sid;
};

std::vector<Ace> Aces(const Bytes& sd)
{
    const std::size_t dacl = U32(sd, 16);
    EXPECT_EQ(sd[dacl], 2);
    EXPECT_EQ(dacl + U16(sd, dacl + 2), sd.size()); // the ACL ends the descriptor
    std::vector<Ace> aces;
    std::size_t at = dacl + 8;
    for (int i = 0; i < U16(sd, dacl + 4); ++i) {
        aces.push_back({ sd[at], sd[at + 1], U32(sd, at + 4), SidText(sd, at + 8) });
        at += U16(sd, at + 2);
    }
    EXPECT_EQ(at, sd.size());
    return aces;
}

TEST(SecurityDescriptor, ModeBitsBecomeOwnerGroupAndEveryone)
{
    const Bytes sd = BuildSecurityDescriptor({ 1000, 100, 0640, false, {} });
    EXPECT_EQ(sd[0], 1);
    EXPECT_EQ(U16(sd, 2), 0x8004);
    EXPECT_EQ(U32(sd, 12), 0u); // no SACL
    EXPECT_EQ(SidText(sd, U32(sd, 4)), "S-1-22-1-1000");
    EXPECT_EQ(SidText(sd, U32(sd, 8)), "S-1-22-2-100");
    const std::vector<Ace> aces = Aces(sd);
    ASSERT_EQ(aces.size(), 3u);
    EXPECT_EQ(aces[0].Sid, "S-1-22-1-1000");
    EXPECT_EQ(aces[0].Mask, 0x1F0198u | 0x1 | 0x6);
    EXPECT_EQ(aces[1].Sid, "S-1-22-2-100");
    EXPECT_EQ(aces[1].Mask, 0x120088u | 0x1);
    EXPECT_EQ(aces[2].Sid, "S-1-1-0");
    EXPECT_EQ(aces[2].Mask, 0x120088u);
    for (const Ace& a : aces) {
        EXPECT_EQ(a.Type, 0);
        EXPECT_EQ(a.Flags, 0);
    }
}

TEST(SecurityDescriptor, AccessMasksFollowEachPermission)
{
    EXPECT_EQ(OwnerAccessMask(7, false), 0x1F01BFu);
    EXPECT_EQ(OwnerAccessMask(7, true), 0x1F01FFu); // delete-child for a folder's rwx owner
    EXPECT_EQ(OwnerAccessMask(6, true), 0x1F019Fu);
    EXPECT_EQ(OtherAccessMask(0), 0x120088u);
    EXPECT_EQ(OtherAccessMask(2), 0x12019Eu);
    EXPECT_EQ(OtherAccessMask(5), 0x1200A9u);
}

TEST(SecurityDescriptor, FoldersInherit)
{
    const std::vector<Ace> aces = Aces(BuildSecurityDescriptor({ 0, 0, 0755, true, {} }));
    for (const Ace& a : aces)
        EXPECT_EQ(a.Flags, 0x3);
}

TEST(SecurityDescriptor, AclEntriesAreMaskedAndOrdered)
{
    using T = PosixAclEntry::Tag;
    PosixSecurity s { 1000, 100, 0770, false,
        { { T::UserObj, 0, 6 }, { T::Group, 300, 7 }, { T::User, 2000, 7 }, { T::GroupObj, 0, 7 },
            { T::Mask, 0, 4 }, { T::Other, 0, 0 } } };
    const Bytes sd = BuildSecurityDescriptor(s);
    EXPECT_EQ(U16(sd, 2), 0x9004); // protected: the ACL is the item's own
    const std::vector<Ace> aces = Aces(sd);
    ASSERT_EQ(aces.size(), 5u);
    EXPECT_EQ(aces[0].Sid, "S-1-22-1-1000");
    EXPECT_EQ(aces[0].Mask, OwnerAccessMask(6, false)); // the owner is not masked
    EXPECT_EQ(aces[1].Sid, "S-1-22-1-2000");
    EXPECT_EQ(aces[1].Mask, OtherAccessMask(4));
    EXPECT_EQ(aces[2].Sid, "S-1-22-2-100");
    EXPECT_EQ(aces[2].Mask, OtherAccessMask(4));
    EXPECT_EQ(aces[3].Sid, "S-1-22-2-300");
    EXPECT_EQ(aces[3].Mask, OtherAccessMask(4));
    EXPECT_EQ(aces[4].Sid, "S-1-1-0");
    EXPECT_EQ(aces[4].Mask, OtherAccessMask(0));
}

} // namespace
