#pragma once
// The stored form of a shell locator (the data of its "Pidl" property), written and parsed.
// Form descriptions come from files, so the parser takes its bytes as untrusted and depends on
// the standard library alone (and the ID-list size check), which lets the fuzzer build it.
//
//   offset 0   1 byte    0: by ID list, otherwise by special folder
//   by special folder:   1 byte, the CSIDL number
//   by ID list:          u32 little-endian L, then L bytes: the list with its terminator
//                        (L = 0 stands for the desktop by special folder)

#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::shell::locatorform {

inline constexpr std::uint8_t kLastCsidl = 50; // csidlNone

struct StoredLocator
{
    bool BySpecialFolder = false;
    std::uint8_t Csidl = 0;
    std::string List; // with its terminator; empty: L = 0
};

enum class ParseResult {
    Ok,
    EndedEarly, // the bytes stop inside the form
    Invalid, // a CSIDL past the last one, a list whose sizes do not add up to L, bytes left over
};

[[nodiscard]] ParseResult Parse(const unsigned char* data, std::size_t size, StoredLocator& out);

[[nodiscard]] std::string Write(const StoredLocator& locator);

} // namespace sondrel::shell::locatorform
