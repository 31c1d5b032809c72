// The namespace utilities over the real namespace: paths, names, special folders, icons, details.
#include "ShellTestSupport.h"
#include "SystemImageList.h"
#include "TempDir.h"
#include "UPTShellUtils.h"
#include "Uptshconsts.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace sondrel::shell;
using namespace sondrel::test;
using namespace std::string_literals;

namespace {

struct Held
{
    PItemIDList Pidl = nullptr;
    ~Held() { ShellMemFree(Pidl); }
};

} // namespace

TEST(ShellUtils, PathsGoBackAndForthAsBytes)
{
    TempDir dir;
    const std::string odd = dir / "odd\xff name\n:x";
    std::filesystem::create_directory(odd);
    Held pidl;
    ASSERT_EQ(ShellGetIdListFromPath(odd, pidl.Pidl), win32::S_OK);
    EXPECT_EQ(ShellGetPathFromIdList(pidl.Pidl), odd);
    EXPECT_EQ(ShellGetDisplayPathName(dir.Path() + "//./x/../odd\xff name\n:x"), odd);
    EXPECT_EQ(ShellGetDisplayPathName(dir / "missing"), "");
    Held missing;
    EXPECT_EQ(ShellGetIdListFromPath(dir / "missing", missing.Pidl), win32::HRESULT_FROM_WIN32(2));
    EXPECT_EQ(missing.Pidl, nullptr);
    EXPECT_EQ(ShellGetFriendlyNameForLastIdListElement(pidl.Pidl), "odd\xff name\n:x");
    EXPECT_EQ(ShellGetFriendlyNameFromIdList(nullptr, pidl.Pidl, ptfnForParsing), odd);

    IShellFolder_NRC* folder = nullptr;
    ASSERT_EQ(ShellGetFolderFromIdList(pidl.Pidl, folder), win32::S_OK);
    folder->Release();
    ASSERT_EQ(ShellGetFolderFromIdList(nullptr, folder), win32::S_OK); // the desktop
    folder->Release();
    std::filesystem::remove(odd);
    EXPECT_EQ(ShellGetFolderFromIdList(pidl.Pidl, folder), win32::HRESULT_FROM_WIN32(2));
    EXPECT_EQ(folder, nullptr);
}

TEST(ShellUtils, NameRecordsOfEveryKind)
{
    const std::string list = "\x08\x00hello\0\0\0"s.substr(0, 10);
    const auto* pidl = reinterpret_cast<PCItemIDList>(list.data());
    TStrRet inline_;
    inline_.uType = win32::STRRET_CSTR;
    std::strcpy(inline_.cStr, "inline");
    EXPECT_EQ(StrretToString(nullptr, inline_), "inline");
    TStrRet offset;
    offset.uType = win32::STRRET_OFFSET;
    offset.uOffset = 2;
    EXPECT_EQ(StrretToString(pidl, offset), "hello");
    EXPECT_EQ(StrretToString(nullptr, offset), "");
    offset.uOffset = 500; // outside the list
    EXPECT_EQ(StrretToString(pidl, offset), "");
    TStrRet wide;
    wide.uType = win32::STRRET_WSTR;
    wide.pOleStr = static_cast<win32::WCHAR*>(ShellMemAlloc(3 * sizeof(win32::WCHAR)));
    wide.pOleStr[0] = u'\u00e9';
    wide.pOleStr[1] = 0xDCFF; // a byte that is not UTF-8
    wide.pOleStr[2] = 0;
    EXPECT_EQ(StrretToString(nullptr, wide), "\xc3\xa9\xff");
    StrretFree(wide);
    EXPECT_EQ(wide.pOleStr, nullptr);
}

