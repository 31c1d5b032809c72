#include "CodePage.h"

#include "Win32Error.h"

#include <gtest/gtest.h>

using win32::AnsiToWide;
using win32::WideToAnsi;

namespace {

TEST(CodePage, ValidUtf8RoundTripsThroughUtf16)
{
    for (const std::string& text : { std::string("plain"), std::string("入乡随俗"),
             std::string("\xF0\x9F\x98\x80 emoji"), std::string("caf\xC3\xA9") }) {
        EXPECT_EQ(WideToAnsi(AnsiToWide(text)), text);
    }
    EXPECT_EQ(AnsiToWide("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
}

TEST(CodePage, BytesThatAreNotUtf8TravelAsLoneSurrogatesAndComeBack)
{
    // Lone continuation, overlong form, encoded surrogate, truncated sequence, 0xFF.
    for (const std::string& bytes : { std::string("a\x80z"), std::string("\xC0\xAF"),
             std::string("\xED\xA0\x80"), std::string("\xE4\xB8"), std::string("\xFF") }) {
        const std::u16string wide = AnsiToWide(bytes);
        for (char16_t c : wide) {
            if (c >= 0x80) {
                EXPECT_TRUE(c >= 0xDC80 && c <= 0xDCFF) << std::hex << int(c);
            }
        }
        EXPECT_EQ(WideToAnsi(wide), bytes);
    }
}

TEST(CodePage, OtherLoneSurrogatesBecomeTheReplacementCharacter)
{
    EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xDC10))), "\xEF\xBF\xBD");
}

TEST(CodePage, WideCharToMultiByteAsksSizeThenConverts)
{
    const std::u16string wide = u"grüße";
    const int size = win32::WideCharToMultiByte(
        win32::CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(size, 7);
    std::string out(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(win32::WideCharToMultiByte(win32::CP_ACP, 0, wide.data(),
                  static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr),
        size);
    EXPECT_EQ(out,
        "gr\xC3\xBC\xC3\x9F"
        "e");
    char small[3];
    EXPECT_EQ(win32::WideCharToMultiByte(win32::CP_ACP, 0, wide.data(),
                  static_cast<int>(wide.size()), small, 3, nullptr, nullptr),
        0);
    EXPECT_EQ(win32::GetLastError(), win32::ERROR_INSUFFICIENT_BUFFER);
}

} // namespace
