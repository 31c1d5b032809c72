// Disk images in the namespace: a read-only drive per NTFS volume under "Computer", browsed,
// counted and described from the volume itself, and never written.
#include "CommandUi.h"
#include "FolderDetails.h"
#include "ImageDrives.h"
#include "ItemCommands.h"
#include "ItemProperties.h"
#include "MountTable.h"
#include "Run.h"
#include "ShellAllocator.h"
#include "ShellTestSupport.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

using namespace win32;
using namespace sondrel;
using namespace sondrel::test;

namespace {

namespace fs = std::filesystem;

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// The grr fixture decompressed as "grr.dd", or "" with the reason in `why`.
std::string UnpackFixture(const TempDir& dir, std::string& why)
{
    const std::string packed = std::string(SONDREL_FIXTURES_DIR) + "/ntfs/grr_ntfs_img.dd.xz";
    if (!fs::exists(packed)) {
        why = "the shared fixture " + packed + " is absent";
        return {};
    }
    const std::string image = dir / "grr.dd";
    const RunResult unpacked
        = sondrel::test::Run({ "sh", "-c", "xz -dc \"$0\" > \"$1\"", packed, image });
    if (unpacked.Status != 0) {
        why = "cannot decompress the fixture: " + unpacked.Err;
        return {};
    }
    return image;
}

// Each listed item's name (as shown in its folder) and its attributes.
std::map<std::string, SFGAOF> Listed(IShellFolder_NRC* folder, SHCONTF flags)
{
    std::map<std::string, SFGAOF> found;
    for (const Pidl& item : Enumerate(folder, flags)) {
        SFGAOF attributes = ~SFGAOF { 0 } & ~SFGAO_VALIDATE;
        PCIDLIST list = item.get();
        EXPECT_EQ(folder->GetAttributesOf(1, &list, &attributes), S_OK);
        found[NameOf(folder, item.get(), SHGDN_INFOLDER)] = attributes;
    }
    return found;
}

constexpr SHCONTF kEverything = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

// The quiet interface, installed for one test.
struct Telling : platform::QuietCommandUi
{
    Telling() { platform::InstallCommandUi(this); }
    ~Telling() override { platform::InstallCommandUi(nullptr); }
};

Pidl ItemOf(const std::string& folder, const std::string& name)
{
    std::string item;
    EXPECT_EQ(platform::ParseRelativePath(folder, name, item), S_OK) << name;
    item += std::string(2, '\0');
    Pidl list(static_cast<ITEMIDLIST*>(platform::ShellAllocator().Alloc(item.size())));
    std::memcpy(list.get(), item.data(), item.size());
    return list;
}

class ImageDrive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string why;
        m_image = UnpackFixture(m_dir, why);
        if (m_image.empty())
            GTEST_SKIP() << why;
        m_before = FileBytes(m_image);
        const platform::ImageDrives opened = platform::OpenImageDrives(m_image);
        ASSERT_EQ(opened.MountPoints.size(), 1u) << opened.Error;
        m_drive = opened.MountPoints[0];
    }
    void TearDown() override
    {
        platform::CloseImageDrives();
        if (!m_image.empty()) {
            EXPECT_TRUE(FileBytes(m_image) == m_before) << "the image was written";
        }
    }

    TempDir m_dir;
    std::string m_image;
    std::string m_before;
    std::string m_drive;
};

} // namespace

