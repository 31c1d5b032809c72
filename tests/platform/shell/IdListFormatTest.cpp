// The ID-list parser against hostile bytes and the round trip of every name byte.
#include "IdListFormat.h"

#include "IdListArrayFormat.h"

#include <gtest/gtest.h>
#include <string>

using namespace sondrel::idlist;
using namespace std::string_literals;

namespace {

std::string List(std::initializer_list<std::string> items)
{
    std::string bytes;
    for (const std::string& item : items)
        bytes += item;
    return bytes + "\0\0"s;
}

const unsigned char* Bytes(const std::string& s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

struct Case
{
    const char* What;
    std::string Bytes;
    bool Valid;
};

} // namespace

TEST(IdListFormat, DecodesOnlyConsistentListsOfOurItems)
{
    const std::string entry = EncodeItem(Kind::Entry, kFlagFolder, "docs");
    const Case cases[] = {
        { "empty list", "\0\0"s, true },
        { "one entry", List({ entry }), true },
        { "no terminator", entry, false },
        { "half a terminator", entry + "\0"s, false },
        { "nothing at all", "", false },
        { "size 1 never moves on", "\x01\x00\x00\x00"s, false },
        { "size past the end", "\x40\x00\x53\x05\x00"s + "\0\0"s, false },
        { "size shorter than a header", "\x04\x00\x53\x05\0\0"s, false },
        { "foreign signature", "\x06\x00\x1F\x05\x00x\0\0"s, false },
        { "unknown kind", "\x06\x00\x53\x09\x00x\0\0"s, false },
        { "unknown flags", "\x06\x00\x53\x05\x80x\0\0"s, false },
        { "entry with a slash", List({ EncodeItem(Kind::Entry, 0, "a/b") }), false },
        { "entry with a NUL", List({ EncodeItem(Kind::Entry, 0, "a\0b"s) }), false },
        { "entry dot", List({ EncodeItem(Kind::Entry, 0, ".") }), false },
        { "entry dot dot", List({ EncodeItem(Kind::Entry, 0, "..") }), false },
        { "entry without a name", List({ EncodeItem(Kind::Entry, 0, "") }), false },
        { "relative drive", List({ EncodeItem(Kind::Drive, 0, "mnt") }), false },
        { "home with payload", List({ EncodeItem(Kind::Home, 0, "x") }), false },
        { "drive and entries", List({ EncodeItem(Kind::Drive, 0, "/mnt/a b"), entry }), true },
        { "trash entry", List({ EncodeTrashEntry(0, "/m/.Trash-0/files", "a\xff") }), true },
        { "trash entry without its folder", List({ EncodeItem(Kind::TrashEntry, 0, "a") }), false },
        { "trash entry in a relative folder",
            List({ EncodeTrashEntry(0, "m/.Trash-0/files", "a") }), false },
        { "trash entry with an empty folder", List({ EncodeTrashEntry(0, "", "a") }), false },
        { "trash entry with a NUL in its name", List({ EncodeTrashEntry(0, "/t/files", "a\0b"s) }),
            false },
        { "trash entry named with a slash", List({ EncodeTrashEntry(0, "/t/files", "a/b") }),
            false },
        { "trash entry without a name", List({ EncodeTrashEntry(0, "/t/files", "") }), false },
        { "trash entry with unknown flags", List({ EncodeTrashEntry(0x40, "/t/files", "a") }),
            false },
    };
    for (const Case& c : cases) {
        std::vector<Item> items;
        EXPECT_EQ(DecodeList(Bytes(c.Bytes), c.Bytes.size(), items), c.Valid) << c.What;
    }
}

TEST(IdListFormat, CheckedSizeStopsAtTheTerminatorWithinTheBytes)
{
    const std::string list
        = List({ EncodeItem(Kind::Entry, 0, "a"), EncodeItem(Kind::Entry, 0, "bc") });
    EXPECT_EQ(CheckedListSize(Bytes(list), list.size()), list.size());
    EXPECT_EQ(CheckedListSize(Bytes(list), list.size() + 7), list.size());
    for (std::size_t cut = 0; cut < list.size(); ++cut)
        EXPECT_EQ(CheckedListSize(Bytes(list), cut), 0u) << cut;
    EXPECT_EQ(ListSize(list.data()), list.size());
    EXPECT_EQ(ItemCount(list.data()), 2u);
    EXPECT_EQ(ListSize(nullptr), 0u);
}

TEST(IdListFormat, EveryNameByteRoundTrips)
{
    std::string name;
    for (int b = 1; b < 256; ++b) {
        if (b != '/')
            name += static_cast<char>(b);
    }
    for (const std::string& n : { name, "\n"s, "a:b"s, "\xff\xfe"s, std::string(255, 'x') }) {
        const std::string list = List({ EncodeItem(Kind::Entry, kFlagLink, n) });
        std::vector<Item> items;
        ASSERT_TRUE(DecodeList(Bytes(list), list.size(), items));
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].Payload, n);
        EXPECT_EQ(items[0].Flags, kFlagLink);
    }
    EXPECT_TRUE(EncodeItem(Kind::Entry, 0, std::string(kMaxItemSize, 'x')).empty());
    const std::string trashed = List({ EncodeTrashEntry(kFlagFolder, "/t/files", name) });
    std::vector<Item> items;
    ASSERT_TRUE(DecodeList(Bytes(trashed), trashed.size(), items));
    EXPECT_EQ(items[0].Payload, name);
    EXPECT_EQ(items[0].Trash, "/t/files");
    EXPECT_EQ(EncodeItem(items[0]) + "\0\0"s, trashed);
}

