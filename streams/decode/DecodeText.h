#pragma once
// Text helpers the decoders share: numbers, GUIDs, UTF-16 and the test for "is this text".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sondrel::streams::decode {

[[nodiscard]] std::string Hex(std::uint64_t value, int digits = 0); // "0x1F", at least `digits`
[[nodiscard]] std::string HexBytes(const std::uint8_t* bytes, std::size_t length,
    std::size_t limit = 256); // "4C 58 ..." and "… (N bytes)" past the limit
// A GUID in its registry form, {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}; needs 16 bytes.
[[nodiscard]] std::string Guid(const std::uint8_t* bytes);
// UTF-16LE to UTF-8; an unpaired surrogate becomes U+FFFD. `units` is the count of code units.
[[nodiscard]] std::string Utf16ToUtf8(const std::uint8_t* bytes, std::size_t units);
[[nodiscard]] bool IsUtf8(std::string_view bytes);

struct TText
{
    std::string Encoding; // "UTF-8", "UTF-8 with byte order mark", "UTF-16LE", ...
    std::string Utf8;
};

// The bytes as text when they are UTF-8 or UTF-16 (either order, with or without a byte order
// mark) holding no control characters but tab, line breaks and one trailing NUL (Samba and some
// Windows programs end a value with one). Without a mark, UTF-16 is taken only where UTF-8 fails
// and at least half the characters are Latin.
[[nodiscard]] std::optional<TText> AsText(const std::uint8_t* bytes, std::size_t length);

// A value shown in one row: the text when it is text (its line breaks written as \n), else hex.
[[nodiscard]] std::string ValueText(const std::uint8_t* bytes, std::size_t length);

// A time of Unix seconds as "YYYY-MM-DD HH:MM:SS UTC" (plus ".nnnnnnnnn" when `nanoseconds`).
[[nodiscard]] std::string UnixTime(std::int64_t seconds, std::int64_t nanoseconds = -1);

} // namespace sondrel::streams::decode
