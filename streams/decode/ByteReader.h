#pragma once
// Little-endian reads from an untrusted buffer: every read is checked against the end, and a
// read past it yields nothing rather than touching memory outside.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace sondrel::streams::decode {

class ByteReader
{
public:
    ByteReader(const std::uint8_t* bytes, std::size_t length)
        : m_bytes(bytes)
        , m_length(bytes ? length : 0)
    {
    }

    [[nodiscard]] std::size_t Length() const { return m_length; }
    [[nodiscard]] const std::uint8_t* At(std::size_t offset) const { return m_bytes + offset; }
    [[nodiscard]] bool Has(std::size_t offset, std::size_t count) const
    {
        return offset <= m_length && count <= m_length - offset;
    }

    [[nodiscard]] std::optional<std::uint8_t> U8(std::size_t at) const
    {
        if (!Has(at, 1))
            return std::nullopt;
        return m_bytes[at];
    }
    [[nodiscard]] std::optional<std::uint16_t> U16(std::size_t at) const
    {
        if (!Has(at, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(m_bytes[at] | m_bytes[at + 1] << 8);
    }
    [[nodiscard]] std::optional<std::uint32_t> U32(std::size_t at) const
    {
        if (!Has(at, 4))
            return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | m_bytes[at + static_cast<std::size_t>(i)];
        return v;
    }
    [[nodiscard]] std::optional<std::uint64_t> U64(std::size_t at) const
    {
        if (!Has(at, 8))
            return std::nullopt;
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | m_bytes[at + static_cast<std::size_t>(i)];
        return v;
    }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_length;
};

} // namespace sondrel::streams::decode