TEST(ShellUtils, SpecialFolderLookup)
{
    ScopedHome home;
    std::filesystem::create_directories(home.Path() + "/Docs");
    home.SetUserDirs({ "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"" });
    TempDir plain;
    const std::pair<std::string, TCSIDL> byPath[] = {
        { plain.Path(), csidlNone },
        { home.Path() + "/Docs", csidlPersonal },
        { home.Path() + "/.config", csidlAppData },
    };
    for (const auto& [path, csidl] : byPath) {
        Held pidl;
        ASSERT_EQ(ShellGetIdListFromPath(path, pidl.Pidl), win32::S_OK);
        EXPECT_EQ(ShellFindCSIDLFromIdList(pidl.Pidl), csidl) << path;
    }
    for (const TCSIDL csidl : { csidlDesktop, csidlDrives, csidlBitBucket, csidlProfile }) {
        Held pidl;
        ASSERT_EQ(ShellGetSpecialFolderIdList(nullptr, csidl, pidl.Pidl), win32::S_OK);
        EXPECT_EQ(ShellFindCSIDLFromIdList(pidl.Pidl), csidl);
        EXPECT_TRUE(ShellCSIDLEqualsIdList(pidl.Pidl, csidl));
    }
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlProfile), home.Path());
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlDrives), "");
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlPrinters), "");
    EXPECT_THROW((void)ShellCSIDLEqualsIdList(nullptr, csidlPrinters), EOleSysError);
    EXPECT_THROW((void)ShellGetSpecialFolderIconIndex(csidlFonts, 0), EOleSysError);
    EXPECT_EQ(ShellGetFriendlyNameForLastIdListElement(nullptr), "Desktop");
}

TEST(ShellUtils, IconsComeFromOneImageList)
{
    TempDir dir;
    WriteFile(dir / "a.txt", "x");
    std::filesystem::create_directory(dir / "sub");
    const HIMAGELIST small = ShellGetSystemImageList(ptsizSmall);
    const HIMAGELIST large = ShellGetSystemImageList(ptsizLarge);
    ASSERT_NE(small, nullptr);
    EXPECT_NE(small, large);
    EXPECT_EQ(small->ImageSize(), 16);
    EXPECT_EQ(large->ImageSize(), 32);
    const int text = ShellGetIconIndexFromPath(dir / "a.txt", win32::SHGFI_SMALLICON);
    EXPECT_EQ(ShellGetIconIndexFromExt("other.txt", win32::SHGFI_SMALLICON), text);
    EXPECT_EQ(ShellGetIconIndexFromExt(".txt", 0), text);
    const int folder = ShellGetIconIndexFromPath(dir / "sub", 0);
    const int open = ShellGetIconIndexFromPath(dir / "sub", win32::SHGFI_OPENICON);
    EXPECT_NE(folder, text);
    EXPECT_NE(open, folder);
    Held sub;
    ASSERT_EQ(ShellGetIdListFromPath(dir / "sub", sub.Pidl), win32::S_OK);
    EXPECT_EQ(ShellGetIconIndex(sub.Pidl, win32::SHGFI_SMALLICON), folder);
    EXPECT_EQ(ShellGetIconIndexFromPath(dir / "gone", 0), 0);
    EXPECT_NE(ShellGetSpecialFolderIconIndex(csidlDrives, 0), folder);
    EXPECT_EQ(ShellGetIconIndex(nullptr, 0), ShellGetSpecialFolderIconIndex(csidlDesktop, 0));
    EXPECT_LT(text, sondrel::platform::SystemImageList::Count());
}

TEST(ShellUtils, DetailsOfAFolderComeThroughTheAdapter)
{
    TempDir dir;
    WriteFile(dir / "a", std::string(2048, 'x'));
    const auto folder = BindPath(dir.Path());
    IShellDetails_NRC* details = ShellGetFolderDetails(folder.get());
    ASSERT_NE(details, nullptr);
    TShColInfo info;
    ASSERT_EQ(details->GetDetailsOf(nullptr, 1, &info), win32::S_OK);
    EXPECT_EQ(StrretToString(nullptr, info.str), "Size");
    StrretFree(info.str);
    EXPECT_EQ(details->GetDetailsOf(nullptr, 9, &info), win32::E_INVALIDARG);
    EXPECT_EQ(details->ColumnClick(0), win32::E_NOTIMPL);
    IUnknown_NRC* unknown = nullptr;
    EXPECT_EQ(details->QueryInterface(win32::IID_IShellFolder, reinterpret_cast<void**>(&unknown)),
        win32::E_NOINTERFACE);
    EXPECT_EQ(details->Release(), 0u);
    EXPECT_EQ(ShellGetFolderDetails(nullptr), nullptr);
}

