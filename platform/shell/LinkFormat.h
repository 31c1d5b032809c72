#pragma once
// The shell-link (.lnk) binary format, read and written. Link files come from anywhere (Windows
// volumes carry them), so the reader treats its bytes as hostile: every size and offset is
// checked against the bytes it lies in. Depends on the standard library and the code-page
// conversion only, so the fuzzer builds exactly this.
//
// Layout: a 76-byte header (size 0x4C, the link class id, flags, the target's attributes,
// times and size, icon index, show command, hot key), then, as the flags announce, the target's
// item ID list, the link information (volume and local base path, or a network share and a path
// suffix), the strings (description, relative path, working directory, arguments, icon
// location; UTF-16 when the Unicode flag is set, else code-page bytes), and extra-data blocks
// ended by a block shorter than 4 bytes. Strings here are system code-page bytes (UTF-8, lossless
// for bytes that are not).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel::shelllink {

// Link flags.
inline constexpr std::uint32_t kHasTargetIdList = 0x0001;
inline constexpr std::uint32_t kHasLinkInfo = 0x0002;
inline constexpr std::uint32_t kHasName = 0x0004;
inline constexpr std::uint32_t kHasRelativePath = 0x0008;
inline constexpr std::uint32_t kHasWorkingDir = 0x0010;
inline constexpr std::uint32_t kHasArguments = 0x0020;
inline constexpr std::uint32_t kHasIconLocation = 0x0040;
inline constexpr std::uint32_t kIsUnicode = 0x0080;
inline constexpr std::uint32_t kForceNoLinkInfo = 0x0100;
inline constexpr std::uint32_t kHasExpString = 0x0200;

inline constexpr std::uint32_t kEnvironmentBlock = 0xA0000001;

inline constexpr std::size_t kHeaderSize = 0x4C;
// No link of any real use comes near this; bigger files are refused before they are read.
inline constexpr std::size_t kMaxLinkFile = 1 << 20;

inline constexpr std::uint32_t kShowNormal = 1;
inline constexpr std::uint32_t kShowMaximized = 3;
inline constexpr std::uint32_t kShowMinNoActive = 7;

struct LinkRecord
{
    std::uint32_t FileAttributes = 0;
    std::uint64_t CreationTime = 0; // FILETIME ticks
    std::uint64_t AccessTime = 0;
    std::uint64_t WriteTime = 0;
    std::uint32_t FileSize = 0;
    std::int32_t IconIndex = 0;
    std::uint32_t ShowCommand = kShowNormal; // read back as normal unless one of the three above
    std::uint16_t HotKey = 0; // key code low, modifiers high

    std::string IdList; // the list's bytes with its terminator; empty: none

    // Link information: a local path, or a network share with a suffix.
    std::string LocalBasePath;
    std::string NetName;
    std::string CommonPathSuffix;
    std::uint32_t DriveType = 3;
    std::uint32_t DriveSerialNumber = 0;
    std::string VolumeLabel;
    bool LinkInfoIgnored = false; // the file says to disregard its link information

    std::optional<std::string> Description;
    std::optional<std::string> RelativePath;
    std::optional<std::string> WorkingDirectory;
    std::optional<std::string> Arguments;
    std::optional<std::string> IconLocation;

    std::optional<std::string> EnvironmentTarget; // the target with variables, unexpanded

    // Extra-data blocks this code does not interpret, whole, kept so that a link read and saved
    // again loses nothing of them.
    std::vector<std::string> OtherBlocks;

    // The target's path as the link information spells it, else the environment target; empty
    // when the link names its target only by ID list (or not at all).
    [[nodiscard]] std::string TargetPath() const;
};

// False when the bytes are no link or any part of them is inconsistent.
[[nodiscard]] bool ReadLink(const unsigned char* data, std::size_t size, LinkRecord& record);

// The file's bytes (strings in UTF-16); nothing when a string has more than 65,535 UTF-16 units,
// which the format cannot count.
[[nodiscard]] std::optional<std::string> WriteLink(const LinkRecord& record);

// Whether a string fits the format's 16-bit character count.
[[nodiscard]] bool FitsLinkString(const std::string& text);

} // namespace sondrel::shelllink
