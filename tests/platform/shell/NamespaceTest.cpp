// The namespace over real folders, links, mounts and special folders.
#include "CodePage.h"
#include "FileInfo.h"
#include "FolderDetails.h"
#include "FolderScope.h"
#include "IdListFormat.h"
#include "NtfsImage.h"
#include "ShellNamespace.h"
#include "ShellTestSupport.h"
#include "SystemImageList.h"

#include <QLocale>
#include <QMimeDatabase>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

using namespace win32;
using namespace sondrel::test;
using namespace std::string_literals;

namespace {

// A folder holding every kind of name and item the namespace must carry.
struct Material
{
    TempDir Dir;
    std::string Root = Dir / "root";
    const std::vector<std::string> Files { "plain.txt", "with space", "new\nline", "co:lon",
        "bad\xff\xfe"
        "bytes",
        std::string(255, 'n'), ".hidden", "file2", "file10", "Shortcut.LNK" };

    Material()
    {
        std::filesystem::create_directory(Root);
        for (const std::string& name : Files)
            WriteFile(Root + "/" + name, "x");
        std::filesystem::create_directory(Root + "/sub");
        std::filesystem::create_directory(Root + "/.hiddendir");
        std::filesystem::create_directory(Root + "/sub/inner");
        ::symlink("plain.txt", (Root + "/link-to-file").c_str());
        ::symlink("sub", (Root + "/link-to-folder").c_str());
        ::symlink("nowhere", (Root + "/dangling").c_str());
    }
};

std::vector<std::string> Names(IShellFolder_NRC* folder, SHCONTF flags)
{
    std::vector<std::string> names;
    for (const Pidl& item : Enumerate(folder, flags))
        names.push_back(NameOf(folder, item.get(), SHGDN_INFOLDER));
    std::sort(names.begin(), names.end());
    return names;
}

SFGAOF Attributes(IShellFolder_NRC* folder, PCIDLIST item, SFGAOF mask)
{
    EXPECT_EQ(folder->GetAttributesOf(1, &item, &mask), S_OK);
    return mask;
}

Pidl Child(IShellFolder_NRC* folder, const std::string& name)
{
    PIDLIST pidl = nullptr;
    const std::u16string wide = AnsiToWide(name);
    EXPECT_EQ(
        folder->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &pidl, nullptr), S_OK)
        << name;
    return Pidl(pidl);
}

int Compare(IShellFolder_NRC* folder, LPARAM column, PCIDLIST a, PCIDLIST b)
{
    const HRESULT hr = folder->CompareIDs(column, a, b);
    EXPECT_TRUE(SUCCEEDED(hr));
    return CompareResultOrder(hr);
}

} // namespace

TEST(Namespace, EnumerationSplitsFoldersFilesAndHiddenAndEndsWithSFalse)
{
    Material m;
    const auto folder = BindPath(m.Root);
    ASSERT_TRUE(folder);
    HRESULT end = E_FAIL;
    const auto folders = Names(folder.get(), SHCONTF_FOLDERS);
    EXPECT_EQ(folders, (std::vector<std::string> { "link-to-folder", "sub" }));
    const auto all = Enumerate(folder.get(), 0xE0, &end);
    EXPECT_EQ(end, S_FALSE);
    EXPECT_EQ(all.size(), m.Files.size() + 3 + 2);
    const auto files = Names(folder.get(), SHCONTF_NONFOLDERS);
    EXPECT_EQ(std::count(files.begin(), files.end(), ".hidden"), 0);
    EXPECT_EQ(std::count(files.begin(), files.end(), "dangling"), 1);
    EXPECT_EQ(files.size(), m.Files.size() - 1 + 2);
    EXPECT_TRUE(Enumerate(folder.get(), SHCONTF_INCLUDEHIDDEN).empty());
}

