// Named streams with a known form, text in its encodings, and the sparse block map.

#include "NamedDecode.h"

#include "DecodeSupport.h"
#include "DecodeText.h"

#include <gtest/gtest.h>

namespace sondrel::test {

using namespace std::literals;

namespace {

    Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

    Bytes Utf16Le(std::u16string_view text, bool mark)
    {
        Bytes out;
        if (mark)
            out = { 0xFF, 0xFE };
        for (char16_t c : text) {
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return out;
    }

    constexpr std::string_view kZone = "[ZoneTransfer]\r\nZoneId=3\r\n"
                                       "ReferrerUrl=https://example.org/page\r\n"
                                       "HostUrl=https://example.org/file.zip\r\n";

} // namespace

TEST(NamedDecode, DownloadZoneInEitherEncoding)
{
    const auto plain = Decode(4, Of(kZone), "Zone.Identifier");
    EXPECT_EQ(plain.Form, "Download zone");
    EXPECT_EQ(Row(plain, "Zone"), "3: Internet");
    EXPECT_EQ(Row(plain, "Referrer URL"), "https://example.org/page");
    EXPECT_EQ(Row(plain, "Host URL"), "https://example.org/file.zip");
    const Bytes wide = Utf16Le(u"[ZoneTransfer]\r\nZoneId=4\r\n", true);
    EXPECT_EQ(Row(Decode(4, wide, "Zone.Identifier"), "Zone"), "4: restricted sites");
    EXPECT_EQ(
        Decode(4, Of("ZoneId=3"), "Zone.Identifier").Refusal, "it has no [ZoneTransfer] section");
    EXPECT_EQ(Decode(4, Bytes { 0x00, 0x01, 0xFF }, "Zone.Identifier").Refusal, "it is not text");
    DecodesEveryDamagedCopy(4, Of(kZone), "Zone.Identifier");

    EXPECT_EQ(streams::decode::OriginOf("Zone.Identifier", Of(kZone).data(), kZone.size()),
        "https://example.org/file.zip");
    const Bytes noHost = Of("[ZoneTransfer]\nZoneId=3\nReferrerUrl=https://r.example/\n");
    EXPECT_EQ(streams::decode::OriginOf("Zone.Identifier", noHost.data(), noHost.size()),
        "https://r.example/");
    const Bytes url = Of("https://example.org/a.iso");
    EXPECT_EQ(streams::decode::OriginOf("xdg.origin.url", url.data(), url.size()),
        "https://example.org/a.iso");
    EXPECT_EQ(streams::decode::OriginOf("xdg.comment", url.data(), url.size()), "");
}

TEST(NamedDecode, TextIsFoundInItsEncodingsAndBinaryIsNot)
{
    const auto utf8 = Decode(4, Of("first line\nzweite Zeile \xC3\xBC\n\0"sv), "notes");
    EXPECT_EQ(utf8.Form, "Text");
    EXPECT_EQ(Row(utf8, "Encoding"), "UTF-8");
    EXPECT_EQ(Row(utf8, "Line 2"), "zweite Zeile \xC3\xBC");
    EXPECT_EQ(Row(Decode(4, Utf16Le(u"hello\u00e9", true), "s"), "Line 1"), "hello\xC3\xA9");
    EXPECT_EQ(Row(Decode(4, Utf16Le(u"hello", false), "s"), "Encoding"), "UTF-16LE");
    EXPECT_EQ(
        Row(Decode(4, Utf16Le(u"\u5165\u4e61", true), "s"), "Line 1"), "\xE5\x85\xA5\xE4\xB9\xA1");
    // Binary, a lone surrogate, an overlong form, control characters: not text, no decoder.
    EXPECT_FALSE(Decode(4, Bytes { 0x7F, 'E', 'L', 'F', 2, 1, 1, 0 }, "bin").Known());
    EXPECT_FALSE(Decode(4, Bytes { 0xFF, 0xFE, 0x00, 0xD8, 'a', 0 }, "bin").Known());
    EXPECT_FALSE(Decode(4, Bytes { 0xC0, 0xAF }, "bin").Known());
    EXPECT_FALSE(
        Decode(4, Bytes { 0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A }, "png").Known());
    // The main data is the dump's business alone.
    EXPECT_FALSE(Decode(1, Of("text")).Known());
}

TEST(NamedDecode, SparseBlockWithTheFileMap)
{
    streams::decode::TStreamBytes block;
    const Bytes bytes = { 0x00, 0x10, 0, 0, 0, 0, 0, 0, 'x' };
    block.Kind = 9;
    block.Bytes = bytes.data();
    block.Length = bytes.size();
    block.Size = 8 + 4096;
    block.SparseMap = { { 0, 100 }, { 4096, 4096 }, { 65536, 0 } };
    const auto decoded = streams::decode::DecodeStream(block);
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_EQ(Row(decoded, "Offset"), "4096 (0x1000)");
    EXPECT_EQ(Row(decoded, "Length"), "4096");
    EXPECT_EQ(Row(decoded, "File size"), "65536");
    EXPECT_EQ(Rows(decoded, "hole"),
        (std::vector<std::string> { "100 to 4096 (3996 bytes)", "8192 to 65536 (57344 bytes)" }));
    EXPECT_EQ(Row(decoded, "data (this block)"), "4096 to 8192 (4096 bytes)");
    block.SparseMap = { { 4096, 10 }, { 0, 5 } };
    EXPECT_NE(streams::decode::DecodeStream(block).Refusal, "");
    block.SparseMap = { { 1, ~std::uint64_t { 0 } } };
    EXPECT_NE(streams::decode::DecodeStream(block).Refusal, "");
    block.Length = 4;
    EXPECT_NE(streams::decode::DecodeStream(block).Refusal, "");
}

} // namespace sondrel::test
