#pragma once
// Positional message formatting and the text helpers that never split a multi-byte character.
// The system code page is UTF-8: a "double-byte" character here is any UTF-8 sequence of two to
// four bytes; a byte that starts no valid sequence counts as a character of its own. Bytes 0 to
// 127 are always whole characters, so an ASCII delimiter never matches inside another character.

#include <stdexcept>
#include <string>
#include <vector>

namespace sondrel::shell {

class EFormatStrPosError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxSubstitutionStrings = 50;

// `format` with %1 … %n replaced by strings[0] … strings[n-1] (the system formatter's inserts,
// MessageFormat.h). Empty for an empty format and when formatting fails, as when the format names
// a string that was not given. More than 50 strings raise "FormatStrPos: Too many substitution
// strings".
[[nodiscard]] std::string FormatStrPos(
    const std::string& format, const std::vector<std::string>& strings);

// `s` ending in `c`: unchanged when empty or already ending in the character `c`, else with `c`
// appended (also after a multi-byte character whatever its last byte).
[[nodiscard]] std::string EnsureTrailingCharDB(const std::string& s, char c);

// `s` without its trailing run of characters 0..32.
[[nodiscard]] std::string TrimRightDB(const std::string& s);

// Appends the character at 1-based `pos` (all of its bytes) to `dest` and moves `pos` past it.
// A position outside `s` does nothing.
void CopyCharDB(std::size_t& pos, const std::string& s, std::string& dest);

// Splits a command line into its parameters (blank or tab between them, double quotes around a
// parameter holding blanks) and appends each non-empty one, right-trimmed, to `list`.
void ParametizeCmdLineDB(const std::string& line, std::vector<std::string>& list);

} // namespace sondrel::shell