TEST(Namespace, EveryNameRoundTripsThroughItsParsingName)
{
    Material m;
    const Pidl root = ParsePath(m.Root);
    ASSERT_TRUE(root);
    const auto folder = BindPath(m.Root);
    const auto desktop = Desktop();
    for (const Pidl& item : Enumerate(folder.get(), 0xE0)) {
        const std::string name = NameOf(folder.get(), item.get(), SHGDN_INFOLDER);
        const std::string path = NameOf(folder.get(), item.get(), SHGDN_FORPARSING);
        EXPECT_EQ(path, m.Root + "/" + name);
        EXPECT_EQ(NameOf(folder.get(), item.get(), SHGDN_FOREDITING | SHGDN_INFOLDER), name);
        HRESULT hr = E_FAIL;
        const Pidl parsed = ParsePath(path, &hr);
        ASSERT_EQ(hr, S_OK) << path;
        EXPECT_EQ(Bytes(parsed.get()), Bytes(root.get()) + Bytes(item.get())) << path;
        EXPECT_EQ(Compare(desktop.get(), 0, parsed.get(), parsed.get()), 0);
        sondrel::BytePath back;
        EXPECT_TRUE(sondrel::platform::GetPathFromIdList(parsed.get(), back));
        EXPECT_EQ(back, path);
        EXPECT_EQ(NameOf(desktop.get(), parsed.get(), SHGDN_FORPARSING), path);
    }
}

TEST(Namespace, AttributesFollowTheFileSystem)
{
    Material m;
    ::chmod((m.Root + "/plain.txt").c_str(), 0444);
    const auto folder = BindPath(m.Root);
    constexpr SFGAOF ask = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_LINK
        | SFGAO_HIDDEN | SFGAO_READONLY | SFGAO_HASSUBFOLDER | SFGAO_SHARE | SFGAO_CANRENAME
        | SFGAO_CANDELETE | SFGAO_CANCOPY;
    constexpr SFGAOF fileBits
        = SFGAO_FILESYSTEM | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANCOPY;
    constexpr SFGAOF folderBits = fileBits | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    const std::map<std::string, SFGAOF> wanted {
        { "plain.txt", fileBits | SFGAO_READONLY },
        { "with space", fileBits },
        { ".hidden", fileBits | SFGAO_HIDDEN },
        { ".hiddendir", folderBits | SFGAO_HIDDEN },
        { "sub", folderBits | SFGAO_HASSUBFOLDER },
        { "link-to-file", fileBits | SFGAO_LINK },
        { "link-to-folder", folderBits | SFGAO_LINK | SFGAO_HASSUBFOLDER },
        { "dangling", fileBits | SFGAO_LINK },
        { "Shortcut.LNK", fileBits | SFGAO_LINK },
    };
    for (const auto& [name, bits] : wanted)
        EXPECT_EQ(Attributes(folder.get(), Child(folder.get(), name).get(), ask), bits) << name;
    {
        // As the file list fills: each name resolved in the open folder, the same answers.
        const sondrel::platform::TFolderScope scope(m.Root);
        for (const auto& [name, bits] : wanted)
            EXPECT_EQ(Attributes(folder.get(), Child(folder.get(), name).get(), ask), bits)
                << name << " (in the folder's scope)";
    }
    // Several items at once: what they have in common.
    const Pidl a = Child(folder.get(), "sub"), b = Child(folder.get(), ".hidden");
    const PCIDLIST both[] = { a.get(), b.get() };
    SFGAOF common = ask;
    EXPECT_EQ(folder->GetAttributesOf(2, both, &common), S_OK);
    EXPECT_EQ(common, fileBits);
}

TEST(Namespace, NothingChangesInAFolderWithoutWritePermission)
{
    Material m;
    ::chmod(m.Dir.Path().c_str(), 0755);
    ::chmod(m.Root.c_str(), 0555);
    AsUnprivileged user;
    if (!user.Active())
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    const auto folder = BindPath(m.Root);
    ASSERT_TRUE(folder);
    const Pidl item = Child(folder.get(), "plain.txt");
    EXPECT_EQ(
        Attributes(folder.get(), item.get(), SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANCOPY),
        SFGAO_CANCOPY);
}

TEST(Namespace, AnUnreadableFolderRefusesToEnumerate)
{
    Material m;
    ::chmod(m.Dir.Path().c_str(), 0755);
    ::chmod(m.Root.c_str(), 0755);
    ::chmod((m.Root + "/sub").c_str(), 0);
    AsUnprivileged user;
    if (!user.Active())
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    const auto folder = BindPath(m.Root + "/sub");
    ASSERT_TRUE(folder);
    Com<IEnumIDList_NRC> list;
    EXPECT_EQ(folder->EnumObjects(nullptr, 0xE0, list.out()), E_ACCESSDENIED);
    EXPECT_FALSE(list);
}