TEST(ShellUtils, TheDriveFlushRereadsTheUsersFoldersUnlessLocked)
{
    ScopedHome home;
    std::filesystem::create_directories(home.Path() + "/One");
    std::filesystem::create_directories(home.Path() + "/Two");
    home.SetUserDirs({ "XDG_DOCUMENTS_DIR=\"$HOME/One\"" });
    FlushDriveInfoCache();
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlPersonal), home.Path() + "/One");
    home.SetUserDirs({ "XDG_DOCUMENTS_DIR=\"$HOME/Two\"" });
    // An unbalanced unlock first: it must not spend the lock that follows.
    UnlockFlushDriveInfoCache();
    LockFlushDriveInfoCache();
    LockFlushDriveInfoCache();
    FlushDriveInfoCache();
    UnlockFlushDriveInfoCache();
    FlushDriveInfoCache();
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlPersonal), home.Path() + "/One");
    UnlockFlushDriveInfoCache();
    FlushDriveInfoCache();
    EXPECT_EQ(ShellGetSpecialFolderPath(nullptr, csidlPersonal), home.Path() + "/Two");
}

TEST(ShellUtils, TheOverlaysAreThereOnceTheImageListIs)
{
    (void)ShellGetSystemImageList(ptsizSmall);
    using sondrel::platform::SystemImageList;
    const std::pair<int, const char*> overlays[]
        = { { 1, "emblem-shared" }, { 2, "emblem-symbolic-link" } };
    for (const auto& [overlay, theme] : overlays) {
        const int image = SystemImageList::OverlayImage(overlay);
        ASSERT_GE(image, 0) << overlay;
        ASSERT_LT(image, SystemImageList::Count()) << overlay;
        EXPECT_EQ(SystemImageList::Small().ThemeNames(image).value(0).toStdString(), theme);
    }
    EXPECT_EQ(SystemImageList::OverlayImage(3), -1);
}

TEST(ShellUtils, ThePlatformIsNoWindows)
{
    EXPECT_FALSE(IsWin95() || IsWinNT() || IsWin2000() || IsOSR2OrGreater() || HasWin95Shell());
    EXPECT_EQ(COMCTL32_VER.MS, 0u);
    EXPECT_EQ(COMCTL32_VER.LS, 0u);
}

TEST(ShellUtils, TheKeyTableComesFromTheKeyTextsInItsOrder)
{
    const std::array<TPTShellKey, 7> expected { { { _SShKey_SelectAll, scCtrl | 'A' },
        { _SShKey_Delete, 0x2E }, { _SShKey_Copy, scCtrl | 'C' }, { _SShKey_Cut, scCtrl | 'X' },
        { _SShKey_Paste, scCtrl | 'V' }, { _SShKey_Refresh, 0x74 }, { _SShKey_Edit, 0x71 } } };
    const auto& keys = PTShellKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].ResId, expected[i].ResId) << i;
        EXPECT_EQ(keys[i].ShortCut, expected[i].ShortCut) << i;
    }
    EXPECT_EQ(&PTShellKeys(), &keys);
    // A key pressed in a control finds its entry; the same key with another modifier does not.
    struct Press
    {
        int Key;
        Qt::KeyboardModifiers Shift;
        int Entry;
    };
    const Press presses[] = {
        { Qt::Key_A, Qt::ControlModifier, _SShKey_SelectAll },
        { Qt::Key_A, Qt::ControlModifier | Qt::KeypadModifier, _SShKey_SelectAll },
        { Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, 0 },
        { Qt::Key_A, Qt::NoModifier, 0 },
        { Qt::Key_Delete, Qt::NoModifier, _SShKey_Delete },
        { Qt::Key_Delete, Qt::ShiftModifier, 0 },
        { Qt::Key_V, Qt::ControlModifier, _SShKey_Paste },
        { Qt::Key_F5, Qt::NoModifier, _SShKey_Refresh },
        { Qt::Key_F2, Qt::NoModifier, _SShKey_Edit },
        { Qt::Key_F2, Qt::AltModifier, 0 },
        { Qt::Key_Control, Qt::ControlModifier, 0 },
    };
    for (const Press& p : presses)
        EXPECT_EQ(PTShellKeyOf(ShortCut(p.Key, p.Shift)), p.Entry) << p.Key;
}

