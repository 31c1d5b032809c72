#pragma once
// The byte form of this namespace's item ID lists and its parser. Lists arrive from outside (the
// clipboard, stored locator properties, drag data), so everything that reads bytes of unknown
// origin is bounds-checked here and depends on nothing but the standard library, which lets the
// fuzzer build exactly this file.
//
// An item: size u16 (little-endian, counts itself), signature 0x53, kind, flags, payload.
//   Home, Computer, Trash: no payload.  Drive: the mount point (absolute path bytes).
//   Entry: one name of a file-system folder, bytes as the file system holds them.
//   TrashEntry: an item of a trash on another file system: the trash's files folder (absolute
//   path bytes), a NUL, then the name as for an entry.
// A list ends with a zero size. An absolute list follows the namespace's shape:
//   (nothing) | Home Entry* | Trash [(Entry | TrashEntry) Entry*] | Computer [Drive Entry*]
//   | Entry*

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::idlist {

enum class Kind : std::uint8_t {
    Home = 1,
    Computer = 2,
    Trash = 3,
    Drive = 4,
    Entry = 5,
    TrashEntry = 6,
};

inline constexpr std::uint8_t kSignature = 0x53;
inline constexpr std::size_t kItemHeader = 5; // size, signature, kind, flags
inline constexpr std::size_t kTerminator = 2;
inline constexpr std::size_t kMaxItemSize = 0xFFFF;

// Entry flags: what the folder saw when it listed the name. They order folders first without a
// stat; attributes always come from the file system itself.
inline constexpr std::uint8_t kFlagFolder = 0x01; // a folder, or a symbolic link to one
inline constexpr std::uint8_t kFlagLink = 0x02; // a symbolic link
inline constexpr std::uint8_t kKnownFlags = kFlagFolder | kFlagLink;

struct Item
{
    Kind ItemKind = Kind::Entry;
    std::uint8_t Flags = 0;
    std::string_view Payload; // points into the decoded bytes; a trash entry's name
    std::string_view Trash = {}; // a trash entry's files folder
};

// The 16-bit size at `at` (unaligned, little-endian).
[[nodiscard]] inline std::size_t ReadItemSize(const unsigned char* at)
{
    return static_cast<std::size_t>(at[0]) | static_cast<std::size_t>(at[1]) << 8;
}

// Length of a list made by this process (trusted), terminator included; 0 for null.
[[nodiscard]] std::size_t ListSize(const void* list);
// Number of items of a trusted list; 0 for null.
[[nodiscard]] std::size_t ItemCount(const void* list);

// Length of the list at `data` (terminator included) when its item sizes are consistent within
// `size` bytes: every item at least 2 bytes, none running past the end, a terminator present.
// 0 when not.
[[nodiscard]] std::size_t CheckedListSize(const unsigned char* data, std::size_t size);

// One item of this namespace: `size` is the item's bytes, its size field included. Empty when
// the bytes are not an item of ours or break its rules (an entry name with '/', a NUL, "." or
// "..", a drive that is not an absolute path, unknown flags).
[[nodiscard]] std::optional<Item> DecodeItem(const unsigned char* item, std::size_t size);

// Every item of the list at `data`; false (and `items` unspecified) unless the whole list is
// consistent and every item is ours.
[[nodiscard]] bool DecodeList(
    const unsigned char* data, std::size_t size, std::vector<Item>& items);

// Whether decoded items form an absolute list of the namespace's shape.
[[nodiscard]] bool IsAbsoluteShape(const std::vector<Item>& items);

// The bytes of one item (no terminator); empty when the payload does not fit an item.
[[nodiscard]] std::string EncodeItem(Kind kind, std::uint8_t flags, std::string_view payload);
// The bytes of an entry of the trash whose files folder is `trash`.
[[nodiscard]] std::string EncodeTrashEntry(
    std::uint8_t flags, std::string_view trash, std::string_view name);
// The bytes of a decoded item.
[[nodiscard]] std::string EncodeItem(const Item& item);

// Whether `name` may be an entry's name.
[[nodiscard]] bool IsValidEntryName(std::string_view name);

} // namespace sondrel::idlist