TEST(Namespace, AFolderThatVanishesWhileBoundFailsWithoutHarm)
{
    Material m;
    const auto folder = BindPath(m.Root + "/sub/inner");
    ASSERT_TRUE(folder);
    const Pidl self = ParsePath(m.Root + "/sub/inner");
    const auto parent = BindPath(m.Root + "/sub");
    const Pidl inner = Child(parent.get(), "inner");
    std::filesystem::remove(m.Root + "/sub/inner");
    Com<IEnumIDList_NRC> list;
    EXPECT_EQ(folder->EnumObjects(nullptr, 0xE0, list.out()), HRESULT_FROM_WIN32(2));
    // The parent still names it, and validation says it is gone.
    EXPECT_EQ(NameOf(parent.get(), inner.get(), SHGDN_INFOLDER), "inner");
    SFGAOF mask = SFGAO_VALIDATE;
    const PCIDLIST items[] = { inner.get() };
    EXPECT_EQ(parent->GetAttributesOf(1, items, &mask), HRESULT_FROM_WIN32(2));
    IShellFolder_NRC* bound = nullptr;
    EXPECT_TRUE(FAILED(Desktop()->BindToObject(
        self.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&bound))));
    EXPECT_EQ(bound, nullptr);
}

TEST(Namespace, AFolderOfTenThousandEntriesListsEveryOne)
{
    TempDir dir;
    for (int i = 0; i < 10000; ++i)
        WriteFile(dir / ("f" + std::to_string(i)), "");
    const auto folder = BindPath(dir.Path());
    HRESULT end = E_FAIL;
    const auto items = Enumerate(folder.get(), SHCONTF_NONFOLDERS, &end);
    EXPECT_EQ(items.size(), 10000u);
    EXPECT_EQ(end, S_FALSE);
}

TEST(Namespace, OrderPutsFoldersFirstThenNamesAsPeopleReadThem)
{
    TempDir dir;
    for (const char* name : { "b", "B", "file10", "file2", "a", "Zed" })
        WriteFile(dir / name, "");
    std::filesystem::create_directory(dir / "zdir");
    const auto folder = BindPath(dir.Path());
    auto items = Enumerate(folder.get(), 0xE0);
    std::sort(items.begin(), items.end(), [&](const Pidl& x, const Pidl& y) {
        return Compare(folder.get(), 0, x.get(), y.get()) < 0;
    });
    std::vector<std::string> order;
    for (const Pidl& item : items)
        order.push_back(NameOf(folder.get(), item.get(), SHGDN_INFOLDER));
    ASSERT_EQ(order.size(), 7u);
    EXPECT_EQ(order.front(), "zdir");
    EXPECT_EQ(order[1], "a");
    EXPECT_LT(std::find(order.begin(), order.end(), "file2"),
        std::find(order.begin(), order.end(), "file10"));
    EXPECT_EQ(order.back(), "Zed");
    // Names that read alike are still two items.
    EXPECT_NE(
        Compare(folder.get(), 0, Child(folder.get(), "b").get(), Child(folder.get(), "B").get()),
        0);
    EXPECT_EQ(folder->CompareIDs(9, items[0].get(), items[1].get()), E_INVALIDARG);
}

TEST(Namespace, OrderBySizeAndAcrossLevels)
{
    TempDir dir;
    WriteFile(dir / "big", std::string(5000, 'x'));
    WriteFile(dir / "small", "x");
    std::filesystem::create_directories(dir / "d/e");
    const auto folder = BindPath(dir.Path());
    EXPECT_LT(Compare(folder.get(), 1, Child(folder.get(), "small").get(),
                  Child(folder.get(), "big").get()),
        0);
    EXPECT_GT(Compare(folder.get(), 0, Child(folder.get(), "small").get(),
                  Child(folder.get(), "big").get()),
        0);
    const Pidl deep = Child(folder.get(), "d/e"), shallow = Child(folder.get(), "d");
    EXPECT_GT(Compare(folder.get(), 0, deep.get(), shallow.get()), 0);
    EXPECT_EQ(Compare(folder.get(), 0, deep.get(), Child(folder.get(), "d/e").get()), 0);
}

