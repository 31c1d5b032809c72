#include "EaList.h"

#include <cstring>

namespace sondrel::backup {

namespace {
    constexpr std::size_t kFixedSize = 8; // next offset, flags, name length, value length
}

bool FitsEaEntry(std::size_t nameLength, std::size_t valueLength)
{
    return nameLength > 0 && nameLength <= 0xFF && valueLength <= 0xFFFF;
}

std::size_t EaEntrySize(std::size_t nameLength, std::size_t valueLength)
{
    const std::size_t raw = kFixedSize + nameLength + 1 + valueLength;
    return (raw + 3) & ~std::size_t { 3 };
}

std::vector<std::uint8_t> PackEaList(const std::vector<EaEntry>& entries)
{
    std::vector<std::uint8_t> out;
    std::size_t last = 0;
    for (const EaEntry& e : entries) {
        if (!FitsEaEntry(e.Name.size(), e.Value.size()))
            continue;
        const std::size_t at = out.size();
        const std::size_t size = EaEntrySize(e.Name.size(), e.Value.size());
        out.resize(at + size, 0);
        const auto next = static_cast<std::uint32_t>(size);
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(next >> (8 * i));
        out[at + 4] = 0;
        out[at + 5] = static_cast<std::uint8_t>(e.Name.size());
        out[at + 6] = static_cast<std::uint8_t>(e.Value.size());
        out[at + 7] = static_cast<std::uint8_t>(e.Value.size() >> 8);
        std::memcpy(out.data() + at + kFixedSize, e.Name.data(), e.Name.size());
        if (!e.Value.empty())
            std::memcpy(
                out.data() + at + kFixedSize + e.Name.size() + 1, e.Value.data(), e.Value.size());
        last = at;
    }
    if (!out.empty())
        std::memset(out.data() + last, 0, 4);
    return out;
}

void TerminateEaList(std::vector<std::uint8_t>& list)
{
    std::size_t at = 0;
    while (at + 4 <= list.size()) {
        const std::uint32_t next = static_cast<std::uint32_t>(list[at])
            | static_cast<std::uint32_t>(list[at + 1]) << 8
            | static_cast<std::uint32_t>(list[at + 2]) << 16
            | static_cast<std::uint32_t>(list[at + 3]) << 24;
        if (next == 0)
            return;
        if (next >= list.size() - at) {
            std::memset(list.data() + at, 0, 4);
            return;
        }
        at += next;
    }
}

} // namespace sondrel::backup
