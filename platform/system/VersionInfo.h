#pragma once
// The version-information block of a program file (VS_VERSIONINFO), as Windows lays it out: a
// tree of nodes, each a 16-bit length, a 16-bit value length, a 16-bit type (1 = text), a
// zero-ended UTF-16 key and a value, nodes and values on 32-bit boundaries. The root's value is a
// VS_FIXEDFILEINFO; its children are StringFileInfo (string tables named by language and code
// page in hex) and VarFileInfo (the "Translation" list).
//
// The bytes come from a file, so the reader trusts none of them: every length is checked against
// the block and against the enclosing node, and a malformed node ends the search. Standard
// library only, so that the reader can be fuzzed on its own.

#include "Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win32 {

using UINT = unsigned;

struct VS_FIXEDFILEINFO
{
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000u;
constexpr DWORD VOS_NT_WINDOWS32 = 0x00040004u;
constexpr DWORD VFT_APP = 0x00000001u;

} // namespace win32

namespace sondrel::platform {

// A value found in a block: where its bytes lie (offset into the block) and whether it is text.
struct VersionValue
{
    std::size_t Offset = 0;
    std::size_t Size = 0; // in bytes
    bool IsText = false;
};

// Looks `path` up in `block` the way VerQueryValue does: "\" is the root's fixed information,
// "\StringFileInfo\040904b0\FileVersion" a string, "\VarFileInfo\Translation" the translations.
// Keys compare without regard to ASCII case. Nothing when the path names no node or the block is
// malformed on the way.
[[nodiscard]] std::optional<VersionValue> FindVersionValue(
    std::span<const std::uint8_t> block, std::string_view path);

// The text of a text value, up to its first zero.
[[nodiscard]] std::u16string VersionText(
    std::span<const std::uint8_t> block, const VersionValue& value);

// What a program says of its version, for writing a block.
struct VersionInfoFields
{
    std::uint16_t FileVersion[4] = {};
    std::uint16_t ProductVersion[4] = {};
    std::uint16_t Language = 0x0409; // U.S. English
    std::uint16_t CodePage = 1200; // UTF-16
    std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

// The block for `fields`, one string table and one translation. Throws std::length_error when the
// block would not fit the 16-bit lengths.
[[nodiscard]] std::vector<std::uint8_t> BuildVersionInfo(const VersionInfoFields& fields);

// Up to four dotted numbers, as "1.0.3.0"; missing or unreadable parts are 0.
void ParseVersionNumbers(std::string_view text, std::uint16_t (&numbers)[4]);

} // namespace sondrel::platform
