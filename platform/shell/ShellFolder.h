#pragma once
// The folder objects of the namespace: the desktop, "Computer", and every folder of files (home,
// drive roots, their sub-folders at any depth, the trash). One class serves them all, since what
// differs lies in the location it stands for. Reference-counted; a folder is used from one
// thread at a time (the GUI thread), and holds no open file between calls, so a folder that
// vanishes while bound only makes its later calls fail.

#include "EnumIdList.h"
#include "ShellInterfaces.h"
#include "ShellItems.h"

#include <atomic>
#include <string>

namespace sondrel::platform {

class ShellFolder final : public win32::IShellFolder2_NRC
{
public:
    // A new folder for `location`, whose absolute list is `absoluteItems`; one reference.
    [[nodiscard]] static ShellFolder* Create(Location location, std::string absoluteItems);

    win32::HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;

    win32::HRESULT ParseDisplayName(win32::HWND owner, win32::IBindCtx* bindContext,
        const win32::WCHAR* name, win32::ULONG* eaten, win32::PIDLIST* pidl,
        win32::ULONG* attributes) override;
    win32::HRESULT EnumObjects(
        win32::HWND owner, win32::SHCONTF flags, win32::IEnumIDList_NRC** list) override;
    win32::HRESULT BindToObject(win32::PCIDLIST pidl, win32::IBindCtx* bindContext,
        win32::REFIID riid, void** out) override;
    win32::HRESULT BindToStorage(win32::PCIDLIST pidl, win32::IBindCtx* bindContext,
        win32::REFIID riid, void** out) override;
    win32::HRESULT CompareIDs(
        win32::LPARAM lParam, win32::PCIDLIST first, win32::PCIDLIST second) override;
    win32::HRESULT CreateViewObject(win32::HWND owner, win32::REFIID riid, void** out) override;
    win32::HRESULT GetAttributesOf(
        win32::UINT count, const win32::PCIDLIST* items, win32::SFGAOF* inOut) override;
    win32::HRESULT GetUIObjectOf(win32::HWND owner, win32::UINT count, const win32::PCIDLIST* items,
        win32::REFIID riid, win32::UINT* reserved, void** out) override;
    win32::HRESULT GetDisplayNameOf(
        win32::PCIDLIST pidl, win32::SHGDNF flags, win32::STRRET* name) override;
    win32::HRESULT SetNameOf(win32::HWND owner, win32::PCIDLIST pidl, const win32::WCHAR* name,
        win32::SHGDNF flags, win32::PIDLIST* newPidl) override;

    win32::HRESULT F1(win32::GUID* guid) override;
    win32::HRESULT F2(win32::IEnumExtraSearch** searches) override;
    win32::HRESULT F3(win32::DWORD reserved, win32::ULONG* sort, win32::ULONG* display) override;
    win32::HRESULT GetDefaultColumnState(win32::UINT column, win32::SHCOLSTATEF* state) override;
    win32::HRESULT F5(win32::PCIDLIST pidl, const void* columnId, void* value) override;
    win32::HRESULT GetDetailsOf(
        win32::PCIDLIST pidl, win32::UINT column, win32::SHELLDETAILS* details) override;

    [[nodiscard]] const Location& Where() const { return m_location; }

private:
    ShellFolder(Location location, std::string absoluteItems);
    ~ShellFolder() = default;

    // Binds to the folder of the first `depth` items of `items` (this one for 0).
    win32::HRESULT BindPrefix(
        const std::vector<idlist::Item>& items, std::size_t depth, ShellFolder*& folder);
    [[nodiscard]] win32::HRESULT ListChildren(win32::SHCONTF flags, Listing& listing) const;
    [[nodiscard]] const FolderPermissions& Permissions();

    std::atomic<win32::ULONG> m_references { 1 };
    Location m_location;
    std::string m_absolute; // the items of this folder's absolute list
    FolderPermissions m_permissions;
    bool m_permissionsKnown = false;
};

} // namespace sondrel::platform