TEST(IdListFormat, AbsoluteShapes)
{
    const Item home { Kind::Home, 0, {} }, computer { Kind::Computer, 0, {} },
        trash { Kind::Trash, 0, {} }, drive { Kind::Drive, 0, "/" }, entry { Kind::Entry, 0, "a" },
        trashEntry { Kind::TrashEntry, 0, "a", "/t/files" };
    const std::pair<std::vector<Item>, bool> shapes[] = {
        { {}, true },
        { { home, entry, entry }, true },
        { { trash, entry }, true },
        { { computer }, true },
        { { computer, drive, entry }, true },
        { { entry, entry }, true },
        { { drive }, false },
        { { computer, entry }, false },
        { { home, computer }, false },
        { { entry, home }, false },
        { { computer, drive, drive }, false },
        { { trash, trashEntry, entry }, true },
        { { trashEntry }, false },
        { { trash, entry, trashEntry }, false },
        { { home, trashEntry }, false },
    };
    for (const auto& [items, valid] : shapes)
        EXPECT_EQ(IsAbsoluteShape(items), valid) << items.size();
}

namespace {

std::string U32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

TEST(IdListArrayFormat, ReadsOnlyBlocksWhoseEveryOffsetAndListIsOurs)
{
    const std::string parent = List({ EncodeItem(Kind::Computer, 0, ""),
        EncodeItem(Kind::Drive, 0, "/"), EncodeItem(Kind::Entry, kFlagFolder, "home") });
    const std::string a = List({ EncodeItem(Kind::Entry, 0, "a") });
    const std::string b = List({ EncodeItem(Kind::Entry, kFlagFolder, "b\xff") });
    const std::string good = EncodeArray(parent, { a, b });
    // Count, the offsets of parent, a and b, then the lists back to back.
    const std::string expected = U32(2) + U32(16) + U32(16 + parent.size())
        + U32(16 + parent.size() + a.size()) + parent + a + b;
    ASSERT_EQ(good, expected);
    const auto view = DecodeArray(good);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->Parent, parent);
    EXPECT_EQ(view->Items, (std::vector<std::string_view> { a, b }));
    EXPECT_TRUE(EncodeArray(parent, {}).empty());

    const std::string lists = parent + a + b;
    const std::string foreignItem = "\x06\0\x54\x05\0a\0\0"s; // another signature
    const std::string emptyItem = "\0\0"s;
    const std::string drive = List({ EncodeItem(Kind::Drive, 0, "/") }); // not under Computer
    const Case hostile[] = {
        { "no items", U32(0) + U32(8) + parent, false },
        { "a count past the block", U32(1000) + U32(16) + lists, false },
        { "a count that overflows", U32(0xFFFFFFFF) + U32(16) + lists, false },
        { "the parent inside the offsets",
            U32(2) + U32(4) + U32(16 + parent.size()) + U32(16) + lists, false },
        { "an item inside the offsets", U32(2) + U32(16) + U32(12) + U32(16) + lists, false },
        { "an item past the end", U32(2) + U32(16) + U32(16 + parent.size()) + U32(9999) + lists,
            false },
        { "an item that is the parent",
            U32(2) + U32(16) + U32(16) + U32(16 + parent.size()) + lists, false },
        { "an empty item", U32(1) + U32(12) + U32(12 + parent.size()) + parent + emptyItem, false },
        { "an item not ours", U32(1) + U32(12) + U32(12 + parent.size()) + parent + foreignItem,
            false },
        { "a parent that is not absolute", U32(1) + U32(12) + U32(12 + drive.size()) + drive + a,
            false },
        { "a list cut short", good.substr(0, good.size() - 1), false },
        { "the desktop as parent",
            U32(1) + U32(12) + U32(14) + "\0\0"s + List({ EncodeItem(Kind::Home, 0, "") }), true },
    };
    for (const Case& c : hostile)
        EXPECT_EQ(DecodeArray(c.Bytes).has_value(), c.Valid) << c.What;
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(DecodeArray(std::string_view(good).substr(0, cut))) << cut;
}
