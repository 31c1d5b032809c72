#pragma once
// The "Shell IDList Array" block that carries items on the clipboard and in drags: a count n,
// n + 1 offsets (the parent folder's absolute list, then each item's list relative to it), and
// the lists themselves, all integers 32-bit little-endian. Any program on the display can offer
// this format, so the reader trusts nothing: the count, every offset and every list inside the
// block are checked, and only lists of this namespace's own items are accepted. Standard library
// only, so that the fuzzer builds exactly this file and the list parser.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::idlist {

// The lists of a block, each with its terminator, pointing into the block.
struct ArrayView
{
    std::string_view Parent;
    std::vector<std::string_view> Items;
};

// The block of `parent` (an absolute list; empty for the desktop) and `items` (lists relative to
// it), each given with or without its terminator. Empty without items.
[[nodiscard]] std::string EncodeArray(
    std::string_view parent, const std::vector<std::string_view>& items);

// The lists of a block; nothing unless the count is at least one and fits the block, every
// offset points past the offsets into the block, every list is whole and made of our items,
// the parent is an absolute list, and the parent joined to each item is one too.
[[nodiscard]] std::optional<ArrayView> DecodeArray(std::string_view block);

// A list without its terminator.
[[nodiscard]] std::string_view WithoutTerminator(std::string_view list);

} // namespace sondrel::idlist
