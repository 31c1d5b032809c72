#include "DumpSearch.h"

#include <gtest/gtest.h>
#include <string>

using sondrel::streams::FindBytes;
using sondrel::streams::ParseDumpOffset;
using sondrel::streams::ParseHexBytes;

namespace {

const std::uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Forward finds the first match at or after the start, backward the last one starting before
// it; matches at both ends count, and nothing is found past the content.
TEST(DumpSearch, FindsForwardAndBackwardUpToBothEnds)
{
    const std::string data = "abXYcdXYefXY";
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 0, true), 2u);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 3, true), 6u);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 10, true), 10u) << "in the last bytes";
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 11, true), std::nullopt);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 12, false), 10u);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 10, false), 6u);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "XY", 2, false), std::nullopt);
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "ab", 1, false), 0u) << "at the first byte";
    EXPECT_EQ(FindBytes(Bytes(data), data.size(), "", 0, true), std::nullopt);
    EXPECT_EQ(FindBytes(Bytes(data), 3, "abXY", 0, true), std::nullopt) << "longer than the data";
    // Bytes of every value, zeros included.
    const std::string binary("\x00\xff\x00\x10\x00\xff", 6);
    EXPECT_EQ(FindBytes(Bytes(binary), binary.size(), std::string("\x00\xff", 2), 1, true), 4u);
    EXPECT_EQ(FindBytes(Bytes(binary), binary.size(), std::string("\x00\xff", 2), 4, false), 0u);
}

TEST(DumpSearch, ReadsHexBytesAndOffsetsAsTyped)
{
    EXPECT_EQ(ParseHexBytes("DE AD be ef"), std::string("\xde\xad\xbe\xef"));
    EXPECT_EQ(ParseHexBytes("deadbeef"), std::string("\xde\xad\xbe\xef"));
    EXPECT_EQ(ParseHexBytes(" 00 "), std::string(1, '\0'));
    for (const char* bad : { "", "  ", "d", "dea", "d e", "zz", "0x12" })
        EXPECT_EQ(ParseHexBytes(bad), std::nullopt) << bad;
    EXPECT_EQ(ParseDumpOffset("FFFFF0"), 0xFFFFF0u);
    EXPECT_EQ(ParseDumpOffset(" 0xfffff0 "), 0xFFFFF0u);
    EXPECT_EQ(ParseDumpOffset("100"), 0x100u) << "offsets are hexadecimal, as the dump prints them";
    for (const char* bad : { "", "0x", "12g", "-1", "11112222333344445" })
        EXPECT_EQ(ParseDumpOffset(bad), std::nullopt) << bad;
}

} // namespace
