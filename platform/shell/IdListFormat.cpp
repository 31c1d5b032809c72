#include "IdListFormat.h"

#include <algorithm>

namespace sondrel::idlist {

std::size_t ListSize(const void* list)
{
    if (list == nullptr)
        return 0;
    const auto* at = static_cast<const unsigned char*>(list);
    std::size_t total = 0;
    while (const std::size_t size = ReadItemSize(at + total))
        total += size;
    return total + kTerminator;
}

std::size_t ItemCount(const void* list)
{
    if (list == nullptr)
        return 0;
    const auto* at = static_cast<const unsigned char*>(list);
    std::size_t count = 0;
    for (std::size_t size; (size = ReadItemSize(at)) != 0; at += size)
        ++count;
    return count;
}

std::size_t CheckedListSize(const unsigned char* data, std::size_t size)
{
    if (data == nullptr)
        return 0;
    std::size_t offset = 0;
    for (;;) {
        if (size - offset < kTerminator)
            return 0;
        const std::size_t item = ReadItemSize(data + offset);
        if (item == 0)
            return offset + kTerminator;
        // A size of 1 would never move on; one past the end would read outside the bytes.
        if (item < 2 || item > size - offset)
            return 0;
        offset += item;
    }
}

bool IsValidEntryName(std::string_view name)
{
    // One pass over the bytes: find_first_of would search the two-byte set once per byte, and
    // every comparison of a sort decodes two names.
    return !name.empty() && name != "." && name != ".."
        && std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; });
}

std::optional<Item> DecodeItem(const unsigned char* item, std::size_t size)
{
    if (item == nullptr || size < kItemHeader || ReadItemSize(item) != size
        || item[2] != kSignature)
        return std::nullopt;
    Item decoded;
    decoded.Flags = item[4];
    decoded.Payload
        = std::string_view(reinterpret_cast<const char*>(item) + kItemHeader, size - kItemHeader);
    switch (item[3]) {
    case static_cast<unsigned char>(Kind::Home):
    case static_cast<unsigned char>(Kind::Computer):
    case static_cast<unsigned char>(Kind::Trash):
        if (!decoded.Payload.empty() || decoded.Flags != 0)
            return std::nullopt;
        break;
    case static_cast<unsigned char>(Kind::Drive):
        if (decoded.Flags != 0 || decoded.Payload.empty() || decoded.Payload.front() != '/'
            || decoded.Payload.find('\0') != std::string_view::npos)
            return std::nullopt;
        break;
    case static_cast<unsigned char>(Kind::Entry):
        if ((decoded.Flags & ~kKnownFlags) != 0 || !IsValidEntryName(decoded.Payload))
            return std::nullopt;
        break;
    case static_cast<unsigned char>(Kind::TrashEntry): {
        const std::size_t split = decoded.Payload.find('\0');
        if ((decoded.Flags & ~kKnownFlags) != 0 || split == std::string_view::npos)
            return std::nullopt;
        decoded.Trash = decoded.Payload.substr(0, split);
        decoded.Payload = decoded.Payload.substr(split + 1);
        // The name holds no NUL, so the split is the only one.
        if (decoded.Trash.empty() || decoded.Trash.front() != '/'
            || !IsValidEntryName(decoded.Payload))
            return std::nullopt;
        break;
    }
    default:
        return std::nullopt;
    }
    decoded.ItemKind = static_cast<Kind>(item[3]);
    return decoded;
}

bool DecodeList(const unsigned char* data, std::size_t size, std::vector<Item>& items)
{
    items.clear();
    const std::size_t length = CheckedListSize(data, size);
    if (length == 0)
        return false;
    for (std::size_t offset = 0; offset + kTerminator < length;) {
        const std::size_t item = ReadItemSize(data + offset);
        const auto decoded = DecodeItem(data + offset, item);
        if (!decoded)
            return false;
        items.push_back(*decoded);
        offset += item;
    }
    return true;
}

bool IsAbsoluteShape(const std::vector<Item>& items)
{
    if (items.empty())
        return true;
    std::size_t next = 1;
    switch (items.front().ItemKind) {
    case Kind::Home:
        break;
    case Kind::Trash:
        if (items.size() > 1) {
            if (items[1].ItemKind != Kind::Entry && items[1].ItemKind != Kind::TrashEntry)
                return false;
            next = 2;
        }
        break;
    case Kind::Computer:
        if (items.size() > 1) {
            if (items[1].ItemKind != Kind::Drive)
                return false;
            next = 2;
        }
        break;
    case Kind::Entry:
        next = 0;
        break;
    case Kind::Drive:
    case Kind::TrashEntry:
        return false;
    }
    for (std::size_t i = next; i < items.size(); ++i) {
        if (items[i].ItemKind != Kind::Entry)
            return false;
    }
    return true;
}

std::string EncodeItem(Kind kind, std::uint8_t flags, std::string_view payload)
{
    const std::size_t size = kItemHeader + payload.size();
    if (size > kMaxItemSize)
        return {};
    std::string bytes;
    bytes.reserve(size);
    bytes += static_cast<char>(size & 0xFF);
    bytes += static_cast<char>(size >> 8);
    bytes += static_cast<char>(kSignature);
    bytes += static_cast<char>(kind);
    bytes += static_cast<char>(flags);
    bytes += payload;
    return bytes;
}

std::string EncodeTrashEntry(std::uint8_t flags, std::string_view trash, std::string_view name)
{
    std::string payload;
    payload.reserve(trash.size() + 1 + name.size());
    payload += trash;
    payload += '\0';
    payload += name;
    return EncodeItem(Kind::TrashEntry, flags, payload);
}

std::string EncodeItem(const Item& item)
{
    return item.ItemKind == Kind::TrashEntry
        ? EncodeTrashEntry(item.Flags, item.Trash, item.Payload)
        : EncodeItem(item.ItemKind, item.Flags, item.Payload);
}

} // namespace sondrel::idlist
