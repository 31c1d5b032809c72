#include "EaList.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace sondrel::backup;

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(EaList, PackedEntriesAreAlignedAndTheLastEndsTheList)
{
    const std::vector<std::uint8_t> packed = PackEaList(
        { { "security.selinux", { 's', 'y', 's' } }, { "trusted.x", { 1, 2, 3, 4, 5 } } });
    // 8 + 16 + 1 + 3 = 28; 8 + 9 + 1 + 5 = 23 -> 24.
    ASSERT_EQ(packed.size(), 28u + 24u);
    EXPECT_EQ(U32(packed, 0), 28u);
    EXPECT_EQ(packed[5], 16); // name length
    EXPECT_EQ(packed[6] | packed[7] << 8, 3);
    EXPECT_EQ(std::string(packed.begin() + 8, packed.begin() + 24), "security.selinux");
    EXPECT_EQ(packed[24], 0); // the name's NUL
    EXPECT_EQ(U32(packed, 28), 0u);
    EXPECT_EQ(packed[28 + 8 + 9 + 1 + 4], 5);
    EXPECT_EQ(EaEntrySize(16, 3) + EaEntrySize(9, 5), packed.size());
}

TEST(EaList, AttributesThatDoNotFitTheFieldsAreLeftOut)
{
    EXPECT_FALSE(FitsEaEntry(256, 1));
    EXPECT_FALSE(FitsEaEntry(0, 1));
    EXPECT_FALSE(FitsEaEntry(4, 65536));
    EXPECT_TRUE(FitsEaEntry(255, 65535));
    EXPECT_TRUE(PackEaList({ { std::string(300, 'n'), {} } }).empty());
}

TEST(EaList, WindowsWrittenListsGetTheirLastOffsetZeroed)
{
    const std::string path = std::string(SONDREL_FIXTURES_DIR) + "/attrs/ea-1.bin";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "the shared fixture " << path << " is absent";
    std::vector<std::uint8_t> list { std::istreambuf_iterator<char>(in), {} };
    ASSERT_EQ(list.size(), 108u);
    const std::vector<std::uint8_t> original = list;
    TerminateEaList(list);
    std::size_t at = 0;
    int entries = 1;
    while (U32(list, at) != 0) {
        ASSERT_EQ(U32(list, at), U32(original, at)); // only the last offset changes
        at += U32(list, at);
        ++entries;
        ASSERT_LT(at, list.size());
    }
    EXPECT_GE(entries, 2);
    EXPECT_NE(U32(original, at), 0u); // as Windows wrote it: its own padded length
    EXPECT_GE(at + U32(original, at), list.size());
    EXPECT_TRUE(std::equal(list.begin() + at + 4, list.end(), original.begin() + at + 4));
}

TEST(EaList, HostileOffsetsStopAtTheBuffer)
{
    std::vector<std::uint8_t> loop = { 4, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF };
    TerminateEaList(loop); // the second offset points far past the end
    EXPECT_EQ(U32(loop, 4), 0u);
    std::vector<std::uint8_t> shortList = { 1, 2 };
    TerminateEaList(shortList);
    EXPECT_EQ(shortList, (std::vector<std::uint8_t> { 1, 2 }));
    std::vector<std::uint8_t> self = { 0xFF, 0xFF, 0xFF, 0xFF };
    TerminateEaList(self);
    EXPECT_EQ(U32(self, 0), 0u);
}

} // namespace
