#pragma once
// SHA-256 of bytes fed in pieces, from the system's crypto library.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::tools {

class TSha256
{
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(const std::uint8_t* bytes, std::size_t count);
    // The digest of everything added, in lower-case hex; ends the sum.
    [[nodiscard]] std::string Hex();

private:
    void* m_context; // the library's digest context
};

} // namespace sondrel::tools
