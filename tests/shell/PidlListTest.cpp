// TPTPidlList: order, search and the duplicate rules.
#include "IdListFormat.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "UPTShellUtils.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace sondrel::shell;
using namespace std::string_literals;
namespace idlist = sondrel::idlist;

namespace {

PItemIDList Entry(const std::string& name)
{
    const std::string bytes = idlist::EncodeItem(idlist::Kind::Entry, 0, name) + "\0\0"s;
    auto* pidl = static_cast<PItemIDList>(ShellMemAlloc(bytes.size()));
    std::memcpy(pidl, bytes.data(), bytes.size());
    return pidl;
}

std::string NameAt(const TPTPidlList& list, int i)
{
    const auto* bytes = reinterpret_cast<const char*>(list.GetPIDL(i));
    return std::string(bytes + idlist::kItemHeader,
        idlist::ReadItemSize(reinterpret_cast<const unsigned char*>(bytes)) - idlist::kItemHeader);
}

std::vector<std::string> Names(const TPTPidlList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.GetCount(); ++i)
        names.push_back(NameAt(list, i));
    return names;
}

// A list that frees its lists through the shell allocator.
struct Owned : TPTPidlList
{
    Owned() { SetPidlAllocator(ShellIMalloc()); }
};

} // namespace

TEST(PidlList, UnsortedKeepsOrderAndTurningSortedOnSortsAtOnce)
{
    Owned list;
    for (const char* name : { "c", "a", "b" })
        list.Add(Entry(name));
    EXPECT_EQ(Names(list), (std::vector<std::string> { "c", "a", "b" }));
    PItemIDList key = Entry("a");
    EXPECT_EQ(list.IndexOf(key), 1);
    list.SetSorted(true);
    EXPECT_EQ(Names(list), (std::vector<std::string> { "a", "b", "c" }));
    EXPECT_EQ(list.IndexOf(key), 0);
    // Setting the current value again changes nothing, not even an order made by hand.
    list.InsertObject(0, Entry("z"), nullptr);
    list.SetSorted(true);
    EXPECT_EQ(NameAt(list, 0), "z");
    ShellMemFree(key);
}

TEST(PidlList, DuplicateRules)
{
    struct Case
    {
        TDuplicates Rule;
        int Count; // after adding "b" to a, b, c
        bool Throws;
    };
    for (const Case& c : { Case { dupIgnore, 3, false }, Case { dupAccept, 4, false },
             Case { dupError, 3, true } }) {
        Owned list;
        list.SetSorted(true);
        list.SetDuplicates(c.Rule);
        for (const char* name : { "c", "a", "b" })
            list.Add(Entry(name));
        PItemIDList again = Entry("b");
        if (c.Throws) {
            EXPECT_THROW(list.Add(again), EPTPidlListError);
            ShellMemFree(again);
        } else {
            const int index = list.Add(again);
            EXPECT_EQ(NameAt(list, index), "b");
            if (c.Rule == dupIgnore) {
                EXPECT_EQ(index, 1);
                ShellMemFree(again);
            }
        }
        EXPECT_EQ(list.GetCount(), c.Count) << c.Rule;
    }
}

TEST(PidlList, SearchesAndIndexErrors)
{
    Owned list;
    list.SetSorted(true);
    for (const char* name : { "b", "d", "f" })
        list.AddObject(Entry(name), reinterpret_cast<void*>(std::uintptr_t { 7 }));
    PItemIDList e = Entry("e");
    int index = -1;
    EXPECT_FALSE(list.BinarySearch(e, index));
    EXPECT_EQ(index, 2); // where it would go
    EXPECT_FALSE(list.LinearSearch(e, index));
    EXPECT_EQ(list.IndexOf(e), -1);
    EXPECT_EQ(list.GetObject(1), reinterpret_cast<void*>(std::uintptr_t { 7 }));
    EXPECT_THROW((void)list.GetPIDL(3), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.InsertObject(4, e, nullptr), EListError);
    list.Delete(0);
    EXPECT_EQ(Names(list), (std::vector<std::string> { "d", "f" }));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    ShellMemFree(e);
}

TEST(PidlList, AFolderOrdersByItsOwnComparison)
{
    sondrel::test::TempDir dir;
    for (const char* name : { "b", "a2", "A1" })
        sondrel::test::WriteFile(dir / name, "");
    const auto folder = sondrel::test::BindPath(dir.Path());
    Owned list;
    list.SetCompareFolder(folder.get());
    for (const char* name : { "b", "a2", "A1" })
        list.Add(Entry(name));
    list.SetSorted(true);
    EXPECT_EQ(Names(list), (std::vector<std::string> { "A1", "a2", "b" }));
    // Without the folder, bytes decide: the item sizes first, then the names.
    list.SetCompareFolder(nullptr);
    list.Sort();
    EXPECT_EQ(Names(list), (std::vector<std::string> { "b", "A1", "a2" }));
}
