#pragma once
// The shell's COM interfaces as abstract classes, slots in the order of the Windows
// declarations. Holders keep raw pointers and call AddRef and Release themselves; an object is
// destroyed by its last Release, never through an interface pointer, so the destructors are
// protected and stay out of the slot tables.

#include "ShellTypes.h"

namespace win32 {

class IBindCtx; // never created here: every bind-context parameter is null
class IEnumExtraSearch;
class IAdviseSink;
class IEnumSTATDATA;

struct POINTL
{
    LONG x = 0;
    LONG y = 0;
};

struct CMINVOKECOMMANDINFO
{
    DWORD cbSize = sizeof(CMINVOKECOMMANDINFO);
    DWORD fMask = 0;
    HWND hwnd = nullptr;
    LPCSTR lpVerb = nullptr; // a verb, or a command offset in the low word
    LPCSTR lpParameters = nullptr;
    LPCSTR lpDirectory = nullptr;
    int nShow = 0;
    DWORD dwHotKey = 0;
    HANDLE hIcon = nullptr;
};

struct FORMATETC
{
    WORD cfFormat = 0;
    void* ptd = nullptr;
    DWORD dwAspect = 1;
    LONG lindex = -1;
    DWORD tymed = 0;
};

struct STGMEDIUM
{
    DWORD tymed = 0;
    void* hGlobal = nullptr;
    class IUnknown_NRC* pUnkForRelease = nullptr;
};

class IUnknown_NRC
{
public:
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown_NRC() = default;
};

class IOleWindow_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;

protected:
    ~IOleWindow_NRC() = default;
};

class IMalloc_NRC : public IUnknown_NRC
{
public:
    virtual void* Alloc(std::size_t size) = 0;
    virtual void* Realloc(void* block, std::size_t size) = 0;
    virtual void Free(void* block) = 0;
    virtual std::size_t GetSize(void* block) = 0;
    virtual int DidAlloc(void* block) = 0;
    virtual void HeapMinimize() = 0;

protected:
    ~IMalloc_NRC() = default;
};

class IShellDetails_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT GetDetailsOf(PCIDLIST pidl, UINT column, SHELLDETAILS* details) = 0;
    virtual HRESULT ColumnClick(UINT column) = 0;

protected:
    ~IShellDetails_NRC() = default;
};

class IContextMenu_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT QueryContextMenu(
        void* menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags)
        = 0;
    virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) = 0;
    virtual HRESULT GetCommandString(
        std::uintptr_t idCmd, UINT type, UINT* reserved, LPSTR name, UINT size)
        = 0;

protected:
    ~IContextMenu_NRC() = default;
};

class IContextMenu2_NRC : public IContextMenu_NRC
{
public:
    virtual HRESULT HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IContextMenu2_NRC() = default;
};

class IEnumIDList_NRC : public IUnknown_NRC
{
public:
    // Hands out up to `count` new lists (the caller frees them); S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, PIDLIST* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumIDList_NRC** copy) = 0;

protected:
    ~IEnumIDList_NRC() = default;
};

class IShellFolder_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT ParseDisplayName(HWND owner, IBindCtx* bindContext, const WCHAR* name,
        ULONG* eaten, PIDLIST* pidl, ULONG* attributes)
        = 0;
    virtual HRESULT EnumObjects(HWND owner, SHCONTF flags, IEnumIDList_NRC** list) = 0;
    virtual HRESULT BindToObject(PCIDLIST pidl, IBindCtx* bindContext, REFIID riid, void** out) = 0;
    virtual HRESULT BindToStorage(PCIDLIST pidl, IBindCtx* bindContext, REFIID riid, void** out)
        = 0;
    virtual HRESULT CompareIDs(LPARAM lParam, PCIDLIST first, PCIDLIST second) = 0;
    virtual HRESULT CreateViewObject(HWND owner, REFIID riid, void** out) = 0;
    virtual HRESULT GetAttributesOf(UINT count, const PCIDLIST* items, SFGAOF* inOut) = 0;
    virtual HRESULT GetUIObjectOf(
        HWND owner, UINT count, const PCIDLIST* items, REFIID riid, UINT* reserved, void** out)
        = 0;
    virtual HRESULT GetDisplayNameOf(PCIDLIST pidl, SHGDNF flags, STRRET* name) = 0;
    virtual HRESULT SetNameOf(
        HWND owner, PCIDLIST pidl, const WCHAR* name, SHGDNF flags, PIDLIST* newPidl)
        = 0;

