// The namespace's context menus on real folders: what the menu holds, verbs by name and offset,
// links, the trash and permanent deletion, properties; and the clipboard's formats as bytes.

#include "ClipboardFormats.h"
#include "CommandUi.h"
#include "ItemCommands.h"
#include "MenuModel.h"
#include "RemoteMount.h"
#include "ShellAllocator.h"
#include "ShellItems.h"
#include "ShellTestSupport.h"
#include "UriPath.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

using namespace win32;
using namespace sondrel;
using namespace sondrel::test;

namespace {

namespace fs = std::filesystem;

// The quiet interface, installed for one test, that says yes when told to.
struct Answering : platform::QuietCommandUi
{
    bool Yes = false;
    Answering() { platform::InstallCommandUi(this); }
    ~Answering() override { platform::InstallCommandUi(nullptr); }
    bool Confirm(const std::string& title, const std::string& text) override
    {
        (void)QuietCommandUi::Confirm(title, text);
        return Yes;
    }
};

Com<IContextMenu_NRC> MenuOf(const std::string& folder, const std::vector<std::string>& names)
{
    Com<IShellFolder_NRC> shell = BindPath(folder);
    std::vector<Pidl> lists;
    std::vector<PCIDLIST> items;
    for (const std::string& name : names) {
        std::string item;
        EXPECT_TRUE(SUCCEEDED(platform::ParseRelativePath(folder, name, item)));
        item += std::string(2, '\0');
        lists.emplace_back(static_cast<ITEMIDLIST*>(platform::ShellAllocator().Alloc(item.size())));
        std::memcpy(lists.back().get(), item.data(), item.size());
        items.push_back(lists.back().get());
    }
    Com<IContextMenu_NRC> menu;
    EXPECT_EQ(shell->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), items.data(),
                  IID_IContextMenu, nullptr, menu.outVoid()),
        S_OK);
    return menu;
}

HRESULT Invoke(IContextMenu_NRC* menu, const char* verb, DWORD mask = 0)
{
    CMINVOKECOMMANDINFO info;
    info.lpVerb = verb;
    info.fMask = mask;
    info.nShow = 1;
    return menu->InvokeCommand(&info);
}

