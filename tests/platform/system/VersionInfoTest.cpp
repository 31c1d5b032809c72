// The version-information block: what the writer lays out, the reader finds again, and hostile
// blocks (cut short, corrupted) never lead the reader outside them.

#include "VersionInfo.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace sondrel::platform;

namespace {

VersionInfoFields Fields()
{
    VersionInfoFields fields;
    ParseVersionNumbers("1.0.3.0", fields.FileVersion);
    ParseVersionNumbers("6.0.10.158", fields.ProductVersion);
    fields.Strings = { { u"FileDescription", u"Stream viewer" }, { u"FileVersion", u"1.0.3.0" },
        { u"ProductName", u"Sondrel \u00e9" } };
    return fields;
}

std::u16string Text(std::span<const std::uint8_t> block, std::string_view path)
{
    const std::optional<VersionValue> value = FindVersionValue(block, path);
    return value && value->IsText ? VersionText(block, *value) : u"<none>";
}

TEST(VersionInfo, WrittenBlockReadsBack)
{
    const std::vector<std::uint8_t> block = BuildVersionInfo(Fields());
    ASSERT_EQ(block.size() % 4, 0u);
    EXPECT_EQ(block[0] | block[1] << 8, static_cast<int>(block.size()));

    const std::optional<VersionValue> root = FindVersionValue(block, "\\");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->Size, sizeof(win32::VS_FIXEDFILEINFO));
    win32::VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, block.data() + root->Offset, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, win32::VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00030000u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00060000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x000A009Eu);

    const std::optional<VersionValue> translation
        = FindVersionValue(block, "\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation);
    ASSERT_EQ(translation->Size, 4u);
    std::uint32_t id = 0;
    std::memcpy(&id, block.data() + translation->Offset, 4);
    EXPECT_EQ(id, 0x04B00409u); // language low, code page high

    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\FileVersion"), u"1.0.3.0");
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\FileDescription"), u"Stream viewer");
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\ProductName"), u"Sondrel \u00e9");
}

TEST(VersionInfo, PathsAreLookedUpAsWindowsDoes)
{
    const std::vector<std::uint8_t> block = BuildVersionInfo(Fields());
    const struct
    {
        const char* path;
        const char16_t* text;
    } rows[] = {
        { "\\stringfileinfo\\040904B0\\FILEVERSION", u"1.0.3.0" }, // ASCII case is ignored
        { "StringFileInfo\\040904b0\\FileVersion", u"1.0.3.0" }, // leading "\" optional
        { "\\StringFileInfo\\\\040904b0\\FileVersion\\", u"1.0.3.0" }, // empty parts skipped
        { "\\StringFileInfo\\040904b0\\CompanyName", u"<none>" },
        { "\\StringFileInfo\\040704b0\\FileVersion", u"<none>" },
        { "\\StringFileInfo\\040904b0\\FileVersion\\More", u"<none>" },
        { "\\StringFileInfo\\040904b0\\FileVersio", u"<none>" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(Text(block, row.path), row.text) << row.path;
}

TEST(VersionInfo, EveryShortenedBlockIsRefused)
{
    const std::vector<std::uint8_t> block = BuildVersionInfo(Fields());
    for (std::size_t size = 0; size < block.size(); ++size) {
        const std::span<const std::uint8_t> cut(block.data(), size);
        EXPECT_FALSE(FindVersionValue(cut, "\\")) << size;
    }
}

// Blocks whose lengths claim only a part of what was written, and blocks with one byte made
// hostile: the reader stays within the bytes it is given (the sanitizers watch) and finds the
// version only where it is intact.
TEST(VersionInfo, HostileBlocksStayWithinTheirBytes)
{
    const std::vector<std::uint8_t> good = BuildVersionInfo(Fields());
    const char* path = "\\StringFileInfo\\040904b0\\FileVersion";
    for (std::size_t size = 8; size < good.size(); ++size) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        cut[0] = static_cast<std::uint8_t>(size);
        cut[1] = static_cast<std::uint8_t>(size >> 8);
        const std::u16string text = Text(cut, path);
        EXPECT_TRUE(text == u"<none>" || text == u"1.0.3.0") << size;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (std::uint8_t hostile : { 0x00, 0x01, 0x7F, 0xFF }) {
            std::vector<std::uint8_t> bad = good;
            bad[at] = hostile;
            const std::optional<VersionValue> value = FindVersionValue(bad, path);
            if (value) {
                ASSERT_LE(value->Offset + value->Size, bad.size()) << at;
                (void)VersionText(bad, *value);
            }
        }
    }
}

TEST(VersionInfo, VersionNumbers)
{
    const struct
    {
        const char* text;
        std::uint16_t numbers[4];
    } rows[] = {
        { "1.0.3.0", { 1, 0, 3, 0 } },
        { "6.0.10.158", { 6, 0, 10, 158 } },
        { "2.5", { 2, 5, 0, 0 } },
        { "", { 0, 0, 0, 0 } },
        { "1.x.3", { 1, 0, 3, 0 } },
        { "70000.1", { 0, 1, 0, 0 } }, // too large for 16 bits
        { "1.2.3.4.5", { 1, 2, 3, 4 } },
    };
    for (const auto& row : rows) {
        std::uint16_t numbers[4] = { 9, 9, 9, 9 };
        ParseVersionNumbers(row.text, numbers);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(numbers[i], row.numbers[i]) << row.text << " part " << i;
    }
}

TEST(VersionInfo, BlocksBeyondSixteenBitLengthsAreNotWritten)
{
    VersionInfoFields fields = Fields();
    fields.Strings.emplace_back(u"Comments", std::u16string(40000, u'x'));
    EXPECT_THROW((void)BuildVersionInfo(fields), std::length_error);
}

} // namespace
