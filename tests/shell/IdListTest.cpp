// ID-list arithmetic, comparison and the indexed view.
#include "IdListFormat.h"
#include "UPTShellUtils.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace sondrel::shell;
using namespace std::string_literals;
namespace idlist = sondrel::idlist;

namespace {

// A list owned by the test, made from entry names.
struct List
{
    PItemIDList Pidl = nullptr;
    explicit List(std::initializer_list<std::string> names)
    {
        std::string bytes;
        for (const std::string& name : names)
            bytes += idlist::EncodeItem(idlist::Kind::Entry, 0, name);
        bytes += "\0\0"s;
        Pidl = static_cast<PItemIDList>(ShellMemAlloc(bytes.size()));
        std::memcpy(Pidl, bytes.data(), bytes.size());
    }
    ~List() { ShellMemFree(Pidl); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;
};

std::string Bytes(PCItemIDList pidl)
{
    return std::string(reinterpret_cast<const char*>(pidl), IdListLen(pidl));
}

} // namespace

TEST(IdLists, LengthCopyAndConcatenation)
{
    const List empty({});
    const List ab({ "a", "bc" });
    const List c({ "c" });
    EXPECT_EQ(IdListLen(nullptr), 0u);
    EXPECT_EQ(IdListLen(empty.Pidl), 2u);
    EXPECT_EQ(IdListLen(ab.Pidl), 2u + 6 + 7);

    const auto check = [](PItemIDList made, const std::string& want) {
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(Bytes(made), want);
        ShellMemFree(made);
    };
    check(CopyIdList(nullptr, nullptr), "\0\0"s);
    check(CopyIdList(nullptr, ab.Pidl), Bytes(ab.Pidl));
    check(CopyIdList(ShellIMalloc(), empty.Pidl), "\0\0"s);
    check(ConcatIdLists(nullptr, ab.Pidl, nullptr), Bytes(ab.Pidl));
    check(ConcatIdLists(nullptr, nullptr, c.Pidl), Bytes(c.Pidl));
    check(ConcatIdLists(nullptr, nullptr, nullptr), "\0\0"s);
    const List abc({ "a", "bc", "c" });
    check(ConcatIdLists(nullptr, ab.Pidl, c.Pidl), Bytes(abc.Pidl));
    EXPECT_EQ(ShellMemRealloc(nullptr, 10), nullptr);
    ShellMemFree(nullptr);
}

TEST(IdLists, ComparingAbsoluteLists)
{
    const List empty({});
    const List other({});
    PItemIDList tmp = nullptr, root = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath("/tmp", tmp), win32::S_OK);
    ASSERT_EQ(ShellGetIdListFromPath("/", root), win32::S_OK);
    const List foreign({});
    const std::string hostile = "\x06\x00\x1F\x05\x00x\0\0"s;
    const auto* alien = reinterpret_cast<PCItemIDList>(hostile.data());
    struct Case
    {
        PCItemIDList A, B;
        int Want;
    };
    const Case cases[] = {
        { nullptr, nullptr, 0 },
        { nullptr, empty.Pidl, -1 },
        { empty.Pidl, nullptr, -1 },
        { empty.Pidl, other.Pidl, 0 },
        { empty.Pidl, tmp, -1 },
        { tmp, empty.Pidl, -1 },
        { tmp, tmp, 0 },
        { root, tmp, -1 },
        { tmp, root, 1 },
        { tmp, alien, kIdListsIncomparable },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareAbsIdLists(c.A, c.B), c.Want) << &c - cases;
    ShellMemFree(tmp);
    ShellMemFree(root);
}

TEST(IdLists, TheIndexedView)
{
    const List three({ "a", "bb", "ccc" });
    TPTIdListArray view(three.Pidl);
    EXPECT_EQ(view.GetCount(), 3);
    struct Up
    {
        int Levels;
        int Items; // -1: null
    };
    for (const Up& up : { Up { 0, 3 }, Up { 1, 2 }, Up { 3, 0 }, Up { 4, -1 }, Up { -1, -1 } }) {
        PItemIDList result = view.GoUp(up.Levels);
        if (up.Items < 0)
            EXPECT_EQ(result, nullptr) << up.Levels;
        else
            EXPECT_EQ(static_cast<int>(idlist::ItemCount(result)), up.Items) << up.Levels;
    }
    EXPECT_EQ(Bytes(view.GoUp(1)), Bytes(List({ "a", "bb" }).Pidl));
    EXPECT_EQ(view.GetItem(3), nullptr);
    EXPECT_EQ(view.GetItem(-1), nullptr);
    EXPECT_EQ(Bytes(view.GetItem(2)), Bytes(List({ "ccc" }).Pidl));
    EXPECT_EQ(Bytes(view.GetItem(0)), Bytes(List({ "a" }).Pidl));

    const List empty({});
    TPTIdListArray emptyView(empty.Pidl);
    EXPECT_EQ(emptyView.GetCount(), 0);
    EXPECT_EQ(Bytes(emptyView.GetItem(0)), "\0\0"s);
    TPTIdListArray nullView(nullptr);
    EXPECT_EQ(nullView.GetCount(), 0);
    EXPECT_EQ(nullView.GetItem(0), nullptr);
}