TEST_F(ImageDrive, AppearsUnderComputerNamedAfterItsImageAndBrowsesFromTheVolume)
{
    const auto drives = platform::CurrentDrives();
    const platform::Drive* drive = platform::FindDrive(*drives, m_drive);
    ASSERT_NE(drive, nullptr);
    EXPECT_TRUE(drive->Image && drive->ReadOnly);
    EXPECT_EQ(drive->Label, "grr.dd (1)") << "named after the image and the partition";

    Com<IShellFolder_NRC> desktop = Desktop();
    Pidl computer = ParsePath("computer:///");
    ASSERT_TRUE(computer);
    Com<IShellFolder_NRC> computerFolder;
    ASSERT_EQ(
        desktop->BindToObject(computer.get(), nullptr, IID_IShellFolder, computerFolder.outVoid()),
        S_OK);
    const auto atComputer = Listed(computerFolder.get(), SHCONTF_FOLDERS);
    ASSERT_TRUE(atComputer.count("grr.dd (1)")) << "the drive is listed under Computer";
    EXPECT_TRUE(atComputer.at("grr.dd (1)") & SFGAO_READONLY);
    EXPECT_FALSE(atComputer.at("grr.dd (1)") & SFGAO_DROPTARGET);
    Com<IShellFolder2_NRC> computerDetails;
    ASSERT_EQ(computerFolder->QueryInterface(IID_IShellFolder2, computerDetails.outVoid()), S_OK);
    for (const Pidl& item : Enumerate(computerFolder.get(), SHCONTF_FOLDERS)) {
        if (NameOf(computerFolder.get(), item.get(), SHGDN_INFOLDER) != "grr.dd (1)")
            continue;
        SHELLDETAILS type {};
        ASSERT_EQ(computerDetails->GetDetailsOf(item.get(), 1, &type), S_OK);
        EXPECT_EQ(TakeName(type.str), "Disk Image (read-only)");
    }

    Com<IShellFolder_NRC> root = BindPath(m_drive);
    ASSERT_TRUE(root);
    const auto all = Listed(root.get(), kEverything);
    ASSERT_TRUE(all.count("Test Directory") && all.count("adstest")) << all.size();
    EXPECT_TRUE(all.at("adstest") & SFGAO_FOLDER);
    EXPECT_TRUE(all.at("adstest") & SFGAO_HASSUBFOLDER);
    // The volume's own files are hidden system entries: listed only when hidden ones are asked.
    ASSERT_TRUE(all.count("$MFT"));
    EXPECT_TRUE(all.at("$MFT") & SFGAO_HIDDEN);
    EXPECT_FALSE(all.at("$MFT") & SFGAO_FOLDER);
    const auto shown = Listed(root.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    EXPECT_FALSE(shown.count("$MFT"));
    EXPECT_TRUE(shown.count("adstest"));

    Com<IShellFolder_NRC> inner = BindPath(m_drive + "/Test Directory");
    ASSERT_TRUE(inner);
    const auto files = Listed(inner.get(), kEverything);
    for (const char* name : { "notes.txt", "notes.txt:ads",
             "\xe5\x85\xa5\xe4\xb9\xa1\xe9\x9a\x8f\xe4\xbf\x97 "
             "\xe6\xb5\xb7\xe5\xa4\x96\xe6\x98\xa5\xe8\x8a\x82\xe5\x88\xab\xe6\xa0\xb7\xe8\xbf\x87"
             "\xe6\xb3\x95.txt" }) {
        ASSERT_TRUE(files.count(name)) << name;
        const SFGAOF attributes = files.at(name);
        EXPECT_FALSE(attributes & SFGAO_FOLDER) << name;
        EXPECT_TRUE(attributes & SFGAO_READONLY) << name;
        EXPECT_FALSE(attributes & (SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE)) << name;
    }

    // The columns of other drives: a file has a size and a time, as the volume keeps them.
    Pidl notes = ItemOf(m_drive + "/Test Directory", "notes.txt");
    Com<IShellFolder2_NRC> detailed;
    ASSERT_EQ(inner->QueryInterface(IID_IShellFolder2, detailed.outVoid()), S_OK);
    for (UINT column : { 1u, 3u }) {
        SHELLDETAILS details {};
        ASSERT_EQ(detailed->GetDetailsOf(notes.get(), column, &details), S_OK);
        EXPECT_FALSE(TakeName(details.str).empty()) << column;
    }
    const platform::ItemProperties properties
        = platform::GatherProperties(m_drive + "/Test Directory/notes.txt");
    EXPECT_EQ(properties.Size, 12u);
    EXPECT_GT(properties.Modified.tv_sec, 1293840000) << "written in 2011";

    // Parsed as a path, an item of the image reaches the same place as from Computer.
    HRESULT parsed = E_FAIL;
    Pidl deep = ParsePath(m_drive + "/adstest/dir/b.txt", &parsed);
    EXPECT_EQ(parsed, S_OK);
    EXPECT_EQ(NameOf(desktop.get(), deep.get(), SHGDN_NORMAL), "b.txt");
}

TEST_F(ImageDrive, CountsAnItemsStreamsAsTheCompanionDoes)
{
    for (const char* inside : { "/Test Directory/notes.txt", "/adstest/a.txt", "/adstest/dir" }) {
        const RunResult counted = RunCompanion({ "--image", m_image, inside });
        ASSERT_EQ(counted.Status, 0) << counted.Err;
        const std::string expected = counted.Out.substr(counted.Out.rfind('\t') + 1);
        const platform::ItemProperties properties = platform::GatherProperties(m_drive + inside);
        EXPECT_TRUE(properties.Error.empty()) << properties.Error;
        EXPECT_EQ(std::to_string(properties.StreamCount) + "\n", expected) << inside;
    }
    const platform::ItemProperties folder = platform::GatherProperties(m_drive + "/adstest");
    EXPECT_TRUE(folder.Folder);
    EXPECT_EQ(folder.FileSystem, "ntfs");
}

TEST_F(ImageDrive, RefusesEveryVerbThatWritesAndSaysWhy)
{
    Telling ui;
    const std::string folder = m_drive + "/adstest";
    Com<IShellFolder_NRC> shell = BindPath(folder);
    ASSERT_TRUE(shell);
    Pidl file = ItemOf(folder, "a.txt");
    Pidl sub = ItemOf(folder, "dir");
    PCIDLIST fileList = file.get();
    PCIDLIST subList = sub.get();

    Com<IContextMenu_NRC> menu;
    ASSERT_EQ(
        shell->GetUIObjectOf(nullptr, 1, &fileList, IID_IContextMenu, nullptr, menu.outVoid()),
        S_OK);
    auto* commands = static_cast<platform::ItemCommands*>(menu.get());
    EXPECT_TRUE(commands->Enabled(platform::ItemCommands::kProperties));
    // The file operations would look for it on disk: no copy, no drag, no outside program.
    EXPECT_FALSE(commands->Enabled(platform::ItemCommands::kCopy));
    EXPECT_FALSE(commands->Enabled(platform::ItemCommands::kOpen));
    SFGAOF offered = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    EXPECT_EQ(shell->GetAttributesOf(1, &fileList, &offered), S_OK);
    EXPECT_EQ(offered, 0u);
    for (const char* verb : { "cut", "delete", "link", "rename", "copy" }) {
        CMINVOKECOMMANDINFO info;
        info.lpVerb = verb;
        info.nShow = 1;
        EXPECT_EQ(menu->InvokeCommand(&info), E_ACCESSDENIED) << verb;
    }
    ASSERT_EQ(ui.Told.size(), 5u);
    EXPECT_NE(ui.Told[0].find("read-only"), std::string::npos);
    EXPECT_NE(ui.Told[4].find("stream list"), std::string::npos);

    Com<IContextMenu_NRC> folderMenu;
    ASSERT_EQ(
        shell->GetUIObjectOf(nullptr, 1, &subList, IID_IContextMenu, nullptr, folderMenu.outVoid()),
        S_OK);
    EXPECT_FALSE(static_cast<platform::ItemCommands*>(folderMenu.get())
                     ->Enabled(platform::ItemCommands::kPaste));
    CMINVOKECOMMANDINFO paste;
    paste.lpVerb = "paste";
    paste.nShow = 1;
    EXPECT_EQ(folderMenu->InvokeCommand(&paste), E_ACCESSDENIED);

    Com<IDropTarget_NRC> drop;
    EXPECT_EQ(shell->GetUIObjectOf(nullptr, 1, &subList, IID_IDropTarget, nullptr, drop.outVoid()),
        E_NOINTERFACE)
        << "a folder of an image takes no drops";

    const char16_t renamed[] = u"renamed.txt";
    EXPECT_EQ(shell->SetNameOf(nullptr, file.get(), reinterpret_cast<const WCHAR*>(renamed),
                  SHGDN_NORMAL, nullptr),
        E_ACCESSDENIED);
    EXPECT_TRUE(Listed(shell.get(), kEverything).count("a.txt"));
}

TEST(ImageDrives, AnImageOpensOnceAndImagesOfOneNameKeepApart)
{
    TempDir dir;
    std::string why;
    const std::string image = UnpackFixture(dir, why);
    if (image.empty())
        GTEST_SKIP() << why;
    fs::create_directory(dir / "other");
    fs::copy_file(image, dir / "other/grr.dd");
    const auto first = platform::OpenImageDrives(image);
    const auto again = platform::OpenImageDrives(dir / "other/../grr.dd");
    const auto second = platform::OpenImageDrives(dir / "other/grr.dd");
    ASSERT_EQ(first.MountPoints.size(), 1u) << first.Error;
    EXPECT_EQ(again.MountPoints, first.MountPoints);
    ASSERT_EQ(second.MountPoints.size(), 1u) << second.Error;
    EXPECT_NE(second.MountPoints[0], first.MountPoints[0]);
    const auto drives = platform::CurrentDrives();
    ASSERT_NE(platform::FindDrive(*drives, second.MountPoints[0]), nullptr);
    EXPECT_EQ(platform::FindDrive(*drives, second.MountPoints[0])->Label, "grr.dd (1) [2]");
    platform::CloseImageDrives();
    EXPECT_EQ(platform::FindDrive(*platform::CurrentDrives(), first.MountPoints[0]), nullptr);
}

TEST(ImageDrives, AVolumeMadeHereOpensAsOneDriveWithItsSystemEntries)
{
    TempDir dir;
    const std::string image = dir / "made.img";
    {
        std::ofstream(image, std::ios::binary);
    }
    fs::resize_file(image, 16 * 1024 * 1024);
    const RunResult made = sondrel::test::Run({ "mkntfs", "-F", "-f", "-q", "-L", "made", image });
    if (made.Status == 127 || made.Err.find("not found") != std::string::npos)
        GTEST_SKIP() << "mkntfs is not installed";
    ASSERT_EQ(made.Status, 0) << made.Err;
    const auto opened = platform::OpenImageDrives(image);
    ASSERT_EQ(opened.MountPoints.size(), 1u) << opened.Error;
    const auto drives = platform::CurrentDrives();
    const platform::Drive* drive = platform::FindDrive(*drives, opened.MountPoints[0]);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->Label, "made.img") << "a bare volume is one drive, named as its image";
    Com<IShellFolder_NRC> root = BindPath(opened.MountPoints[0]);
    ASSERT_TRUE(root);
    const auto all = Listed(root.get(), kEverything);
    ASSERT_TRUE(all.count("$Extend"));
    EXPECT_TRUE(all.at("$Extend") & SFGAO_FOLDER);
    EXPECT_TRUE(all.at("$Extend") & SFGAO_HIDDEN);
    EXPECT_TRUE(Listed(root.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS).empty())
        << "a new volume holds nothing but its hidden system files";
    platform::CloseImageDrives();
}

