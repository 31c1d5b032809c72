#include "HexDump.h"

#include "StreamInfo.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using sondrel::streams::AppendDumpLine;
using sondrel::streams::DumpHeight;
using sondrel::streams::FormatDumpLine;

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

TEST(HexDump, OneByteLineHasItsBarAt57AndTrailingSpaces)
{
    const auto b = Bytes({ 0x41 });
    const std::string line = FormatDumpLine(b.data(), 1, 0);
    EXPECT_EQ(line, "0000  41   " + std::string(45, ' ') + " |A|" + std::string(15, ' '));
    EXPECT_EQ(line.find('|'), 57u);
}

TEST(HexDump, FullLineLayoutByPosition)
{
    std::vector<std::uint8_t> b;
    for (int i = 0; i < 16; ++i)
        b.push_back(static_cast<std::uint8_t>(0x30 + i));
    const std::string line = FormatDumpLine(b.data(), 16, 0x20);
    ASSERT_EQ(line.size(), 75u);
    EXPECT_EQ(line.substr(0, 6), "0020  ");
    EXPECT_EQ(line.substr(6, 24), "30 31 32 33 34 35 36 37 ");
    EXPECT_EQ(line.substr(30, 2), "- ");
    EXPECT_EQ(line.substr(32, 24), "38 39 3A 3B 3C 3D 3E 3F ");
    EXPECT_EQ(line.substr(56, 2), " |");
    EXPECT_EQ(line.substr(58, 16), "0123456789:;<=>?");
    EXPECT_EQ(line[74], '|');
}

TEST(HexDump, SeparatorAndFillerAroundTheEighthByte)
{
    const std::vector<std::uint8_t> b(9, 0x00);
    const std::string eight = FormatDumpLine(b.data(), 8, 0);
    EXPECT_EQ(eight.find('-'), std::string::npos);
    EXPECT_EQ(eight,
        "0000  " + std::string("00 ") + "00 00 00 00 00 00 00 " + "  " + std::string(24, ' ')
            + " |........|" + std::string(8, ' '));
    const std::string nine = FormatDumpLine(b.data(), 9, 0);
    EXPECT_EQ(nine,
        "0000  00 00 00 00 00 00 00 00 - 00 " + std::string(21, ' ') + " |.........|"
            + std::string(7, ' '));
    EXPECT_EQ(nine.find('|'), 57u);
}

TEST(HexDump, WhichBytesShowAsThemselves)
{
    struct Case
    {
        int Byte;
        char Shown;
    };
    for (const Case c :
        { Case { 0x1F, '\x1F' }, Case { 0x20, ' ' }, Case { 0x7E, '~' }, Case { 0x7F, '.' },
            Case { 0x00, '.' }, Case { 0x80, '.' }, Case { 0x1E, '.' }, Case { 0xFF, '.' } }) {
        const auto b = Bytes({ c.Byte });
        EXPECT_EQ(FormatDumpLine(b.data(), 1, 0)[58], c.Shown) << "byte " << c.Byte;
    }
}

TEST(HexDump, AllByteValuesRoundTripThroughTheHexColumn)
{
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    for (int line = 0; line < 16; ++line) {
        const std::string text
            = FormatDumpLine(all.data() + 16 * line, 16, static_cast<std::uint32_t>(16 * line));
        for (int k = 0; k < 16; ++k) {
            const std::size_t at = 6 + 3 * static_cast<std::size_t>(k) + (k >= 8 ? 2 : 0);
            EXPECT_EQ(std::stoi(text.substr(at, 2), nullptr, 16), 16 * line + k);
        }
    }
}

TEST(HexDump, OffsetsGrowToFiveAndSixDigits)
{
    const auto b = Bytes({ 1 });
    EXPECT_EQ(FormatDumpLine(b.data(), 1, 0xFFF0).substr(0, 6), "FFF0  ");
    EXPECT_EQ(FormatDumpLine(b.data(), 1, 0x10000).substr(0, 7), "10000  ");
    EXPECT_EQ(FormatDumpLine(b.data(), 1, 0x100000).substr(0, 8), "100000  ");
    EXPECT_EQ(FormatDumpLine(b.data(), 1, 0x100000).find('|'), 59u);
    EXPECT_EQ(FormatDumpLine(b.data(), 1, 0xFFFFF0).substr(0, 8), "FFFFF0  ");
}

TEST(HexDump, TruncationMarkerFillsTheLastLines)
{
    std::vector<std::uint8_t> tail(48, 'x');
    // The buffer's last 48 bytes: offsets FFFFD0 to FFFFFF, the marker from FFFFD8.
    std::memcpy(tail.data() + 8, sondrel::streams::kTruncationMarker,
        sizeof sondrel::streams::kTruncationMarker);
    tail[47] = 'z';
    EXPECT_EQ(FormatDumpLine(tail.data(), 16, 0xFFFFD0).substr(60, 16), "xxxxxxxx**data a");
    EXPECT_EQ(FormatDumpLine(tail.data() + 16, 16, 0xFFFFE0).substr(60, 16), "fter 16MB has be");
    EXPECT_EQ(FormatDumpLine(tail.data() + 32, 16, 0xFFFFF0).substr(60, 17), "en truncated**.z|");
}

TEST(HexDump, HeightRule)
{
    EXPECT_EQ(DumpHeight(0), 16);
    EXPECT_EQ(DumpHeight(1), 16);
    EXPECT_EQ(DumpHeight(16), 16);
    EXPECT_EQ(DumpHeight(17), 32);
    EXPECT_EQ(DumpHeight(16777216), 16777216);
}

TEST(HexDump, AppendMatchesFormat)
{
    const auto b = Bytes({ 0xDE, 0xAD, 0xBE, 0xEF });
    std::string out = "prefix";
    AppendDumpLine(out, b.data(), 4, 0x1230);
    EXPECT_EQ(out, "prefix" + FormatDumpLine(b.data(), 4, 0x1230));
}

} // namespace