// A sort asks each entry's size once, however many comparisons meet it; the next sort sees the
// entry as it has become.
TEST(Namespace, ASortKeepsWhatItLearntUntilItEnds)
{
    TempDir dir;
    WriteFile(dir / "a", "x");
    WriteFile(dir / "b", "xx");
    const auto folder = BindPath(dir.Path());
    const Pidl a = Child(folder.get(), "a"), b = Child(folder.get(), "b");
    {
        const sondrel::platform::TEntryOrderScope sort;
        EXPECT_LT(Compare(folder.get(), 1, a.get(), b.get()), 0);
        WriteFile(dir / "a", "xxx");
        {
            // A scope inside a sort's keeps to what the sort learnt.
            const sondrel::platform::TEntryOrderScope nested;
            EXPECT_GT(Compare(folder.get(), 1, b.get(), a.get()), 0);
        }
        EXPECT_LT(Compare(folder.get(), 1, a.get(), b.get()), 0);
    }
    EXPECT_GT(Compare(folder.get(), 1, a.get(), b.get()), 0);
}

TEST(Namespace, RenamingNeverOverwrites)
{
    TempDir dir;
    WriteFile(dir / "one", "1");
    WriteFile(dir / "two", "2");
    const auto folder = BindPath(dir.Path());
    const Pidl one = Child(folder.get(), "one");
    PIDLIST renamed = nullptr;
    EXPECT_EQ(folder->SetNameOf(nullptr, one.get(), u"two", SHGDN_INFOLDER, &renamed),
        HRESULT_FROM_WIN32(183));
    EXPECT_EQ(renamed, nullptr);
    EXPECT_EQ(ReadWholeFile(dir / "two"), "2");
    for (const char16_t* bad : { u"", u"a/b", u"..", u"." })
        EXPECT_EQ(folder->SetNameOf(nullptr, one.get(), bad, 0, &renamed),
            HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    const std::u16string odd = AnsiToWide("n\xff\nw");
    ASSERT_EQ(folder->SetNameOf(nullptr, one.get(), odd.c_str(), 0, &renamed), S_OK);
    const Pidl fresh(renamed);
    EXPECT_EQ(ReadWholeFile(dir / "n\xff\nw"), "1");
    EXPECT_EQ(NameOf(folder.get(), fresh.get(), SHGDN_INFOLDER), "n\xff\nw");
}

TEST(Namespace, DetailsGiveColumnsAndCells)
{
    TempDir dir;
    const std::pair<const char*, std::size_t> sizes[]
        = { { "zero", 0 }, { "one", 1 }, { "half", 1536 }, { "mega", 1048576 } };
    for (const auto& [name, size] : sizes)
        WriteFile(dir / name, std::string(size, 'x'));
    std::filesystem::create_directory(dir / "folder");
    WriteFile(dir / "notes.txt", "x");
    Com<IShellFolder2_NRC> folder;
    ASSERT_EQ(BindPath(dir.Path())->QueryInterface(IID_IShellFolder2, folder.outVoid()), S_OK);
    const char* captions[] = { "Name", "Size", "Type", "Modified" };
    for (UINT column = 0; column < 4; ++column) {
        SHELLDETAILS details;
        ASSERT_EQ(folder->GetDetailsOf(nullptr, column, &details), S_OK);
        EXPECT_EQ(TakeName(details.str), captions[column]);
        EXPECT_GT(details.cxChar, 0);
        EXPECT_EQ(details.fmt, column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT);
        SHCOLSTATEF state = 0;
        EXPECT_EQ(folder->GetDefaultColumnState(column, &state), S_OK);
        EXPECT_TRUE(state & SHCOLSTATE_ONBYDEFAULT);
    }
    SHELLDETAILS beyond;
    EXPECT_EQ(folder->GetDetailsOf(nullptr, 4, &beyond), E_INVALIDARG);
    const auto cell = [&](const char* name, UINT column) {
        SHELLDETAILS details;
        EXPECT_EQ(folder->GetDetailsOf(Child(folder.get(), name).get(), column, &details), S_OK);
        return TakeName(details.str);
    };
    const std::pair<const char*, int> kilobytes[]
        = { { "zero", 0 }, { "one", 1 }, { "half", 2 }, { "mega", 1024 } };
    for (const auto& [name, kb] : kilobytes)
        EXPECT_EQ(
            cell(name, 1), (QLocale::system().toString(kb) + QStringLiteral(" KB")).toStdString());
    EXPECT_EQ(cell("folder", 1), "");
    EXPECT_EQ(cell("notes.txt", 2),
        QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment().toStdString());
    EXPECT_FALSE(cell("notes.txt", 3).empty());
    EXPECT_EQ(cell("notes.txt", 0), "notes.txt");
}

TEST(Namespace, ComputerHoldsTheDrivesAndMountsMadeNow)
{
    TempDir dir;
    TmpfsMount mount(dir.Path());
    SONDREL_REQUIRE_MOUNT(mount);
    WriteFile(mount.Path() + "/inside", "x");
    Com<IShellFolder_NRC> computer;
    PIDLIST drives = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
    const Pidl drivesList(drives);
    ASSERT_EQ(Desktop()->BindToObject(drives, nullptr, IID_IShellFolder, computer.outVoid()), S_OK);
    const auto names = [&] {
        std::vector<std::string> all;
        for (const Pidl& d : Enumerate(computer.get(), SHCONTF_FOLDERS))
            all.push_back(NameOf(computer.get(), d.get(), SHGDN_FORPARSING));
        return all;
    }();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "/");
    EXPECT_EQ(std::count(names.begin(), names.end(), mount.Path()), 1);
    EXPECT_TRUE(Enumerate(computer.get(), SHCONTF_NONFOLDERS).empty());
    // A path on the mount is reached through its own drive.
    const Pidl inside = ParsePath(mount.Path() + "/inside");
    const Pidl drive = ParsePath(mount.Path());
    EXPECT_EQ(Bytes(inside.get()).substr(0, Bytes(drive.get()).size()), Bytes(drive.get()));
    EXPECT_EQ(sondrel::idlist::ItemCount(drive.get()), 2u);
    SHFILEINFOA info;
    SHGetFileInfoA(
        reinterpret_cast<LPCSTR>(drive.get()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_TYPENAME);
    EXPECT_STREQ(info.szTypeName, "RAM Disk");
    const Pidl driveItem = Child(computer.get(), mount.Path());
    EXPECT_EQ(Attributes(computer.get(), driveItem.get(), SFGAO_FILESYSTEM | SFGAO_FOLDER),
        SFGAO_FILESYSTEM | SFGAO_FOLDER);
}

TEST(Namespace, AnNtfs3gVolumeAppearsUnderComputer)
{
    NtfsImage volume;
    SONDREL_REQUIRE_NTFS(volume);
    Com<IShellFolder_NRC> computer;
    const Pidl drives = ParsePath("computer:///");
    ASSERT_EQ(
        Desktop()->BindToObject(drives.get(), nullptr, IID_IShellFolder, computer.outVoid()), S_OK);
    std::vector<std::string> names;
    for (const Pidl& d : Enumerate(computer.get(), SHCONTF_FOLDERS))
        names.push_back(NameOf(computer.get(), d.get(), SHGDN_FORPARSING));
    EXPECT_EQ(std::count(names.begin(), names.end(), volume.MountPoint()), 1);
}

TEST(Namespace, SpecialFoldersComeFromTheUsersFolders)
{
    ScopedHome home;
    std::filesystem::create_directories(home.Path() + "/Desktop");
    std::filesystem::create_directories(home.Path() + "/Docs");
    home.SetUserDirs({ "XDG_DESKTOP_DIR=\"$HOME/Desktop\"", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"",
        "XDG_PICTURES_DIR=\"$HOME/Missing\"" });
    WriteFile(home.Path() + "/Desktop/note", "x");
    struct Want
    {
        int Csidl;
        HRESULT Result;
        std::string Path; // "" for no file-system path
    };
    const Want wanted[] = {
        { CSIDL_DESKTOP, S_OK, home.Path() + "/Desktop" },
        { CSIDL_PROFILE, S_OK, home.Path() },
        { CSIDL_DESKTOPDIRECTORY, S_OK, home.Path() + "/Desktop" },
        { CSIDL_PERSONAL, S_OK, home.Path() + "/Docs" },
        { CSIDL_APPDATA, S_OK, home.Path() + "/.config" },
        { CSIDL_LOCAL_APPDATA, S_OK, home.Path() + "/.local/share" },
        { CSIDL_DRIVES, S_OK, "" },
        { CSIDL_BITBUCKET, S_OK, "" },
        { CSIDL_MYPICTURES, HRESULT_FROM_WIN32(2), "" },
        { CSIDL_SENDTO, HRESULT_FROM_WIN32(2), "" },
        { 3, E_INVALIDARG, "" },
        { 51, E_INVALIDARG, "" },
    };
    for (const Want& w : wanted) {
        PIDLIST pidl = nullptr;
        EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, w.Csidl, &pidl), w.Result) << w.Csidl;
        const Pidl owned(pidl);
        EXPECT_EQ(pidl != nullptr, SUCCEEDED(w.Result)) << w.Csidl;
        if (!pidl)
            continue;
        sondrel::BytePath path;
        EXPECT_EQ(sondrel::platform::GetPathFromIdList(pidl, path), !w.Path.empty()) << w.Csidl;
        EXPECT_EQ(path, w.Path) << w.Csidl;
    }
    EXPECT_EQ(Names(Desktop().get(), 0xE0),
        (std::vector<std::string> { "Computer", "Home", "Trash", "note" }));
}