TEST(Commands, TheMenuHoldsEveryVerbAtItsOffsetAndGraysWhatCannotAct)
{
    TempDir dir;
    WriteFile(dir / "a", "a");
    Com<IContextMenu_NRC> menu = MenuOf(dir.Path(), { "a" });
    ASSERT_TRUE(menu);
    platform::MenuModel model;
    const HRESULT filled
        = menu->QueryContextMenu(&model, 0, 1000, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
    EXPECT_EQ(filled, 20) << "the largest offset plus one";
    EXPECT_EQ(model.DefaultId(), 1000);
    std::map<std::string, UINT> ids;
    bool sendTo = false;
    for (const auto& entry : model.Entries()) {
        if (!entry.SubMenu.empty()) {
            // Send To, left for the shell library to fill: one grayed entry.
            sendTo = entry.SubMenu.size() == 1 && entry.SubMenu[0].Grayed;
            continue;
        }
        if (entry.Separator)
            continue;
        char verb[260] = {};
        ASSERT_EQ(
            menu->GetCommandString(entry.Id - 1000, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
        ids[verb] = entry.Id;
        char help[260] = {};
        EXPECT_EQ(
            menu->GetCommandString(entry.Id - 1000, GCS_HELPTEXTA, nullptr, help, sizeof help),
            S_OK);
        EXPECT_GT(std::strlen(help), 0u);
    }
    EXPECT_EQ(ids.size(), 8u);
    EXPECT_TRUE(sendTo);
    EXPECT_EQ(ids["open"], 1000u);
    EXPECT_EQ(ids["rename"], 1018u);
    EXPECT_EQ(ids["copy"], 1002u);
    // Paste needs a folder to paste into: present for the keys, grayed on a file.
    ASSERT_NE(model.Find(ids["paste"]), nullptr);
    EXPECT_TRUE(model.Find(ids["paste"])->Grayed);
    EXPECT_FALSE(model.Find(ids["delete"])->Grayed);

    // Without rename asked for, no rename; a short buffer cuts the verb.
    platform::MenuModel plain;
    (void)menu->QueryContextMenu(&plain, 0, 1000, 0x7FFF, CMF_EXPLORE);
    EXPECT_EQ(plain.Find(1018), nullptr);
    char cut[3] = {};
    EXPECT_EQ(
        menu->GetCommandString(platform::ItemCommands::kProperties, GCS_VERBA, nullptr, cut, 3),
        S_OK);
    EXPECT_STREQ(cut, "pr");
}

TEST(Commands, AVerbTheMenuLacksInvokesNothing)
{
    Answering ui;
    TempDir dir;
    WriteFile(dir / "a", "a");
    Com<IContextMenu_NRC> menu = MenuOf(dir.Path(), { "a" });
    EXPECT_EQ(Invoke(menu.get(), "explore"), E_INVALIDARG);
    EXPECT_EQ(Invoke(menu.get(), "OPENWITH"), E_INVALIDARG);
    EXPECT_TRUE(ui.Told.empty());
    EXPECT_TRUE(ui.Asked.empty());
    EXPECT_EQ(ReadWholeFile(dir / "a"), "a");
}

TEST(Commands, LinksAreMadeBesideTheirTargetsAndNeverReplaceAName)
{
    Answering ui;
    TempDir dir;
    WriteFile(dir / "a", "a");
    WriteFile(dir / "Link to a", "someone else's");
    Com<IContextMenu_NRC> menu = MenuOf(dir.Path(), { "a" });
    EXPECT_EQ(Invoke(menu.get(), "link"), S_OK);
    EXPECT_EQ(ReadWholeFile(dir / "Link to a"), "someone else's");
    EXPECT_TRUE(fs::is_symlink(dir / "Link to a (2)"));
    EXPECT_EQ(fs::read_symlink(dir / "Link to a (2)"), "a");
    EXPECT_EQ(ReadWholeFile(dir / "Link to a (2)"), "a");
}

TEST(Commands, DeleteGoesToTheTrashAndShiftDeletesOnlyAfterAYes)
{
    ScopedHome home;
    Answering ui;
    TempDir dir;
    WriteFile(dir / "a", "a");
    WriteFile(dir / "b", "b");
    fs::create_directories(dir / "c/inner");
    fs::create_directory(dir / "outside");
    WriteFile(dir / "outside/kept", "kept");
    fs::create_directory_symlink(dir / "outside", dir / "c/inner/link-out");

    // The temporary folder and the home share a file system here, or the trash is at its top.
    EXPECT_EQ(Invoke(MenuOf(dir.Path(), { "a" }).get(), "delete"), S_OK);
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_TRUE(ui.Asked.empty()) << "a move to the trash asks nothing";

    // Shift: asked, and a no keeps everything.
    EXPECT_EQ(
        Invoke(MenuOf(dir.Path(), { "b", "c" }).get(), "delete", CMIC_MASK_SHIFT_DOWN), E_ABORT);
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_NE(ui.Asked[0].find("these 2 items"), std::string::npos) << ui.Asked[0];
    EXPECT_TRUE(fs::exists(dir / "b"));
    // A yes deletes, never following the link out of the tree.
    ui.Yes = true;
    EXPECT_EQ(Invoke(MenuOf(dir.Path(), { "b", "c" }).get(), "delete", CMIC_MASK_SHIFT_DOWN), S_OK);
    EXPECT_FALSE(fs::exists(dir / "b"));
    EXPECT_FALSE(fs::exists(dir / "c"));
    EXPECT_EQ(ReadWholeFile(dir / "outside/kept"), "kept");
}

TEST(Commands, ADriveWithoutATrashAsksBeforeItsItemsCrossIntoTheHomeTrash)
{
    ScopedHome home;
    Answering ui;
    TempDir dir;
    TmpfsMount mount(dir.Path());
    SONDREL_REQUIRE_MOUNT(mount);
    // A file where the drive's trash would go leaves the home trash, on another file system.
    WriteFile(mount.Path() + "/.Trash-" + std::to_string(::getuid()), "not a trash");
    WriteFile(mount.Path() + "/item", "travels");

    EXPECT_EQ(Invoke(MenuOf(mount.Path(), { "item" }).get(), "delete"), E_ABORT);
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_NE(ui.Asked[0].find("has no trash"), std::string::npos) << ui.Asked[0];
    EXPECT_EQ(ReadWholeFile(mount.Path() + "/item"), "travels") << "a no keeps it where it is";

    ui.Yes = true;
    EXPECT_EQ(Invoke(MenuOf(mount.Path(), { "item" }).get(), "delete"), S_OK);
    EXPECT_FALSE(fs::exists(mount.Path() + "/item"));
    const std::string trash = home.Path() + "/.local/share/Trash";
    EXPECT_EQ(ReadWholeFile(trash + "/files/item"), "travels");
    const std::string record = ReadWholeFile(trash + "/info/item.trashinfo");
    EXPECT_NE(record.find("\nPath=" + platform::PercentEncodePath(mount.Path() + "/item") + "\n"),
        std::string::npos)
        << record;
}

// Every entry below `folder`, relative to it; nothing when it is absent.
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        found.push_back(fs::relative(entry.path(), folder).string());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(Commands, AnItemOnANetworkDriveIsNeverTrashedOnlyDeletedAfterAYes)
{
    RemoteMount server;
    if (!server.Usable())
        GTEST_SKIP() << "no network drive here: " << server.Problem();
    ScopedHome home;
    Answering ui;
    const std::string trash = home.Path() + "/.local/share/Trash";
    const std::vector<std::string> before = Entries(server.Path());
    ASSERT_EQ(before,
        (std::vector<std::string> { "folder", "folder/inside.txt", "notes.txt", "report.txt" }));

    // Asked first, naming the reason; a no leaves everything as it was, here and at home.
    EXPECT_EQ(Invoke(MenuOf(server.Path(), { "notes.txt", "folder" }).get(), "delete"), E_ABORT);
    ASSERT_EQ(ui.Asked.size(), 2u);
    for (const std::string& question : ui.Asked)
        EXPECT_NE(question.find("it is on a network drive"), std::string::npos) << question;
    EXPECT_EQ(Entries(server.Path()), before);
    EXPECT_EQ(ReadWholeFile(server.Path() + "/notes.txt"), "notes on the server\n");

    // A yes deletes them for good: no trash on the server, no copy in the home trash.
    ui.Yes = true;
    ui.Asked.clear();
    EXPECT_EQ(Invoke(MenuOf(server.Path(), { "notes.txt", "folder" }).get(), "delete"), S_OK);
    EXPECT_EQ(ui.Asked.size(), 2u);
    EXPECT_EQ(Entries(server.Path()), std::vector<std::string> { "report.txt" });
    EXPECT_TRUE(Entries(trash + "/files").empty());
    EXPECT_TRUE(Entries(trash + "/info").empty());
    EXPECT_TRUE(ui.Told.empty()) << ui.Told.front();
}

TEST(Commands, PropertiesTellTypeOwnerModeLinkAndStreams)
{
    Answering ui;
    TempDir dir;
    WriteFile(dir / "notes.txt", "twelve bytes");
    const bool xattrs = SetXattr(dir / "notes.txt", "user.extra", "named");
    ::chmod((dir / "notes.txt").c_str(), 0640);
    ::symlink("notes.txt", (dir / "link").c_str());
    EXPECT_EQ(Invoke(MenuOf(dir.Path(), { "notes.txt" }).get(), "properties"), S_OK);
    EXPECT_EQ(Invoke(MenuOf(dir.Path(), { "link" }).get(), "properties"), S_OK);
    ASSERT_EQ(ui.Shown.size(), 2u);
    const auto& file = ui.Shown[0];
    EXPECT_EQ(file.Name, "notes.txt");
    EXPECT_EQ(file.Location, dir.Path());
    EXPECT_EQ(file.Size, 12u);
    EXPECT_EQ(file.ModeText, "-rw-r-----");
    EXPECT_FALSE(file.Type.empty());
    EXPECT_FALSE(file.FileSystem.empty());
    // Security, data and (where xattrs work) the named stream.
    EXPECT_EQ(file.StreamCount, xattrs ? 3 : 2);
    EXPECT_TRUE(ui.Shown[1].Link);
    EXPECT_EQ(ui.Shown[1].LinkTarget, "notes.txt");
}

TEST(ClipboardFormats, EveryFormatCarriesTheBytesOfTheNames)
{
    TempDir dir;
    const std::string odd = dir / "caf\xE9 #1";
    WriteFile(odd, "x");
    WriteFile(dir / "plain", "y");
    const auto formats = platform::EncodeFileTransfer({ { odd, dir / "plain" }, true });
    std::map<std::string, std::string> bytes(formats.begin(), formats.end());
    EXPECT_EQ(formats.front().first, platform::kIdListArrayMime);
    const std::string encodedDir = platform::PercentEncodePath(dir.Path());
    const std::string first = "file://" + encodedDir + "/caf%E9%20%231";
    const std::string second = "file://" + encodedDir + "/plain";
    EXPECT_EQ(bytes["text/uri-list"], first + "\r\n" + second + "\r\n");
    EXPECT_EQ(bytes["x-special/gnome-copied-files"], "cut\n" + first + "\n" + second);
    EXPECT_EQ(bytes["application/x-kde-cutselection"], "1");
    EXPECT_EQ(bytes["text/plain"], odd + "\n" + (dir / "plain"));
    EXPECT_EQ(platform::DecodeIdListArray(bytes[platform::kIdListArrayMime]),
        (std::vector<std::string> { odd, dir / "plain" }));
    EXPECT_EQ(platform::EncodeFileTransfer({ { odd }, false }).size(), 4u) << "no cut mark";

    // Files made for one transfer (a stream dragged out) carry our mark, and keep it.
    const auto made = platform::EncodeFileTransfer({ { odd }, false, true });
    const std::map<std::string, std::string> madeBytes(made.begin(), made.end());
    EXPECT_EQ(madeBytes.at(platform::kNewNamesMime), "1");
    const auto get = [&](const std::map<std::string, std::string>& offer) {
        return [&offer](const char* mime) -> std::optional<std::string> {
            const auto found = offer.find(mime);
            return found == offer.end() ? std::nullopt : std::optional(found->second);
        };
    };
    EXPECT_TRUE(platform::DecodeFileTransfer(get(madeBytes))->NewNames);
    EXPECT_FALSE(platform::DecodeFileTransfer(get(bytes))->NewNames);
}

TEST(ClipboardFormats, OffersAreReadInOrderOfTrustAndOnlyLocalFilesCount)
{
    using Offer = std::map<std::string, std::string>;
    auto read = [](const Offer& offer) {
        return platform::DecodeFileTransfer([&](const char* mime) -> std::optional<std::string> {
            const auto found = offer.find(mime);
            if (found == offer.end())
                return std::nullopt;
            return found->second;
        });
    };
    auto gnome = read({ { "x-special/gnome-copied-files", "cut\nfile:///tmp/a%20b\nfile:///c" },
        { "text/uri-list", "file:///other\r\n" } });
    ASSERT_TRUE(gnome);
    EXPECT_TRUE(gnome->Cut);
    EXPECT_EQ(gnome->Paths, (std::vector<std::string> { "/tmp/a b", "/c" }));

    auto older
        = read({ { "text/plain", "x-special/nautilus-clipboard\ncopy\nfile://localhost/x%FF\n" } });
    ASSERT_TRUE(older);
    EXPECT_FALSE(older->Cut);
    EXPECT_EQ(older->Paths, std::vector<std::string> { "/x\xFF" });

    auto kde = read({ { "text/uri-list", "# a comment\r\nfile:///k\r\n" },
        { "application/x-kde-cutselection", "1" } });
    ASSERT_TRUE(kde);
    EXPECT_TRUE(kde->Cut);
    EXPECT_EQ(kde->Paths, std::vector<std::string> { "/k" });

    EXPECT_FALSE(read({ { "text/uri-list", "https://example.org/x\r\n" } }));
    EXPECT_FALSE(read({ { "text/uri-list", "file://server/share/x\r\n" } }));
    EXPECT_FALSE(read({ { "x-special/gnome-copied-files", "move\nfile:///x" } }));
    EXPECT_FALSE(read({ { "text/plain", "/just/a/path" } }));
    EXPECT_FALSE(read({}));
}

TEST(ClipboardFormats, AHostileIdListArrayIsRefused)
{
    TempDir dir;
    WriteFile(dir / "f", "f");
    const std::string good = platform::EncodeIdListArray({ dir / "f" });
    ASSERT_FALSE(good.empty());
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(platform::DecodeIdListArray(good.substr(0, cut))) << cut;
    std::string huge = good;
    huge[0] = '\xff';
    EXPECT_FALSE(platform::DecodeIdListArray(huge));
    std::string wild = good;
    wild[4] = '\x7f';
    EXPECT_FALSE(platform::DecodeIdListArray(wild));
}

} // namespace
