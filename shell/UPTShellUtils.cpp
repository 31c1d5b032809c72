#include "UPTShellUtils.h"

#include "CodePage.h"
#include "FileInfo.h"
#include "IdListFormat.h"
#include "ShellAllocator.h"
#include "ShellHeld.h"
#include "ShellNamespace.h"
#include "Win32Error.h"

#include <cstring>

namespace sondrel::shell {

using namespace win32;

namespace {

    int g_flushDriveInfoSem = 0;

    int QueryIcon(LPCSTR what, DWORD attributes, UINT flags)
    {
        try {
            SHFILEINFOA info;
            if (SHGetFileInfoA(what, attributes, &info, sizeof info, flags) == 0)
                return 0;
            return info.iIcon;
        } catch (...) {
            return 0;
        }
    }

} // namespace

SHGDNF FriendlyNameFlags(TPTFriendlyNameFlags kind)
{
    switch (kind) {
    case ptfnInFolder:
        return SHGDN_INFOLDER;
    case ptfnForParsing:
        return SHGDN_FORPARSING;
    case ptfnForEditing:
        return SHGDN_FOREDITING | SHGDN_INFOLDER;
    default:
        return SHGDN_NORMAL;
    }
}

IMalloc_NRC* ShellIMalloc() { return &platform::ShellAllocator(); }

void* ShellMemAlloc(std::size_t size) { return ShellIMalloc()->Alloc(size); }

void* ShellMemRealloc(void* block, std::size_t size)
{
    return block == nullptr ? nullptr : ShellIMalloc()->Realloc(block, size);
}

void ShellMemFree(void* block)
{
    if (block != nullptr)
        ShellIMalloc()->Free(block);
}

HRESULT ShellGetDesktopFolder(IShellFolder_NRC*& folder)
{
    folder = nullptr;
    return SHGetDesktopFolder(&folder);
}

HRESULT ShellGetFolderFromIdList(PCItemIDList pidl, IShellFolder_NRC*& folder)
{
    folder = nullptr;
    IShellFolder_NRC* desktop = nullptr;
    const HRESULT hr = ShellGetDesktopFolder(desktop);
    if (FAILED(hr))
        return hr;
    if (pidl == nullptr || IdListLen(pidl) == 2) {
        folder = desktop;
        return S_OK;
    }
    const HRESULT bound
        = desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    desktop->Release();
    if (FAILED(bound))
        folder = nullptr;
    return bound;
}

HRESULT ShellGetIdListFromPath(const std::string& path, PItemIDList& pidl)
{
    pidl = nullptr;
    // The limit of the system's paths, not the 260 characters of the Windows call.
    if (path.size() >= kShellPathMax)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    Held<IShellFolder_NRC> desktop;
    const HRESULT hr = ShellGetDesktopFolder(desktop.Pointer);
    if (FAILED(hr))
        return hr;
    const std::u16string wide = AnsiToWide(path);
    ULONG eaten = 0;
    const HRESULT parsed
        = desktop.Pointer->ParseDisplayName(nullptr, nullptr, wide.c_str(), &eaten, &pidl, nullptr);
    if (FAILED(parsed))
        pidl = nullptr;
    return parsed;
}

std::string ShellGetPathFromIdList(PCItemIDList pidl)
{
    BytePath path;
    return platform::GetPathFromIdList(pidl, path) ? path : std::string();
}

std::string ShellGetDisplayPathName(const std::string& path)
{
    HeldPidl parsed;
    if (FAILED(ShellGetIdListFromPath(path, parsed.Pointer)))
        return {};
    return ShellGetPathFromIdList(parsed.Pointer);
}

HRESULT ShellGetUIObjectOfIdList(PCItemIDList pidl, REFIID riid, void** object)
{
    *object = nullptr;
    HeldPidl whole;
    if (IdListLen(pidl) <= 2) {
        // The desktop's commands and drops go to its folder on disk.
        const std::string desktop = ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory);
        if (desktop.empty())
            return E_FAIL;
        if (const HRESULT parsed = ShellGetIdListFromPath(desktop, whole.Pointer); FAILED(parsed))
            return parsed;
        pidl = whole.Get();
    }
    TPTIdListArray levels(pidl);
    const int count = levels.GetCount();
    if (count == 0)
        return E_FAIL;
    const HeldPidl parentList(CopyIdList(nullptr, levels.GoUp(1)));
    const HeldPidl last(CopyIdList(nullptr, levels.GetItem(count - 1)));
    Held<IShellFolder_NRC> parent;
    if (const HRESULT bound = ShellGetFolderFromIdList(parentList.Get(), parent.Pointer);
        FAILED(bound))
        return bound;
    PCIDLIST items[] = { last.Get() };
    return parent->GetUIObjectOf(nullptr, 1, items, riid, nullptr, object);
}

HRESULT ShellGetSpecialFolderIdList(HWND owner, TCSIDL csidl, PItemIDList& pidl)
{
    pidl = nullptr;
    return SHGetSpecialFolderLocation(owner, static_cast<int>(csidl), &pidl);
}

std::string ShellGetSpecialFolderPath(HWND owner, TCSIDL csidl)
{
    HeldPidl pidl;
    if (FAILED(ShellGetSpecialFolderIdList(owner, csidl, pidl.Pointer)))
        return {};
    return ShellGetPathFromIdList(pidl.Pointer);
}

