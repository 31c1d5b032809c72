#include "IdListArrayFormat.h"

#include "IdListFormat.h"

#include <cstdint>

namespace sondrel::idlist {

namespace {

    void PutU32(std::string& block, std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            block[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }

    std::uint32_t GetU32(std::string_view block, std::size_t at)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(block[at + i]))
                << (8 * i);
        return value;
    }

    const unsigned char* Bytes(std::string_view text)
    {
        return reinterpret_cast<const unsigned char*>(text.data());
    }

    // The whole list at `at` of the block, terminator included, its items decoded; nothing
    // when it is not one of ours.
    std::optional<std::string_view> ListAt(
        std::string_view block, std::size_t at, std::vector<Item>& items)
    {
        const std::string_view rest = block.substr(at);
        if (!DecodeList(Bytes(rest), rest.size(), items))
            return std::nullopt;
        return rest.substr(0, CheckedListSize(Bytes(rest), rest.size()));
    }

} // namespace

std::string_view WithoutTerminator(std::string_view list)
{
    if (list.size() >= kTerminator
        && list.substr(list.size() - kTerminator) == std::string_view("\0\0", 2)
        && CheckedListSize(Bytes(list), list.size()) == list.size())
        list.remove_suffix(kTerminator);
    return list;
}

std::string EncodeArray(std::string_view parent, const std::vector<std::string_view>& items)
{
    if (items.empty())
        return {};
    const std::size_t n = items.size();
    std::string block(8 + 4 * n, '\0');
    PutU32(block, 0, static_cast<std::uint32_t>(n));
    PutU32(block, 4, static_cast<std::uint32_t>(block.size()));
    block += WithoutTerminator(parent);
    block.append(kTerminator, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        PutU32(block, 8 + 4 * i, static_cast<std::uint32_t>(block.size()));
        block += WithoutTerminator(items[i]);
        block.append(kTerminator, '\0');
    }
    return block;
}

std::optional<ArrayView> DecodeArray(std::string_view block)
{
    if (block.size() < 8)
        return std::nullopt;
    const std::uint32_t n = GetU32(block, 0);
    // The offsets must fit before the lists do: each list takes at least its terminator.
    if (n == 0 || n > (block.size() - 8) / (4 + kTerminator))
        return std::nullopt;
    const std::size_t listsStart = 8 + 4 * std::size_t { n };
    ArrayView view;
    std::vector<Item> parentItems;
    const std::size_t parentAt = GetU32(block, 4);
    if (parentAt < listsStart || parentAt >= block.size())
        return std::nullopt;
    const auto parent = ListAt(block, parentAt, parentItems);
    if (!parent || !IsAbsoluteShape(parentItems))
        return std::nullopt;
    view.Parent = *parent;
    view.Items.reserve(n);
    std::vector<Item> joined;
    std::vector<Item> itemItems;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::size_t at = GetU32(block, 8 + 4 * std::size_t { i });
        if (at < listsStart || at >= block.size())
            return std::nullopt;
        const auto item = ListAt(block, at, itemItems);
        if (!item || itemItems.empty())
            return std::nullopt;
        joined = parentItems;
        joined.insert(joined.end(), itemItems.begin(), itemItems.end());
        if (!IsAbsoluteShape(joined))
            return std::nullopt;
        view.Items.push_back(*item);
    }
    return view;
}

} // namespace sondrel::idlist
