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

// The many-line writer gives the lines one at a time would, each ended by a line feed: whole
// lines, a short last one, and across each change of the offset's width, also where a line
// straddles it, and where the offsets wrap.
TEST(HexDump, ManyLinesMatchSingleLines)
{
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    for (const std::uint32_t offset :
        { 0u, 0xFF80u, 0xFFF8u, 0xFFFF7u, 0x123450u, 0xFFFFFF1u, 0xFFFFFFF0u }) {
        for (const std::size_t count : { std::size_t { 0 }, std::size_t { 1 }, std::size_t { 16 },
                 std::size_t { 17 }, std::size_t { 200 }, std::size_t { 256 } }) {
            std::string expected;
            for (std::size_t k = 0; k < count; k += 16) {
                AppendDumpLine(expected, bytes.data() + k,
                    static_cast<int>(std::min<std::size_t>(16, count - k)),
                    offset + static_cast<std::uint32_t>(k));
                expected += '\n';
            }
            std::string written(
                sondrel::streams::DumpLineCount(static_cast<sondrel::streams::DumpOffset>(count))
                    * (sondrel::streams::kDumpMaxLineLength + 1),
                '\0');
            written.resize(
                sondrel::streams::WriteDumpLines(written.data(), bytes.data(), count, offset));
            EXPECT_EQ(written, expected) << "offset " << offset << ", " << count << " bytes";
        }
    }
}

// Every position the geometry names holds what the formatter put there, on lines of each
// offset width and on short lines, and the text positions agree with the lines joined by
// line feeds across the width changes.
TEST(DumpGeometry, AgreesWithTheFormattedLines)
{
    using namespace sondrel::streams;
    std::vector<std::uint8_t> b(16);
    for (int k = 0; k < 16; ++k)
        b[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(0x41 + k);
    for (const DumpLine line : { DumpLine { 0 }, DumpLine { 0xFFF }, DumpLine { 0x1000 },
             DumpLine { 0xFFFF }, DumpLine { 0x10000 }, DumpLine { 0xFFFFF } }) {
        for (const int count : { 1, 8, 9, 16 }) {
            const std::string text
                = FormatDumpLine(b.data(), count, static_cast<std::uint32_t>(DumpLineOffset(line)));
            ASSERT_EQ(static_cast<int>(text.size()), DumpLineLength(line)) << line;
            EXPECT_EQ(text[static_cast<std::size_t>(DumpBarColumn(line))], '|') << line;
            for (int k = 0; k < count; ++k) {
                const auto hex = static_cast<std::size_t>(DumpHexColumn(line, k));
                EXPECT_EQ(std::stoi(text.substr(hex, 2), nullptr, 16), 0x41 + k) << line;
                EXPECT_EQ(text[static_cast<std::size_t>(DumpCharColumn(line, k))], 'A' + k);
            }
            EXPECT_EQ(text[static_cast<std::size_t>(DumpCharColumn(line, count))], '|');
        }
    }
    // Walking the text line by line across both width changes.
    std::int64_t start = 0;
    for (DumpLine line = 0; line < 0x10010; ++line) {
        if (line == 0x1010)
            line = 0xFFF0; // skip the dull middle, keeping the running start right
        if (line == 0xFFF0)
            start = DumpTextLineStart(line);
        ASSERT_EQ(DumpTextLineStart(line), start) << line;
        EXPECT_EQ(DumpTextLineAt(start), line);
        EXPECT_EQ(DumpTextLineAt(start + DumpLineLength(line)), line) << "its line feed";
        start += DumpLineLength(line) + 1;
        EXPECT_EQ(DumpTextLineAt(start), line + 1);
    }
    EXPECT_EQ(DumpTextLineStart(0x1000), 0x1000 * 76);
    EXPECT_EQ(DumpTextLineStart(0x10000), 0x1000 * 76 + 0xF000 * 77);
    EXPECT_EQ(DumpTextLineStart(0x10001), 0x1000 * 76 + 0xF000 * 77 + 78);
}

TEST(DumpGeometry, LineRanges)
{
    using namespace sondrel::streams;
    EXPECT_EQ(DumpLineBytes(2, 40), 8);
    EXPECT_EQ(DumpLineBytes(3, 40), 0);
    EXPECT_EQ(DumpLineBytes(0, 40), 16);
    const DumpLineRange band = DumpLinesInBand(20, 50, 1000);
    EXPECT_EQ(band.First, 1);
    EXPECT_EQ(band.End, 4);
    EXPECT_EQ(DumpLinesInBand(20, 50, 1000, 10).First, 0) << "a tall font reaches up";
    EXPECT_EQ(DumpLinesInBand(0, 5000, 40).End, 3) << "never past the dump";
    EXPECT_EQ(DumpLinesInBand(900, 5000, 40).End, DumpLinesInBand(900, 5000, 40).First);
    const DumpLineRange bytes = DumpLinesOfBytes(15, 33);
    EXPECT_EQ(bytes.First, 0);
    EXPECT_EQ(bytes.End, 3);
    EXPECT_EQ(DumpLinesOfBytes(32, 32).End - DumpLinesOfBytes(32, 32).First, 0);
}

} // namespace