std::string StrretToString(PCItemIDList pidl, const TStrRet& name)
{
    switch (name.uType) {
    case STRRET_WSTR: {
        if (name.pOleStr == nullptr)
            return {};
        std::size_t length = 0;
        while (name.pOleStr[length] != 0)
            ++length;
        return WideToAnsi(std::u16string_view(name.pOleStr, length));
    }
    case STRRET_OFFSET: {
        if (pidl == nullptr)
            return {};
        // The text must lie inside the list, ended by a zero there.
        const std::size_t size = IdListLen(pidl);
        if (name.uOffset >= size)
            return {};
        const char* text = reinterpret_cast<const char*>(pidl) + name.uOffset;
        return std::string(text, strnlen(text, size - name.uOffset));
    }
    case STRRET_CSTR:
        return std::string(name.cStr, strnlen(name.cStr, sizeof name.cStr));
    default:
        return {};
    }
}

void StrretFree(TStrRet& name)
{
    if (name.uType == STRRET_WSTR && name.pOleStr != nullptr) {
        ShellMemFree(name.pOleStr);
        name.pOleStr = nullptr;
    }
}

std::string ShellGetFriendlyNameFromIdList(
    IShellFolder_NRC* folder, PCItemIDList pidl, TPTFriendlyNameFlags kind)
{
    Held<IShellFolder_NRC> desktop;
    if (folder == nullptr) {
        if (FAILED(ShellGetDesktopFolder(desktop.Pointer)))
            return {};
        folder = desktop.Pointer;
    }
    TStrRet name;
    name.uType = STRRET_CSTR;
    if (FAILED(folder->GetDisplayNameOf(pidl, FriendlyNameFlags(kind), &name)))
        return {};
    std::string text = StrretToString(pidl, name);
    StrretFree(name);
    return text;
}

std::string ShellGetFriendlyNameForLastIdListElement(PCItemIDList pidl)
{
    Held<IShellFolder_NRC> desktop;
    if (FAILED(ShellGetDesktopFolder(desktop.Pointer)))
        return {};
    TPTIdListArray items(pidl);
    const int count = items.GetCount();
    if (count <= 1)
        return ShellGetFriendlyNameFromIdList(desktop.Pointer, pidl, ptfnInFolder);
    Held<IShellFolder_NRC> parent;
    OleCheck(desktop.Pointer->BindToObject(
        items.GoUp(1), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent.Pointer)));
    return ShellGetFriendlyNameFromIdList(parent.Pointer, items.GetItem(count - 1), ptfnInFolder);
}

TCSIDL ShellFindCSIDLFromIdList(PCItemIDList pidl)
{
    for (int c = csidlDesktop; c < csidlNone; ++c) {
        HeldPidl special;
        if (SUCCEEDED(ShellGetSpecialFolderIdList(nullptr, static_cast<TCSIDL>(c), special.Pointer))
            && CompareAbsIdLists(pidl, special.Pointer) == 0)
            return static_cast<TCSIDL>(c);
    }
    return csidlNone;
}

bool ShellCSIDLEqualsIdList(PCItemIDList pidl, TCSIDL csidl)
{
    HeldPidl special;
    OleCheck(ShellGetSpecialFolderIdList(nullptr, csidl, special.Pointer));
    return CompareAbsIdLists(pidl, special.Pointer) == 0;
}

int ShellGetIconIndex(PCItemIDList pidl, UINT flags)
{
    return QueryIcon(reinterpret_cast<LPCSTR>(pidl), 0, flags | SHGFI_PIDL | SHGFI_SYSICONINDEX);
}

int ShellGetIconIndexFromPath(const std::string& path, UINT flags)
{
    return QueryIcon(path.c_str(), 0, flags | SHGFI_SYSICONINDEX);
}

int ShellGetIconIndexFromExt(const std::string& name, UINT flags)
{
    // A bare extension (".txt") stands for any file of that type.
    const std::string file = name.starts_with('.') ? "file" + name : name;
    return QueryIcon(
        file.c_str(), FILE_ATTRIBUTE_NORMAL, flags | SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
}

int ShellGetSpecialFolderIconIndex(TCSIDL csidl, UINT flags)
{
    HeldPidl special;
    OleCheck(ShellGetSpecialFolderIdList(nullptr, csidl, special.Pointer));
    return ShellGetIconIndex(special.Pointer, flags);
}

HIMAGELIST ShellGetSystemImageList(TPTShellIconSize size)
{
    // The overlays are images 1 and 2 of the list from its start; nothing to prepare here.
    SHFILEINFOA info;
    const UINT flag = size == ptsizSmall ? SHGFI_SMALLICON : SHGFI_LARGEICON;
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("/", 0, &info, sizeof info, SHGFI_SYSICONINDEX | flag));
}

void FlushDriveInfoCache()
{
    if (g_flushDriveInfoSem > 0)
        return;
    HeldPidl drives;
    OleCheck(ShellGetSpecialFolderIdList(nullptr, csidlDrives, drives.Pointer));
    Held<IShellFolder_NRC> folder;
    OleCheck(ShellGetFolderFromIdList(drives.Pointer, folder.Pointer));
    SFGAOF validate = SFGAO_VALIDATE;
    folder.Pointer->GetAttributesOf(0, nullptr, &validate);
}

void LockFlushDriveInfoCache() { ++g_flushDriveInfoSem; }

// An unlock without its lock must not leave the counter below zero, where the next lock would
// fail to hold back a flush.
void UnlockFlushDriveInfoCache()
{
    if (g_flushDriveInfoSem > 0)
        --g_flushDriveInfoSem;
}

bool IsWin95() { return false; }
bool IsOSR2OrGreater() { return false; }
bool IsWinNT() { return false; }
bool IsWin2000() { return false; }
bool HasWin95Shell() { return IsWin95() || IsWinNT(); }

EOleSysError::EOleSysError(HRESULT code)
    : std::runtime_error([code] {
        std::string text = platform::HResultText(code);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text;
    }())
    , m_code(code)
{
}

void OleCheck(HRESULT hr)
{
    if (FAILED(hr))
        throw EOleSysError(hr);
}

} // namespace sondrel::shell