TEST(ShellUtils, KeyTextsNameShortcuts)
{
    const std::pair<const char*, TShortCut> texts[] = {
        { "Ctrl+A", scCtrl | 'A' },
        { "ctrl+a", scCtrl | 'A' },
        { "Shift+Ctrl+Del", scShift | scCtrl | 0x2E },
        { "Alt+F12", scAlt | 0x7B },
        { "F24", 0x87 },
        { "Shift+Tab", scShift | 0x09 },
        { "PgDn", 0x22 },
        { "7", '7' },
        { "F25", scNone },
        { "F0", scNone },
        { "F01", scNone },
        { "Ctrl+", scNone },
        { "Ctrl", scNone },
        { "Ctrl+Nothing", scNone },
        { "", scNone },
    };
    for (const auto& [text, shortcut] : texts)
        EXPECT_EQ(TextToShortCut(text), shortcut) << text;
    EXPECT_EQ(ShortCut(Qt::Key_Backtab, Qt::ShiftModifier), TextToShortCut("Shift+Tab"));
    EXPECT_EQ(ShortCut(Qt::Key_Enter, Qt::KeypadModifier), TextToShortCut("Enter"));
    EXPECT_EQ(ShortCut(Qt::Key_F24, Qt::NoModifier), TextToShortCut("F24"));
}

TEST(ShellUtils, LibraryStrings)
{
    const std::pair<int, const char*> texts[]
        = { { _SColumnName, "Name" }, { _SShKey_SelectAll, "Ctrl+A" }, { _SFilesizeKB, "%sKB" },
              { _SUnableToCreateFolder, "Unable to create the folder '%2'\n\n%1" },
              { _SSystemFolder, "System Folder" }, { 65300, "" }, { 100, "" } };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(PTLoadStr(LoadLibraryString(id)), text) << id;
}

TEST(ShellUtils, TheDesktopsCommandsActOnItsFolderOnDisk)
{
    ScopedHome home;
    std::filesystem::create_directories(home.Path() + "/Desk");
    home.SetUserDirs({ "XDG_DESKTOP_DIR=\"$HOME/Desk\"" });
    std::filesystem::create_directories(home.Path() + "/Desk/inner");
    // The desktop itself (the empty list), and a folder below it by its absolute list.
    Held desktop;
    ASSERT_EQ(ShellGetSpecialFolderIdList(nullptr, csidlDesktop, desktop.Pidl), win32::S_OK);
    Held inner;
    ASSERT_EQ(ShellGetIdListFromPath(home.Path() + "/Desk/inner", inner.Pidl), win32::S_OK);
    for (PCItemIDList list :
        { static_cast<PCItemIDList>(desktop.Pidl), static_cast<PCItemIDList>(inner.Pidl) }) {
        void* object = nullptr;
        ASSERT_EQ(ShellGetUIObjectOfIdList(list, win32::IID_IContextMenu, &object), win32::S_OK);
        auto* menu = static_cast<IContextMenu_NRC*>(object);
        win32::CMINVOKECOMMANDINFO info;
        info.lpVerb = "link";
        info.nShow = 1;
        EXPECT_EQ(menu->InvokeCommand(&info), win32::S_OK);
        menu->Release();
    }
    // Each link sits beside the folder the menu was for.
    EXPECT_TRUE(std::filesystem::is_symlink(home.Path() + "/Link to Desk"));
    EXPECT_TRUE(std::filesystem::is_symlink(home.Path() + "/Desk/Link to inner"));
}
