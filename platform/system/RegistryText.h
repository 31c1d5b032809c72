#pragma once
// The registry stand-in's file format (described in Registry.h) parsed from its text: bytes in,
// keys and values out, each line that does not parse skipped on its own. Depends on the standard
// library alone, so that it can be fuzzed by itself.

#include "Win32Types.h"

#include <map>
#include <string>
#include <string_view>

namespace sondrel::platform::registry {

struct Value
{
    win32::DWORD Type = 0; // REG_NONE
    std::string Bytes;
};

struct Hive
{
    // Keys by their lower-case path; value names lower case, "" for the default value.
    std::map<std::string, std::map<std::string, Value>> Keys;
};

[[nodiscard]] Hive ParseRegistryText(std::string_view text);

// ASCII letters in lower case, as the registry compares names.
[[nodiscard]] std::string LowerAscii(std::string_view text);

} // namespace sondrel::platform::registry
