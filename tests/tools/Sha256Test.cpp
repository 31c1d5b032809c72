// The companion's SHA-256 against the FIPS 180 examples, and fed in pieces of every size: the
// fixtures' hashes (FixtureTest) check it again on real streams against sha256sum.

#include "Sha256.h"

#include <gtest/gtest.h>
#include <string>

using sondrel::tools::TSha256;

namespace {

std::string Sum(const std::string& bytes, std::size_t piece)
{
    TSha256 sum;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        sum.Add(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at,
            std::min(piece, bytes.size() - at));
    return sum.Hex();
}

TEST(Sha256, StandardExamples)
{
    const struct
    {
        std::string Bytes;
        const char* Digest;
    } examples[] = {
        { "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855" },
        { "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad" },
        { "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1" },
        { std::string(1000000, 'a'),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0" },
    };
    for (const auto& example : examples)
        EXPECT_EQ(Sum(example.Bytes, 65536), example.Digest) << example.Bytes.size() << " bytes";
}

// Lengths around the block and padding edges (55, 56, 63, 64 bytes), fed in every piece size.
TEST(Sha256, PiecesOfAnySizeGiveTheSameSum)
{
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes += static_cast<char>(i * 31 + 7);
    for (const std::size_t length : { 55u, 56u, 63u, 64u, 65u, 200u }) {
        const std::string part = bytes.substr(0, length);
        const std::string whole = Sum(part, length);
        for (std::size_t piece = 1; piece <= 70; ++piece)
            ASSERT_EQ(Sum(part, piece), whole) << length << " bytes in pieces of " << piece;
    }
    EXPECT_EQ(Sum(std::string(56, 'a'), 1),
        "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

} // namespace