TEST(Namespace, TheTrashListsWhatWasThrownAway)
{
    ScopedHome home;
    const auto trash = [] {
        Com<IShellFolder_NRC> folder;
        PIDLIST pidl = nullptr;
        EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &pidl), S_OK);
        const Pidl owned(pidl);
        EXPECT_EQ(Desktop()->BindToObject(pidl, nullptr, IID_IShellFolder, folder.outVoid()), S_OK);
        return folder;
    };
    EXPECT_TRUE(Enumerate(trash().get(), 0xE0).empty());
    std::filesystem::create_directories(home.Path() + "/.local/share/Trash/files");
    WriteFile(home.Path() + "/.local/share/Trash/files/old", "x");
    const auto folder = trash();
    const auto items = Enumerate(folder.get(), 0xE0);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Attributes(folder.get(), items[0].get(), SFGAO_CANRENAME | SFGAO_FILESYSTEM),
        SFGAO_FILESYSTEM);
}

namespace {

Com<IShellFolder_NRC> TrashFolder()
{
    Com<IShellFolder_NRC> folder;
    PIDLIST pidl = nullptr;
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &pidl), S_OK);
    const Pidl owned(pidl);
    EXPECT_EQ(Desktop()->BindToObject(pidl, nullptr, IID_IShellFolder, folder.outVoid()), S_OK);
    return folder;
}

