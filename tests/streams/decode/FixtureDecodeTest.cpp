// The decoders over attribute values that Windows and WSL wrote (shared/fixtures/attrs), and over
// every damaged copy of them.

#include "DecodeSupport.h"

#include <gtest/gtest.h>

namespace sondrel::test {

namespace {

    Bytes Fixture(const std::string& name)
    {
        Bytes bytes = AttrFixture(name);
        if (bytes.empty())
            ADD_FAILURE() << "no fixture " << name;
        return bytes;
    }

#define REQUIRE_ATTR_FIXTURES()                                                                    \
    do {                                                                                           \
        if (AttrFixture("rp.bin.reparse").empty())                                                 \
            GTEST_SKIP() << "the shared fixtures (attrs/) are absent";                             \
    } while (false)

} // namespace

TEST(FixtureDecode, WindowsRelativeSymbolicLink)
{
    REQUIRE_ATTR_FIXTURES();
    const auto decoded = Decode(8, Fixture("rp.bin.reparse"));
    EXPECT_EQ(decoded.Form, "Reparse data");
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_EQ(Row(decoded, "Tag"), "0xA000000C: symbolic link");
    EXPECT_EQ(Row(decoded, "Tag bits"), "Microsoft, name surrogate");
    EXPECT_EQ(Row(decoded, "Flags"), "0x00000001: relative");
    EXPECT_EQ(Row(decoded, "Substitute name"), "target.txt");
    EXPECT_EQ(Row(decoded, "Print name"), "target.txt");
}

TEST(FixtureDecode, WslEaListWithNestedXattrsAndAttributes)
{
    REQUIRE_ATTR_FIXTURES();
    const auto decoded = Decode(2, Fixture("frs_ea.bin.ea"));
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_EQ(Row(decoded, "user.test"), "\"test_value\"");
    EXPECT_EQ(Row(decoded, "user.another_test"), "\"another_value\"");
    EXPECT_EQ(Row(decoded, "Mode"), "0100644 (regular file, rw-r--r--)");
    EXPECT_EQ(Row(decoded, "Owner"), "0 (root)");
    EXPECT_EQ(Row(decoded, "Group"), "0 (root)");
    // The times are whole seconds and nanoseconds, Unix epoch.
    EXPECT_EQ(Row(decoded, "Modified").substr(0, 4), "2019");
    EXPECT_NE(Row(decoded, "LXXATTR"), "<missing>");
    EXPECT_NE(Row(decoded, "LXATTRB"), "<missing>");

    const auto three = Decode(2, Fixture("ea-2.bin"));
    EXPECT_EQ(three.Refusal, "");
    EXPECT_EQ(Row(three, "user.1"), "\"11\"");
    EXPECT_EQ(Row(three, "user.2"), "\"22\"");
    EXPECT_EQ(Row(three, "user.3"), "\"33\"");
    const auto one = Decode(2, Fixture("ea-1.bin"));
    EXPECT_EQ(one.Refusal, "");
    EXPECT_EQ(Row(one, "user.1"), "\"11\"");
}

TEST(FixtureDecode, ObjectIdAloneAndAsNtfsHandsItOut)
{
    REQUIRE_ATTR_FIXTURES();
    Bytes id = Fixture("object_id.bin");
    const auto alone = Decode(7, id);
    EXPECT_EQ(alone.Refusal, "");
    EXPECT_EQ(Row(alone, "Object id"), "{53D29F0E-F2BA-11D8-B0F9-0010A4933E09}");
    EXPECT_EQ(Row(alone, "Birth volume id"), "<missing>");
    id.resize(64, 0);
    id[16] = 1;
    const auto whole = Decode(7, id);
    EXPECT_EQ(Row(whole, "Birth volume id"), "{00000001-0000-0000-0000-000000000000}");
    EXPECT_EQ(Row(whole, "Domain id"), "none (all zero)");
    id.resize(20);
    EXPECT_NE(Decode(7, id).Refusal, "");
}

TEST(FixtureDecode, DamagedCopiesAreReadOrRefusedNeverOverrun)
{
    REQUIRE_ATTR_FIXTURES();
    DecodesEveryDamagedCopy(8, Fixture("rp.bin.reparse"));
    DecodesEveryDamagedCopy(2, Fixture("frs_ea.bin.ea"));
    DecodesEveryDamagedCopy(2, Fixture("ea-2.bin"));
    DecodesEveryDamagedCopy(7, Fixture("object_id.bin"));
    // Cut inside a name, the link's names lie outside its data: refused, with the tag still said.
    Bytes link = Fixture("rp.bin.reparse");
    link.resize(40);
    const auto cut = Decode(8, link);
    EXPECT_NE(cut.Refusal, "");
    EXPECT_EQ(Row(cut, "Tag"), "0xA000000C: symbolic link");
}

TEST(FixtureDecode, EaEntryThatPointsBackIsRefused)
{
    // Two entries whose first next offset points into itself: a loop if followed.
    const Bytes looping
        = { 4, 0, 0, 0, 0, 1, 1, 0, 'a', 0, 'b', 0, 0, 0, 0, 0, 0, 1, 1, 0, 'c', 0, 'd', 0 };
    const auto decoded = Decode(2, looping);
    EXPECT_NE(decoded.Refusal.find("points back"), std::string::npos) << decoded.Refusal;
    EXPECT_EQ(Row(decoded, "Value"), "\"b\"");
}

TEST(FixtureDecode, WslLinkTargetWithinItsData)
{
    // A WSL link holds its target as UTF-8 after a version.
    Bytes wsl = { 0x1D, 0, 0, 0xA0, 10, 0, 0, 0, 2, 0, 0, 0, '/', 'e', 't', 'c', '/', 'x' };
    EXPECT_EQ(Row(Decode(8, wsl), "Target"), "/etc/x");
    wsl[4] = 40; // claims more than follows
    EXPECT_NE(Decode(8, wsl).Refusal, "");
}

} // namespace sondrel::test
