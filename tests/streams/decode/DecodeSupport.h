#pragma once
// What the decoder tests share: fixture files, decoding bytes of a kind, finding rows.

#include "Decoded.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::test {

using Bytes = std::vector<std::uint8_t>;

// A file of shared/fixtures/attrs, or empty when the fixtures are absent.
[[nodiscard]] Bytes AttrFixture(const std::string& name);

[[nodiscard]] streams::decode::TDecoded Decode(
    std::uint32_t kind, const Bytes& bytes, const std::string& name = {});

// The value of the first row named `field` (at any depth), or "<missing>".
[[nodiscard]] std::string Row(const streams::decode::TDecoded& decoded, const std::string& field);
// The values of every row named `field`.
[[nodiscard]] std::vector<std::string> Rows(
    const streams::decode::TDecoded& decoded, const std::string& field);

// Every prefix of `bytes`, and each byte flipped, decodes without reading outside the bytes
// (the sanitizers watch) and either reads or says why not.
void DecodesEveryDamagedCopy(std::uint32_t kind, const Bytes& bytes, const std::string& name = {});

} // namespace sondrel::test