void MakeFolder(const std::string& path, mode_t mode = 0700)
{
    std::filesystem::create_directories(path);
    ::chmod(path.c_str(), mode);
}

} // namespace

TEST(Namespace, TheTrashGathersTheUsersTrashesOnOtherFileSystems)
{
    ScopedHome home;
    std::filesystem::create_directories(home.Path() + "/.local/share/Trash/files");
    WriteFile(home.Path() + "/.local/share/Trash/files/old", "x");
    const std::string uid = std::to_string(::getuid());
    // One file system per layout of trash folders at its top; only the user's real trashes count.
    struct Layout
    {
        const char* What;
        std::function<void(const std::string& top)> Make;
        std::vector<std::string> Listed;
    };
    std::vector<Layout> layouts = {
        { "the user's own trash",
            [&](const std::string& top) {
                MakeFolder(top + "/.Trash-" + uid + "/files/dir");
                WriteFile(top + "/.Trash-" + uid + "/files/dir/inner", "x");
                WriteFile(top + "/.Trash-" + uid + "/files/old", "x");
            },
            { "dir", "old" } },
        { "the administrator's sticky trash",
            [&](const std::string& top) {
                MakeFolder(top + "/.Trash", 01777);
                MakeFolder(top + "/.Trash/" + uid + "/files");
                WriteFile(top + "/.Trash/" + uid + "/files/b", "x");
                MakeFolder(top + "/.Trash-" + uid + "/files");
                WriteFile(top + "/.Trash-" + uid + "/files/c", "x");
            },
            { "b", "c" } },
        { "a shared trash without the sticky bit",
            [&](const std::string& top) {
                MakeFolder(top + "/.Trash", 0777);
                MakeFolder(top + "/.Trash/" + uid + "/files");
                WriteFile(top + "/.Trash/" + uid + "/files/not-sticky", "x");
            },
            {} },
        { "a shared trash that is a link to a sticky folder",
            [&](const std::string& top) {
                MakeFolder(top + "/real", 01777);
                MakeFolder(top + "/real/" + uid + "/files");
                WriteFile(top + "/real/" + uid + "/files/linked", "x");
                ::symlink("real", (top + "/.Trash").c_str());
            },
            {} },
        { "the user's trash as a link",
            [&](const std::string& top) {
                MakeFolder(top + "/elsewhere/files");
                WriteFile(top + "/elsewhere/files/planted", "x");
                ::symlink("elsewhere", (top + "/.Trash-" + uid).c_str());
            },
            {} },
        { "a trash without its files folder, and another user's",
            [&](const std::string& top) {
                MakeFolder(top + "/.Trash-" + uid + "/info");
                MakeFolder(top + "/.Trash-" + std::to_string(::getuid() + 1) + "/files");
                WriteFile(top + "/.Trash-" + std::to_string(::getuid() + 1) + "/files/h", "x");
            },
            {} },
    };
    if (::getuid() == 0) {
        layouts.push_back({ "the user's trash made by someone else",
            [&](const std::string& top) {
                MakeFolder(top + "/.Trash-" + uid + "/files");
                WriteFile(top + "/.Trash-" + uid + "/files/foreign", "x");
                ::chown((top + "/.Trash-" + uid).c_str(), 65534, 65534);
            },
            {} });
    }
    TempDir dir;
    std::vector<std::unique_ptr<TmpfsMount>> mounts;
    std::vector<std::string> expected { "old" };
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const std::string parent = dir / std::to_string(i);
        std::filesystem::create_directory(parent);
        mounts.push_back(std::make_unique<TmpfsMount>(parent));
        SONDREL_REQUIRE_MOUNT(*mounts.back());
        layouts[i].Make(mounts.back()->Path());
        expected.insert(expected.end(), layouts[i].Listed.begin(), layouts[i].Listed.end());
    }
    std::sort(expected.begin(), expected.end());
    const auto trash = TrashFolder();
    EXPECT_EQ(Names(trash.get(), 0xE0), expected);

    const std::string own = mounts[0]->Path() + "/.Trash-" + uid + "/files";
    std::map<std::string, Pidl> byPath;
    for (Pidl& item : Enumerate(trash.get(), 0xE0))
        byPath.emplace(NameOf(trash.get(), item.get(), SHGDN_FORPARSING), std::move(item));
    ASSERT_EQ(byPath.count(own + "/old"), 1u);
    ASSERT_EQ(byPath.count(own + "/dir"), 1u);
    ASSERT_EQ(byPath.count(mounts[1]->Path() + "/.Trash/" + uid + "/files/b"), 1u);
    const PCIDLIST homeOld = byPath.at(home.Path() + "/.local/share/Trash/files/old").get();
    const PCIDLIST otherOld = byPath.at(own + "/old").get();
    const PCIDLIST otherDir = byPath.at(own + "/dir").get();

    // One name in two trashes is two items; the other trash is only read.
    EXPECT_NE(Compare(trash.get(), 0, homeOld, otherOld), 0);
    EXPECT_EQ(Compare(trash.get(), 0, otherOld, otherOld), 0);
    EXPECT_LT(Compare(trash.get(), 0, otherDir, otherOld), 0);
    const SFGAOF changes = SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME | SFGAO_DROPTARGET;
    EXPECT_EQ(Attributes(trash.get(), homeOld, changes | SFGAO_FILESYSTEM),
        SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_FILESYSTEM);
    EXPECT_EQ(Attributes(trash.get(), otherDir, changes | SFGAO_FILESYSTEM | SFGAO_FOLDER),
        SFGAO_FILESYSTEM | SFGAO_FOLDER);
    PIDLIST renamed = nullptr;
    EXPECT_EQ(
        trash->SetNameOf(nullptr, otherOld, u"new", SHGDN_INFOLDER, &renamed), E_ACCESSDENIED);
    EXPECT_TRUE(std::filesystem::exists(own + "/old"));

    Com<IShellFolder_NRC> inside;
    ASSERT_EQ(trash->BindToObject(otherDir, nullptr, IID_IShellFolder, inside.outVoid()), S_OK);
    const auto inner = Enumerate(inside.get(), 0xE0);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(NameOf(inside.get(), inner[0].get(), SHGDN_FORPARSING), own + "/dir/inner");
    EXPECT_EQ(
        Attributes(inside.get(), inner[0].get(), changes | SFGAO_FILESYSTEM), SFGAO_FILESYSTEM);

    // The absolute list leads to the file while its file system is mounted, and nowhere after.
    PIDLIST trashList = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &trashList), S_OK);
    const Pidl trashOwned(trashList);
    const std::string absolute = Bytes(trashList) + Bytes(otherOld) + "\0\0"s;
    const auto* list = reinterpret_cast<PCIDLIST>(absolute.data());
    sondrel::BytePath path;
    EXPECT_TRUE(sondrel::platform::GetPathFromIdList(list, path));
    EXPECT_EQ(path, own + "/old");
    mounts[0]->Unmount();
    EXPECT_FALSE(sondrel::platform::GetPathFromIdList(list, path));
    const auto after = Names(trash.get(), 0xE0);
    EXPECT_EQ(std::count(after.begin(), after.end(), "old"), 1);
    EXPECT_EQ(std::count(after.begin(), after.end(), "dir"), 0);
}