TEST(ImageDrives, ADamagedImageGivesItsReasonAndAnOrdinaryFileIsNoImage)
{
    TempDir dir;
    std::string why;
    const std::string image = UnpackFixture(dir, why);
    if (image.empty())
        GTEST_SKIP() << why;
    // The boot sector survives, the rest of the volume's records are gone.
    std::string bytes = FileBytes(image);
    std::fill(bytes.begin() + 512, bytes.end(), '\0');
    WriteFile(dir / "damaged.dd", bytes);
    const auto damaged = platform::OpenImageDrives(dir / "damaged.dd");
    EXPECT_TRUE(damaged.MountPoints.empty());
    EXPECT_TRUE(damaged.Image);
    EXPECT_FALSE(damaged.Error.empty());

    WriteFile(dir / "notes.txt", "no image\n");
    const auto plain = platform::OpenImageDrives(dir / "notes.txt");
    EXPECT_TRUE(plain.MountPoints.empty());
    EXPECT_FALSE(plain.Image) << plain.Error;

    WriteFile(dir / "empty.E01", "");
    const auto named = platform::OpenImageDrives(dir / "empty.E01");
    EXPECT_TRUE(named.MountPoints.empty());
    EXPECT_TRUE(named.Image) << "named as an image: its failure is told";
    EXPECT_FALSE(named.Error.empty());
    const auto drives = platform::CurrentDrives();
    EXPECT_TRUE(std::none_of(
        drives->begin(), drives->end(), [](const platform::Drive& d) { return d.Image; }));
}

