#include "DecodeSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace sondrel::test {

Bytes AttrFixture(const std::string& name)
{
    std::ifstream in(std::string(SONDREL_FIXTURES_DIR) + "/attrs/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

streams::decode::TDecoded Decode(std::uint32_t kind, const Bytes& bytes, const std::string& name)
{
    // A copy of exactly the stream's length, so that the sanitizers see any read past it.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    streams::decode::TStreamBytes stream;
    stream.Kind = kind;
    stream.Name = name;
    stream.Bytes = bytes.empty() ? nullptr : exact.get();
    stream.Length = bytes.size();
    stream.Size = bytes.size();
    stream.Accounts = [](bool group, std::uint32_t id) -> std::string {
        if (id == 0)
            return "root";
        return id == 4242 ? (group ? "staff42" : "alice42") : "";
    };
    return streams::decode::DecodeStream(stream);
}

std::string Row(const streams::decode::TDecoded& decoded, const std::string& field)
{
    for (const auto& row : decoded.Rows)
        if (row.Field == field)
            return row.Value;
    return "<missing>";
}

std::vector<std::string> Rows(const streams::decode::TDecoded& decoded, const std::string& field)
{
    std::vector<std::string> values;
    for (const auto& row : decoded.Rows)
        if (row.Field == field)
            values.push_back(row.Value);
    return values;
}

void DecodesEveryDamagedCopy(std::uint32_t kind, const Bytes& bytes, const std::string& name)
{
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const auto decoded = Decode(
            kind, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)), name);
        EXPECT_TRUE(decoded.Known()) << "prefix " << length;
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        Bytes damaged = bytes;
        damaged[at] ^= 0xFF;
        const auto decoded = Decode(kind, damaged, name);
        EXPECT_TRUE(decoded.Known()) << "flipped byte " << at;
        for (const auto& row : decoded.Rows)
            EXPECT_GE(row.Depth, 0);
    }
}

} // namespace sondrel::test
