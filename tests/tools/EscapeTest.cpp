#include "Escape.h"

#include <gtest/gtest.h>

using sondrel::tools::EscapeForLine;

namespace {

TEST(Escape, LineBreakingAndAmbiguousCharactersAreEscaped)
{
    EXPECT_EQ(EscapeForLine("a\tb\nc\\d"), "a\\tb\\nc\\\\d");
    EXPECT_EQ(EscapeForLine("plain name.txt"), "plain name.txt");
    EXPECT_EQ(EscapeForLine("入乡随俗 \xF0\x9F\x98\x80"), "入乡随俗 \xF0\x9F\x98\x80");
}

TEST(Escape, BytesThatAreNotUtf8AreWrittenAsHex)
{
    EXPECT_EQ(EscapeForLine("bad\xFF\xFE"), "bad\\xFF\\xFE");
    EXPECT_EQ(EscapeForLine("\xC3"), "\\xC3"); // a cut sequence
    EXPECT_EQ(EscapeForLine("\xED\xB2\x80"), "\\xED\\xB2\\x80"); // an encoded surrogate
    EXPECT_EQ(EscapeForLine("caf\xC3\xA9\x80"), "caf\xC3\xA9\\x80");
}

} // namespace