TEST(Namespace, FileInformationNamesTypesAndIcons)
{
    Material m;
    const auto query = [](const std::string& path, UINT flags, DWORD attributes = 0) {
        SHFILEINFOA info;
        const DWORD_PTR result
            = SHGetFileInfoA(path.c_str(), attributes, &info, sizeof info, flags);
        return std::make_pair(result, info);
    };
    const auto [smallList, file] = query(m.Root + "/plain.txt",
        SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME);
    EXPECT_EQ(smallList, reinterpret_cast<DWORD_PTR>(&sondrel::platform::SystemImageList::Small()));
    EXPECT_STREQ(file.szDisplayName, "plain.txt");
    EXPECT_EQ(file.szTypeName,
        QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment().toStdString());
    const auto [largeList, folder] = query(m.Root + "/sub", SHGFI_SYSICONINDEX);
    EXPECT_EQ(largeList, reinterpret_cast<DWORD_PTR>(&sondrel::platform::SystemImageList::Large()));
    const auto open = query(m.Root + "/sub", SHGFI_SYSICONINDEX | SHGFI_OPENICON).second;
    EXPECT_NE(file.iIcon, folder.iIcon);
    EXPECT_NE(open.iIcon, folder.iIcon);
    EXPECT_GT(file.iIcon, 2); // 0 is a failed query's answer, 1 and 2 are the overlays
    // By name alone the file need not exist; the same type gives the same image.
    const auto byName = query("/nowhere/else.txt", SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    EXPECT_NE(byName.first, 0u);
    EXPECT_EQ(byName.second.iIcon, file.iIcon);
    const auto asFolder = query(
        "/nowhere/x", SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(asFolder.second.iIcon, folder.iIcon);
    EXPECT_EQ(query("/nowhere/x", SHGFI_SYSICONINDEX).first, 0u);
    // By ID list, with the name as the folder shows it.
    const Pidl pidl = ParsePath(m.Root
        + "/bad\xff\xfe"
          "bytes");
    SHFILEINFOA info;
    EXPECT_NE(SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl.get()), 0, &info, sizeof info,
                  SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES),
        0u);
    EXPECT_STREQ(info.szDisplayName,
        "bad\xff\xfe"
        "bytes");
    EXPECT_TRUE(info.dwAttributes & SFGAO_FILESYSTEM);
    EXPECT_EQ(sondrel::platform::SystemImageList::OverlayImage(1), 1);
    EXPECT_EQ(sondrel::platform::SystemImageList::OverlayImage(2), 2);
}

TEST(Namespace, HostileListsAreRefusedEverywhere)
{
    const auto desktop = Desktop();
    const std::string hostile[] = { "\x01\x00\x00\x00"s, "\x06\x00\x53\x05\x00/\0\0"s,
        "\x07\x00\x53\x04\x00mn\0\0"s, "\x05\x00\x53\x01\x00\x05\x00\x53\x01\x00\0\0"s };
    for (const std::string& bytes : hostile) {
        const auto* pidl = reinterpret_cast<PCIDLIST>(bytes.data());
        STRRET name;
        EXPECT_EQ(desktop->GetDisplayNameOf(pidl, 0, &name), E_INVALIDARG);
        IShellFolder_NRC* folder = nullptr;
        EXPECT_EQ(desktop->BindToObject(
                      pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)),
            E_INVALIDARG);
        EXPECT_EQ(desktop->CompareIDs(0, pidl, pidl), E_INVALIDARG);
        sondrel::BytePath path;
        EXPECT_FALSE(sondrel::platform::GetPathFromIdList(pidl, path));
    }
}
