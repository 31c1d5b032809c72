#pragma once
// The Windows shell's scalar types, records and numbers as the namespace's callers test for them:
// HRESULTs, interface ids, item ID lists, name-return and column records, and the SFGAO, SHCONTF,
// SHGDN, CSIDL and file-information flags, all with their Windows values.

#include "Win32Types.h"

#include <cstddef>
#include <cstdint>

namespace win32 {

using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using SHORT = std::int16_t;
using HRESULT = std::int32_t;
using HWND = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using SFGAOF = ULONG;
using SHCONTF = DWORD;
using SHGDNF = DWORD;
using SHCOLSTATEF = DWORD;

[[nodiscard]] constexpr HRESULT MakeHResult(std::uint32_t bits)
{
    return static_cast<HRESULT>(bits);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);

[[nodiscard]] constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
[[nodiscard]] constexpr bool FAILED(HRESULT hr) { return hr < 0; }
// Win32 error codes travel in facility 7.
[[nodiscard]] constexpr HRESULT HRESULT_FROM_WIN32(DWORD error)
{
    return error == 0 ? S_OK : MakeHResult(0x80070000u | (error & 0xFFFFu));
}
// A comparison result: the order in the low 16 bits of a success code.
[[nodiscard]] constexpr HRESULT MakeCompareResult(int order)
{
    return static_cast<HRESULT>(static_cast<USHORT>(static_cast<SHORT>(order)));
}
[[nodiscard]] constexpr short CompareResultOrder(HRESULT hr)
{
    return static_cast<SHORT>(static_cast<USHORT>(static_cast<std::uint32_t>(hr) & 0xFFFFu));
}

constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr HRESULT HRESULT_NO_MORE_ITEMS = MakeHResult(0x80070103);

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using REFIID = const IID&;

// The COM base ids end in C000-000000000046.
[[nodiscard]] constexpr GUID ComGuid(std::uint32_t first)
{
    return GUID { first, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };
}
inline constexpr IID IID_IUnknown = ComGuid(0x00000000);
inline constexpr IID IID_IMalloc = ComGuid(0x00000002);
inline constexpr IID IID_IEnumFORMATETC = ComGuid(0x00000103);
inline constexpr IID IID_IDataObject = ComGuid(0x0000010E);
inline constexpr IID IID_IOleWindow = ComGuid(0x00000114);
inline constexpr IID IID_IDropSource = ComGuid(0x00000121);
inline constexpr IID IID_IDropTarget = ComGuid(0x00000122);
inline constexpr IID IID_IContextMenu = ComGuid(0x000214E4);
inline constexpr IID IID_IShellFolder = ComGuid(0x000214E6);
inline constexpr IID IID_IShellDetails = ComGuid(0x000214EC);
inline constexpr IID IID_IShellLinkA = ComGuid(0x000214EE);
inline constexpr IID IID_IEnumIDList = ComGuid(0x000214F2);
inline constexpr IID IID_IContextMenu2 = ComGuid(0x000214F4);
inline constexpr IID IID_IShellFolder2
    = { 0x93F2F68C, 0x1D1B, 0x11D3, { 0xA3, 0x0E, 0x00, 0xC0, 0x4F, 0x79, 0xAB, 0xD1 } };

// An item ID list is an opaque run of bytes: items of a little-endian 16-bit size that counts
// itself, ended by a zero size. It is only ever reached through byte pointers, since items fall
// on odd addresses.
struct ITEMIDLIST
{
    BYTE Bytes[2];
};
using PIDLIST = ITEMIDLIST*;
using PCIDLIST = const ITEMIDLIST*;

// STRRET: a name handed back by a folder.
constexpr UINT STRRET_WSTR = 0; // pOleStr, from the shell allocator
constexpr UINT STRRET_OFFSET = 1; // uOffset into the item ID list
constexpr UINT STRRET_CSTR = 2; // cStr, inline
struct STRRET
{
    UINT uType = STRRET_CSTR;
    union {
        WCHAR* pOleStr;
        UINT uOffset;
        char cStr[MAX_PATH];
    };
};

constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
struct SHELLDETAILS
{
    int fmt = LVCFMT_LEFT;
    int cxChar = 0;
    STRRET str;
};

// SFGAO: item attributes.
constexpr SFGAOF SFGAO_CANCOPY = 0x00000001;
constexpr SFGAOF SFGAO_CANMOVE = 0x00000002;
constexpr SFGAOF SFGAO_CANLINK = 0x00000004;
constexpr SFGAOF SFGAO_CANRENAME = 0x00000010;
constexpr SFGAOF SFGAO_CANDELETE = 0x00000020;
constexpr SFGAOF SFGAO_HASPROPSHEET = 0x00000040;
constexpr SFGAOF SFGAO_DROPTARGET = 0x00000100;
constexpr SFGAOF SFGAO_LINK = 0x00010000;
constexpr SFGAOF SFGAO_SHARE = 0x00020000;
constexpr SFGAOF SFGAO_READONLY = 0x00040000;
constexpr SFGAOF SFGAO_HIDDEN = 0x00080000;
constexpr SFGAOF SFGAO_VALIDATE = 0x01000000;
constexpr SFGAOF SFGAO_REMOVABLE = 0x02000000;
constexpr SFGAOF SFGAO_BROWSABLE = 0x08000000;
constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000;

// SHCONTF: what an enumeration lists.
constexpr SHCONTF SHCONTF_FOLDERS = 0x0020;
constexpr SHCONTF SHCONTF_NONFOLDERS = 0x0040;
constexpr SHCONTF SHCONTF_INCLUDEHIDDEN = 0x0080;

// SHGDN: kinds of display name.
constexpr SHGDNF SHGDN_NORMAL = 0x0000;
constexpr SHGDNF SHGDN_INFOLDER = 0x0001;
constexpr SHGDNF SHGDN_FOREDITING = 0x1000;
constexpr SHGDNF SHGDN_FORADDRESSBAR = 0x4000;
constexpr SHGDNF SHGDN_FORPARSING = 0x8000;

// CompareIDs: the column in the low 16 bits, modifiers above.
constexpr LPARAM SHCIDS_COLUMNMASK = 0x0000FFFF;

constexpr SHCOLSTATEF SHCOLSTATE_TYPE_STR = 0x1;
constexpr SHCOLSTATEF SHCOLSTATE_TYPE_INT = 0x2;
constexpr SHCOLSTATEF SHCOLSTATE_TYPE_DATE = 0x3;
constexpr SHCOLSTATEF SHCOLSTATE_ONBYDEFAULT = 0x10;

// CSIDL numbers this platform provides; the others have no folder here.
constexpr int CSIDL_DESKTOP = 0;
constexpr int CSIDL_PERSONAL = 5;
constexpr int CSIDL_SENDTO = 9;
constexpr int CSIDL_BITBUCKET = 10;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_DRIVES = 17;
constexpr int CSIDL_TEMPLATES = 21;
constexpr int CSIDL_APPDATA = 26;
constexpr int CSIDL_LOCAL_APPDATA = 28;
constexpr int CSIDL_MYPICTURES = 39;
constexpr int CSIDL_PROFILE = 40;

// SHGetFileInfo flags.
constexpr UINT SHGFI_LARGEICON = 0x0000;
constexpr UINT SHGFI_SMALLICON = 0x0001;
constexpr UINT SHGFI_OPENICON = 0x0002;
constexpr UINT SHGFI_PIDL = 0x0008;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x0010;
constexpr UINT SHGFI_DISPLAYNAME = 0x0200;
constexpr UINT SHGFI_TYPENAME = 0x0400;
constexpr UINT SHGFI_ATTRIBUTES = 0x0800;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;

// Display names are bytes; a Linux path may be 4,096 bytes long, so this buffer is not MAX_PATH.
constexpr std::size_t kShellPathMax = 4096;
struct SHFILEINFOA
{
    void* hIcon = nullptr;
    int iIcon = 0;
    DWORD dwAttributes = 0;
    char szDisplayName[kShellPathMax] = {};
    char szTypeName[80] = {};
};

// Drive kinds, as GetDriveType numbers them.
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// Device-change broadcasts.
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

} // namespace win32