TEST(ImageDrives, TheDesktopsAndComputersMenuOpensAChosenImageAndShowsItsDrive)
{
    TempDir dir;
    std::string why;
    const std::string image = UnpackFixture(dir, why);
    if (image.empty())
        GTEST_SKIP() << why;
    Telling ui;
    Com<IShellFolder_NRC> desktop = Desktop();
    Com<IContextMenu_NRC> own;
    ASSERT_EQ(desktop->CreateViewObject(nullptr, IID_IContextMenu, own.outVoid()), S_OK);
    Pidl computer = ParsePath("computer:///");
    PCIDLIST computerList = computer.get();
    Com<IContextMenu_NRC> ofComputer;
    ASSERT_EQ(desktop->GetUIObjectOf(
                  nullptr, 1, &computerList, IID_IContextMenu, nullptr, ofComputer.outVoid()),
        S_OK);
    Com<IDropTarget_NRC> drop;
    EXPECT_EQ(
        desktop->GetUIObjectOf(nullptr, 1, &computerList, IID_IDropTarget, nullptr, drop.outVoid()),
        E_NOINTERFACE);

    // Folders of files have no menu of their own.
    Com<IShellFolder_NRC> plain = BindPath(dir.Path());
    Com<IContextMenu_NRC> none;
    EXPECT_EQ(plain->CreateViewObject(nullptr, IID_IContextMenu, none.outVoid()), E_NOINTERFACE);

    for (IContextMenu_NRC* menu : { own.get(), ofComputer.get() }) {
        // The one command there: opening a disk image.
        platform::MenuModel model;
        ASSERT_TRUE(SUCCEEDED(menu->QueryContextMenu(&model, 0, 100, 0x7FFF, CMF_EXPLORE)));
        ASSERT_EQ(model.Entries().size(), 1u);
        char verb[64] = {};
        ASSERT_EQ(menu->GetCommandString(
                      model.Entries()[0].Id - 100, GCS_VERBA, nullptr, verb, sizeof verb),
            S_OK);
        EXPECT_STREQ(verb, "openimage");
        CMINVOKECOMMANDINFO remove;
        remove.lpVerb = "delete";
        EXPECT_EQ(menu->InvokeCommand(&remove), E_FAIL);
    }

    CMINVOKECOMMANDINFO open;
    open.lpVerb = "openimage";
    open.nShow = 1;
    EXPECT_EQ(own->InvokeCommand(&open), S_FALSE) << "a dismissed choice opens nothing";
    EXPECT_TRUE(ui.ShownFolders.empty());

    WriteFile(dir / "broken.E01", "no image at all");
    ui.ImageChoice = dir / "broken.E01";
    EXPECT_EQ(own->InvokeCommand(&open), E_FAIL);
    ASSERT_EQ(ui.Told.size(), 1u);
    EXPECT_EQ(ui.Told[0].rfind(dir / "broken.E01: ", 0), 0u) << ui.Told[0];
    EXPECT_GT(ui.Told[0].size(), (dir / "broken.E01: ").size()) << "the reason follows";
    EXPECT_TRUE(ui.ShownFolders.empty());

    ui.ImageChoice = image;
    EXPECT_EQ(ofComputer->InvokeCommand(&open), S_OK);
    ASSERT_EQ(ui.ShownFolders.size(), 1u);
    const auto drives = platform::CurrentDrives();
    const platform::Drive* drive = platform::FindDrive(*drives, ui.ShownFolders[0]);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->Label, "grr.dd (1)");
    platform::CloseImageDrives();
}
