#pragma once
// Finding bytes in a stream's loaded content, forward or backward, straight in the bytes (never
// in the dump's text), and reading what the user typed as the bytes to find or the offset to go
// to. Pure functions; no allocation beyond the pattern.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sondrel::streams {

// The first match of `pattern` in `data` starting at or after `from` (forward), or the last one
// starting before `from` (backward); nullopt when there is none or the pattern is empty.
[[nodiscard]] std::optional<std::uint64_t> FindBytes(const std::uint8_t* data, std::uint64_t length,
    std::string_view pattern, std::uint64_t from, bool forward);

// Hex bytes as people write them: pairs of digits, with or without spaces between the bytes
// ("DE AD be ef", "deadbeef"); nullopt for anything else or nothing.
[[nodiscard]] std::optional<std::string> ParseHexBytes(std::string_view text);

// An offset as the dump prints them: hexadecimal, with or without a leading 0x; nullopt for
// anything else.
[[nodiscard]] std::optional<std::uint64_t> ParseDumpOffset(std::string_view text);

} // namespace sondrel::streams
