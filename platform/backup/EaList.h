#pragma once
// Windows' packed extended-attribute list (FILE_FULL_EA_INFORMATION entries): next offset u32,
// flags u8, name length u8, value length u16, name, NUL, value, each entry 4-byte aligned, the
// last one's next offset 0. Pure byte handling; input is untrusted.

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::backup {

struct EaEntry
{
    std::string Name;
    std::vector<std::uint8_t> Value;
};

// Whether an attribute can travel in an entry at all (its lengths fit the u8 and u16 fields).
[[nodiscard]] bool FitsEaEntry(std::size_t nameLength, std::size_t valueLength);

[[nodiscard]] std::size_t EaEntrySize(std::size_t nameLength, std::size_t valueLength);

[[nodiscard]] std::vector<std::uint8_t> PackEaList(const std::vector<EaEntry>& entries);

// Windows-written lists end with the last entry's next offset set to its own padded length;
// set it to 0 as the backup format has it. Stops at the buffer's end and at any offset that does
// not lead forward inside it.
void TerminateEaList(std::vector<std::uint8_t>& list);

} // namespace sondrel::backup
