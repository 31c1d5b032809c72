#pragma once
// SHA-256 of bytes fed in pieces. Our own: the only digest the companion needs, and linking a
// crypto library for it cost every run of the companion its loading (about 0.4 ms and 120 page
// faults a process, by perf).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::tools {

class TSha256
{
public:
    TSha256();

    void Add(const std::uint8_t* bytes, std::size_t count);
    // The digest of everything added, in lower-case hex; ends the sum.
    [[nodiscard]] std::string Hex();

private:
    void Compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_block {};
    std::size_t m_filled = 0; // bytes waiting in m_block
    std::uint64_t m_length = 0; // bytes added in all
};

} // namespace sondrel::tools
