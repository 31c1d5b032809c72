#pragma once
// Reading one named section of an ELF file, the way a program finds data its build embedded in
// it. The file may be anything, so every offset and size in it is checked against the file.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sondrel::platform {

enum class ElfSectionError {
    None,
    CannotOpen, // the errno says why
    NotElf, // not an ELF file of this machine's byte order, or its headers do not fit the file
    NoSuchSection,
    TooLarge, // the section is larger than the caller accepts
};

struct ElfSectionResult
{
    ElfSectionError Error = ElfSectionError::None;
    int Errno = 0;
};

// Fills `content` with the bytes of the section called `name` of the file at `path`.
[[nodiscard]] ElfSectionResult ReadElfSection(const char* path, std::string_view name,
    std::size_t maxSize, std::vector<std::uint8_t>& content);

} // namespace sondrel::platform