protected:
    ~IShellFolder_NRC() = default;
};

class IShellFolder2_NRC : public IShellFolder_NRC
{
public:
    // F1, F2, F3 and F5 hold the places of GetDefaultSearchGUID, EnumSearches,
    // GetDefaultColumn and GetDetailsEx, which the library never calls.
    virtual HRESULT F1(GUID* guid) = 0;
    virtual HRESULT F2(IEnumExtraSearch** searches) = 0;
    virtual HRESULT F3(DWORD reserved, ULONG* sort, ULONG* display) = 0;
    virtual HRESULT GetDefaultColumnState(UINT column, SHCOLSTATEF* state) = 0;
    virtual HRESULT F5(PCIDLIST pidl, const void* columnId, void* value) = 0;
    virtual HRESULT GetDetailsOf(PCIDLIST pidl, UINT column, SHELLDETAILS* details) = 0;

protected:
    ~IShellFolder2_NRC() = default;
};

class IShellLink_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT GetPath(LPSTR file, int size, WIN32_FIND_DATAA* data, DWORD flags) = 0;
    virtual HRESULT GetIDList(PIDLIST* pidl) = 0;
    virtual HRESULT SetIDList(PCIDLIST pidl) = 0;
    virtual HRESULT GetDescription(LPSTR name, int size) = 0;
    virtual HRESULT SetDescription(LPCSTR name) = 0;
    virtual HRESULT GetWorkingDirectory(LPSTR dir, int size) = 0;
    virtual HRESULT SetWorkingDirectory(LPCSTR dir) = 0;
    virtual HRESULT GetArguments(LPSTR args, int size) = 0;
    virtual HRESULT SetArguments(LPCSTR args) = 0;
    virtual HRESULT GetHotKey(WORD* hotKey) = 0;
    virtual HRESULT SetHotKey(WORD hotKey) = 0;
    virtual HRESULT GetShowCmd(int* showCmd) = 0;
    virtual HRESULT SetShowCmd(int showCmd) = 0;
    virtual HRESULT GetIconLocation(LPSTR iconPath, int size, int* icon) = 0;
    virtual HRESULT SetIconLocation(LPCSTR iconPath, int icon) = 0;
    virtual HRESULT SetRelativePath(LPCSTR path, DWORD reserved) = 0;
    virtual HRESULT Resolve(HWND window, DWORD flags) = 0;
    virtual HRESULT SetPath(LPCSTR file) = 0;

protected:
    ~IShellLink_NRC() = default;
};

class IEnumFormatEtc_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT Next(ULONG count, FORMATETC* formats, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFormatEtc_NRC** copy) = 0;

protected:
    ~IEnumFormatEtc_NRC() = default;
};

class IDataObject_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(FORMATETC* format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) = 0;
    virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD direction, IEnumFormatEtc_NRC** formats) = 0;
    virtual HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection)
        = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** advises) = 0;

protected:
    ~IDataObject_NRC() = default;
};

class IDropTarget_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT DragEnter(IDataObject_NRC* data, DWORD keyState, POINTL point, DWORD* effect)
        = 0;
    virtual HRESULT DragOver(DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject_NRC* data, DWORD keyState, POINTL point, DWORD* effect) = 0;

protected:
    ~IDropTarget_NRC() = default;
};

class IDropSource_NRC : public IUnknown_NRC
{
public:
    virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
    virtual HRESULT GiveFeedback(DWORD effect) = 0;

protected:
    ~IDropSource_NRC() = default;
};

} // namespace win32
