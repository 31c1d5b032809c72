#pragma once
// The shell namespace utilities: shell memory and folders, item ID lists and their containers,
// names, special folders, icons and the system image list, the drive-information flush, the
// device-change relay, and the version and platform queries. Paths and names are byte strings
// (a name that is not UTF-8 stays as it is). GUI thread only.

#include "DeviceChangeHandler.h"
#include "IdListArray.h"
#include "PidlList.h"
#include "ShellDetailsAdapter.h"
#include "ShellErrors.h"
#include "UPTShell95.h"

#include <cstdint>
#include <string>

namespace sondrel::platform {
class SystemImageList;
}

namespace sondrel::shell {

// The special folders by their CSIDL number.
enum TCSIDL {
    csidlDesktop,
    csidl_None1,
    csidlPrograms,
    csidlControls,
    csidlPrinters,
    csidlPersonal,
    csidlFavorites,
    csidlStartup,
    csidlRecent,
    csidlSendTo,
    csidlBitBucket,
    csidlStartMenu,
    csidl_None2,
    csidl_None3,
    csidl_None4,
    csidl_None5,
    csidlDesktopDirectory,
    csidlDrives,
    csidlNetwork,
    csidlNethood,
    csidlFonts,
    csidlTemplates,
    csidlCommonStartMenu,
    csidlCommonPrograms,
    csidlCommonStartup,
    csidlCommonDesktopDirectory,
    csidlAppData,
    csidlPrintHood,
    csidlLocalAppData,
    csidlAltStartup,
    csidlCommonAltStartup,
    csidlCommonFavorites,
    csidlInternetCache,
    csidlCookies,
    csidlHistory,
    csidlCommonAppData,
    csidlWindows,
    csidlSystem,
    csidlProgramFiles,
    csidlMyPictures,
    csidlProfile,
    csidlSystemX86,
    csidlProgramFilesX86,
    csidlProgramFilesCommon,
    csidlProgramFilesCommonX86,
    csidlCommonTemplates,
    csidlCommonDocuments,
    csidlCommonAdminTools,
    csidlAdminTools,
    csidlConnections,
    csidlNone,
};

enum TPTShellIconSize { ptsizSmall, ptsizLarge };
enum TPTFriendlyNameFlags { ptfnNormal, ptfnInFolder, ptfnForParsing, ptfnForEditing };

// The SHGDN value a kind of name asks for.
[[nodiscard]] win32::SHGDNF FriendlyNameFlags(TPTFriendlyNameFlags kind);

using HIMAGELIST = const platform::SystemImageList*;

// A module's file version: least-significant half, then most-significant half.
struct TPTModuleVersion
{
    std::uint32_t LS = 0;
    std::uint32_t MS = 0;
};
// The common-controls version: there is no such library here, so it reads as none.
inline constexpr TPTModuleVersion COMCTL32_VER {};

// Shell memory and folders.
[[nodiscard]] IMalloc_NRC* ShellIMalloc();
[[nodiscard]] void* ShellMemAlloc(std::size_t size);
[[nodiscard]] void* ShellMemRealloc(void* block, std::size_t size); // null block: null
void ShellMemFree(void* block);
HRESULT ShellGetDesktopFolder(IShellFolder_NRC*& folder);
// Null or empty list: the desktop itself.
HRESULT ShellGetFolderFromIdList(PCItemIDList pidl, IShellFolder_NRC*& folder);
HRESULT ShellGetIdListFromPath(const std::string& path, PItemIDList& pidl);
// Empty for items without a file-system path; null is the desktop.
[[nodiscard]] std::string ShellGetPathFromIdList(PCItemIDList pidl);
[[nodiscard]] std::string ShellGetDisplayPathName(const std::string& path);
[[nodiscard]] std::string ShellGetSpecialFolderPath(win32::HWND owner, TCSIDL csidl);
HRESULT ShellGetSpecialFolderIdList(win32::HWND owner, TCSIDL csidl, PItemIDList& pidl);
// The UI object (`riid`) of the folder whose absolute list is `pidl`, from its parent with the
// folder as the one item; for the desktop itself (null or empty) that of its folder on disk.
HRESULT ShellGetUIObjectOfIdList(PCItemIDList pidl, win32::REFIID riid, void** object);

// Names.
[[nodiscard]] std::string ShellGetFriendlyNameFromIdList(
    IShellFolder_NRC* folder, PCItemIDList pidl, TPTFriendlyNameFlags kind);
[[nodiscard]] std::string ShellGetFriendlyNameForLastIdListElement(PCItemIDList pidl);
[[nodiscard]] std::string StrretToString(PCItemIDList pidl, const TStrRet& name);
void StrretFree(TStrRet& name);

// Special folders.
[[nodiscard]] TCSIDL ShellFindCSIDLFromIdList(PCItemIDList pidl);
[[nodiscard]] bool ShellCSIDLEqualsIdList(PCItemIDList pidl, TCSIDL csidl);

// Icons: indexes into the system image list (0 when the query fails).
[[nodiscard]] int ShellGetIconIndex(PCItemIDList pidl, win32::UINT flags);
[[nodiscard]] int ShellGetIconIndexFromPath(const std::string& path, win32::UINT flags);
[[nodiscard]] int ShellGetIconIndexFromExt(const std::string& name, win32::UINT flags);
[[nodiscard]] int ShellGetSpecialFolderIconIndex(TCSIDL csidl, win32::UINT flags);
[[nodiscard]] HIMAGELIST ShellGetSystemImageList(TPTShellIconSize size);

// Drive information.
void FlushDriveInfoCache();
void LockFlushDriveInfoCache();
void UnlockFlushDriveInfoCache();

// The platform: this is not Windows, and no Windows version is claimed.
[[nodiscard]] bool IsWin95();
[[nodiscard]] bool IsOSR2OrGreater();
[[nodiscard]] bool IsWinNT();
[[nodiscard]] bool IsWin2000();
[[nodiscard]] bool HasWin95Shell();

} // namespace sondrel::shell
