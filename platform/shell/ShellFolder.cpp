#include "ShellFolder.h"

#include "BackupSource.h"
#include "CodePage.h"
#include "Directory.h"
#include "FolderDetails.h"
#include "FolderDropTarget.h"
#include "ImageDrives.h"
#include "ItemCommands.h"
#include "Launcher.h"
#include "MountTable.h"
#include "ShellAllocator.h"
#include "ShellEnvironment.h"
#include "Trash.h"
#include "Win32Error.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace sondrel::platform {

using namespace win32;
using idlist::Item;
using idlist::Kind;

namespace {

    std::string ItemBytes(const Item& item) { return idlist::EncodeItem(item); }

    std::size_t WideLength(const WCHAR* text)
    {
        std::size_t length = 0;
        while (text[length] != 0)
            ++length;
        return length;
    }

    void ListDrives(Listing& listing)
    {
        for (const Drive& drive : *CurrentDrives())
            listing.Add(idlist::EncodeItem(Kind::Drive, 0, drive.MountPoint));
    }

    // Whether the volume of an image marks the entry hidden.
    bool HiddenOnImage(const BytePath& folder, const DirectoryEntry& entry)
    {
        backup::SourceFacts facts;
        return backup::SourceStat(JoinPath(folder, entry.Name), facts).value_or(ENOENT) == 0
            && (facts.Attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    }

    // The files of `folder`: names exactly as the file system holds them. `otherTrash` lists
    // the folder as the files of a trash of another file system.
    HRESULT ListEntries(
        const BytePath& folder, SHCONTF flags, Listing& listing, bool otherTrash = false)
    {
        std::vector<DirectoryEntry> entries;
        const int error = backup::ReadFolderEntries(folder, entries);
        if (error != 0 && entries.empty())
            return HResultFromErrno(error);
        if (error != 0)
            listing.EndResult = HResultFromErrno(error);
        const bool hidden = (flags & SHCONTF_INCLUDEHIDDEN) != 0;
        const bool image = OnImageDrive(folder);
        const bool folders = (flags & SHCONTF_FOLDERS) != 0;
        const bool files = (flags & SHCONTF_NONFOLDERS) != 0;
        listing.Offsets.reserve(entries.size());
        listing.Items.reserve(entries.size() * 24);
        for (const DirectoryEntry& entry : entries) {
            if (!hidden && (entry.Name.front() == '.' || (image && HiddenOnImage(folder, entry))))
                continue;
            std::uint8_t itemFlags = entry.IsFolder ? idlist::kFlagFolder : 0;
            if (entry.IsLink) {
                struct stat st
                {
                };
                const BytePath path = JoinPath(folder, entry.Name);
                itemFlags = idlist::kFlagLink
                    | (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? idlist::kFlagFolder
                                                                             : 0);
            }
            if ((itemFlags & idlist::kFlagFolder) ? !folders : !files)
                continue;
            const std::string item = otherTrash
                ? idlist::EncodeTrashEntry(itemFlags, folder, entry.Name)
                : idlist::EncodeItem(Kind::Entry, itemFlags, entry.Name);
            if (!item.empty())
                listing.Add(item);
        }
        return S_OK;
    }

    // The item of a list of exactly one, checked as DecodeItems checks it; empty otherwise.
    std::optional<Item> SingleItem(PCIDLIST list)
    {
        if (list == nullptr)
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const unsigned char*>(list);
        const std::size_t size = idlist::ReadItemSize(bytes);
        if (size == 0 || idlist::ListSize(list) != size + idlist::kTerminator)
            return std::nullopt;
        return idlist::DecodeItem(bytes, size);
    }

} // namespace

ShellFolder* ShellFolder::Create(Location location, std::string absoluteItems)
{
    return new ShellFolder(std::move(location), std::move(absoluteItems));
}

ShellFolder::ShellFolder(Location location, std::string absoluteItems)
    : m_location(std::move(location))
    , m_absolute(std::move(absoluteItems))
{
}

HRESULT ShellFolder::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellFolder || riid == IID_IShellFolder2) {
        *object = static_cast<IShellFolder2_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ShellFolder::AddRef() { return ++m_references; }

ULONG ShellFolder::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

const FolderPermissions& ShellFolder::Permissions()
{
    if (!m_permissionsKnown) {
        m_permissions = m_location.Where == Place::Computer ? FolderPermissions {}
                                                            : PermissionsOf(m_location.Path);
        m_permissionsKnown = true;
    }
    return m_permissions;
}

HRESULT ShellFolder::BindPrefix(
    const std::vector<Item>& items, std::size_t depth, ShellFolder*& folder)
{
    folder = nullptr;
    if (depth == 0) {
        AddRef();
        folder = this;
        return S_OK;
    }
    Location at = m_location;
    std::string absolute = m_absolute;
    for (std::size_t i = 0; i < depth; ++i) {
        auto next = Descend(at, items[i]);
        if (!next)
            return E_INVALIDARG;
        at = std::move(*next);
        absolute += ItemBytes(items[i]);
    }
    if (at.Where != Place::Computer && at.Where != Place::Trash) {
        struct stat st
        {
        };
        if (const int error = StatPath(at.Path, st, true); error != 0)
            return HResultFromErrno(error);
        if (!S_ISDIR(st.st_mode))
            return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    }
    folder = Create(std::move(at), std::move(absolute));
    return S_OK;
}

HRESULT ShellFolder::ParseDisplayName(HWND /*owner*/, IBindCtx* /*bindContext*/, const WCHAR* name,
    ULONG* eaten, PIDLIST* pidl, ULONG* attributes)
{
    if (pidl == nullptr)
        return E_INVALIDARG;
    *pidl = nullptr;
    if (name == nullptr)
        return E_INVALIDARG;
    const std::size_t length = WideLength(name);
    const std::string path = WideToAnsi(std::u16string_view(name, length));
    std::string items;
    HRESULT hr = E_INVALIDARG;
    switch (m_location.Where) {
    case Place::Desktop:
        if (path == "computer:///") {
            items = idlist::EncodeItem(Kind::Computer, 0, {});
            hr = S_OK;
        } else if (path == "trash:///") {
            items = idlist::EncodeItem(Kind::Trash, 0, {});
            hr = S_OK;
        } else if (!path.empty() && path.front() == '/') {
            hr = ParseAbsolutePath(path, items);
        } else {
            hr = ParseRelativePath(m_location.Path, path, items);
        }
        break;
    case Place::Computer:
        hr = ParseAbsolutePath(path, items);
        if (SUCCEEDED(hr))
            items.erase(
                0, idlist::ReadItemSize(reinterpret_cast<const unsigned char*>(items.data())));
        break;
    default:
        hr = ParseRelativePath(m_location.Path, path, items);
        break;
    }
    if (FAILED(hr))
        return hr;
    *pidl = MakeIdList(items);
    if (*pidl == nullptr)
        return E_OUTOFMEMORY;
    if (eaten != nullptr)
        *eaten = static_cast<ULONG>(length);
    if (attributes != nullptr && *attributes != 0 && !items.empty()) {
        PCIDLIST list = *pidl;
        if (FAILED(GetAttributesOf(1, &list, attributes)))
            *attributes = 0;
    }
    return S_OK;
}

HRESULT ShellFolder::ListChildren(SHCONTF flags, Listing& listing) const
{
    switch (m_location.Where) {
    case Place::Desktop: {
        if (flags & SHCONTF_FOLDERS) {
            for (const Kind kind : { Kind::Home, Kind::Computer, Kind::Trash })
                listing.Add(idlist::EncodeItem(kind, 0, {}));
        }
        if (!CurrentEnvironment().SeparateDesktop)
            return S_OK;
        // A desktop folder that cannot be read still leaves the desktop's own items.
        const HRESULT hr = ListEntries(m_location.Path, flags, listing);
        if (FAILED(hr))
            listing.EndResult = hr;
        return S_OK;
    }
    case Place::Computer:
        if (flags & SHCONTF_FOLDERS)
            ListDrives(listing);
        return S_OK;
    case Place::Trash: {
        // An empty home trash may have no folder yet.
        HRESULT hr
            = IsFolder(m_location.Path) ? ListEntries(m_location.Path, flags, listing) : S_OK;
        for (const BytePath& other : OtherTrashes()) {
            // One trash that cannot be read leaves the others.
            const HRESULT listed = ListEntries(other, flags, listing, true);
            if (FAILED(listed) && SUCCEEDED(listing.EndResult))
                listing.EndResult = listed;
        }
        if (FAILED(hr) && listing.Offsets.empty())
            return hr;
        if (FAILED(hr))
            listing.EndResult = hr;
        return S_OK;
    }
    default:
        return ListEntries(m_location.Path, flags, listing);
    }
}

HRESULT ShellFolder::EnumObjects(HWND /*owner*/, SHCONTF flags, IEnumIDList_NRC** list)
{
    if (list == nullptr)
        return E_INVALIDARG;
    *list = nullptr;
    m_permissionsKnown = false;
    auto listing = std::make_shared<Listing>();
    if ((flags & (SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)) != 0) {
        const HRESULT hr = ListChildren(flags, *listing);
        if (FAILED(hr))
            return hr;
    }
    *list = NewEnumIdList(std::move(listing));
    return S_OK;
}

HRESULT ShellFolder::BindToObject(PCIDLIST pidl, IBindCtx* /*bindContext*/, REFIID riid, void** out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    const auto items = DecodeItems(pidl);
    if (!items || items->empty())
        return E_INVALIDARG;
    ShellFolder* folder = nullptr;
    const HRESULT hr = BindPrefix(*items, items->size(), folder);
    if (FAILED(hr))
        return hr;
    const HRESULT asked = folder->QueryInterface(riid, out);
    folder->Release();
    return asked;
}

HRESULT ShellFolder::BindToStorage(PCIDLIST, IBindCtx*, REFIID, void** out)
{
    if (out != nullptr)
        *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ShellFolder::CompareIDs(LPARAM lParam, PCIDLIST first, PCIDLIST second)
{
    const int column = static_cast<int>(lParam & SHCIDS_COLUMNMASK);
    HRESULT error = S_OK;
    // Children, as a view sorts them, are compared in place: a sort compares each about log n
    // times, and decoding into a list of items would cost more than the comparison.
    if (const auto x = SingleItem(first), y = SingleItem(second); x && y) {
        if (!CanDescend(m_location, *x) || !CanDescend(m_location, *y))
            return E_INVALIDARG;
        const int order = CompareItems(m_location, column, *x, *y, error);
        return FAILED(error) ? error : MakeCompareResult(order);
    }
    const auto a = DecodeItems(first);
    const auto b = DecodeItems(second);
    if (!a || !b)
        return E_INVALIDARG;
    if (a->empty() || b->empty())
        return MakeCompareResult(a->empty() == b->empty() ? 0 : a->empty() ? -1 : 1);
    if (!CanDescend(m_location, a->front()) || !CanDescend(m_location, b->front()))
        return E_INVALIDARG;
    const int order = CompareItems(m_location, column, a->front(), b->front(), error);
    if (FAILED(error))
        return error;
    if (order != 0 || (a->size() == 1 && b->size() == 1))
        return MakeCompareResult(order);
    if (a->size() == 1 || b->size() == 1)
        return MakeCompareResult(a->size() == 1 ? -1 : 1);
    const std::size_t skip = idlist::ReadItemSize(reinterpret_cast<const unsigned char*>(first));
    const auto* restA = reinterpret_cast<PCIDLIST>(reinterpret_cast<const BYTE*>(first) + skip);
    const auto* restB = reinterpret_cast<PCIDLIST>(reinterpret_cast<const BYTE*>(second) + skip);
    ShellFolder* child = nullptr;
    if (FAILED(BindPrefix(*a, 1, child))) {
        // A folder that is gone still orders what lies below it, by bytes.
        const std::string_view x = IdListItems(restA);
        const std::string_view y = IdListItems(restB);
        return MakeCompareResult(x < y ? -1 : y < x ? 1 : 0);
    }
    const HRESULT hr = child->CompareIDs(lParam, restA, restB);
    child->Release();
    return hr;
}

HRESULT ShellFolder::CreateViewObject(HWND, REFIID riid, void** out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    // The desktop's and Computer's own menu opens disk images.
    if (riid != IID_IContextMenu
        || (m_location.Where != Place::Desktop && m_location.Where != Place::Computer))
        return E_NOINTERFACE;
    CommandItem place;
    place.OpensImages = true;
    place.Folder = true;
    place.ReadOnly = true;
    place.CanMove = false;
    *out = static_cast<IContextMenu_NRC*>(ItemCommands::Create({ place }));
    return S_OK;
}

HRESULT ShellFolder::GetAttributesOf(UINT count, const PCIDLIST* items, SFGAOF* inOut)
{
    if (inOut == nullptr || (count > 0 && items == nullptr))
        return E_INVALIDARG;
    const SFGAOF mask = *inOut;
    if (count == 0) {
        // Validation without items: forget what was remembered about folders and drives.
        if (mask & SFGAO_VALIDATE) {
            RefreshEnvironment();
            (void)CurrentDrives(true);
            m_permissionsKnown = false;
        }
        return S_OK;
    }
    SFGAOF common = ~SFGAOF { 0 };
    for (UINT i = 0; i < count; ++i) {
        const auto decoded = DecodeItems(items[i]);
        if (!decoded || decoded->empty())
            return E_INVALIDARG;
        SFGAOF found = 0;
        HRESULT hr = S_OK;
        if (decoded->size() == 1) {
            hr = ItemAttributes(m_location, decoded->front(), mask, Permissions(), found);
        } else {
            ShellFolder* parent = nullptr;
            hr = BindPrefix(*decoded, decoded->size() - 1, parent);
            if (SUCCEEDED(hr)) {
                found = mask;
                hr = ItemAttributes(
                    parent->m_location, decoded->back(), mask, parent->Permissions(), found);
                parent->Release();
            }
        }
        if (FAILED(hr))
            return hr;
        common &= found;
    }
    *inOut = common & mask;
    return S_OK;
}

HRESULT ShellFolder::GetUIObjectOf(
    HWND, UINT count, const PCIDLIST* items, REFIID riid, UINT*, void** out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (riid != IID_IContextMenu && riid != IID_IDropTarget)
        return E_NOINTERFACE;
    if (count == 0 || items == nullptr)
        return E_INVALIDARG;
    // The commands act on file-system items, drives and the trash; "Computer" has only the
    // opening of disk images.
    std::vector<CommandItem> targets;
    for (UINT i = 0; i < count; ++i) {
        const auto decoded = DecodeItems(items[i]);
        if (!decoded || decoded->size() != 1)
            return E_INVALIDARG;
        const auto child = Descend(m_location, decoded->front());
        if (!child)
            return E_NOINTERFACE;
        if (child->Where == Place::Computer) {
            if (riid != IID_IContextMenu || count != 1)
                return E_NOINTERFACE;
            return CreateViewObject(nullptr, riid, out);
        }
        CommandItem target;
        target.Path = child->Path;
        target.Trash = child->Where == Place::Trash;
        target.Folder = target.Trash || child->Where == Place::Home || child->Where == Place::Drive
            || (decoded->front().Flags & idlist::kFlagFolder) != 0;
        target.InTrash = m_location.InTrash;
        target.ReadOnly = child->OtherTrash || child->Image;
        target.Image = child->Image;
        // Home, drives and the trash stay where they are; entries as their folder allows.
        target.CanMove = child->Where == Place::Entry && Permissions().Writable;
        targets.push_back(std::move(target));
    }
    if (riid == IID_IDropTarget) {
        // A launcher in the Send To folder opens what is dropped on it; no other file takes
        // drops, so a drop onto a program never runs it.
        if (targets.size() == 1 && !targets[0].Folder && !targets[0].InTrash
            && targets[0].Path.ends_with(".desktop")
            && targets[0].Path.substr(0, targets[0].Path.rfind('/'))
                == NormalizePath(SendToFolder())) {
            *out = static_cast<IDropTarget_NRC*>(LauncherDropTarget::Create(targets[0].Path));
            return S_OK;
        }
        // Folders and the trash take drops; a plain file, or a folder only read, does not.
        if (targets.size() != 1 || !targets[0].Folder || targets[0].ReadOnly
            || (targets[0].InTrash && !targets[0].Trash))
            return E_NOINTERFACE;
        *out = static_cast<IDropTarget_NRC*>(
            FolderDropTarget::Create(targets[0].Path, targets[0].Trash));
        return S_OK;
    }
    *out = static_cast<IContextMenu_NRC*>(ItemCommands::Create(std::move(targets)));
    return S_OK;
}

HRESULT ShellFolder::GetDisplayNameOf(PCIDLIST pidl, SHGDNF flags, STRRET* name)
{
    if (name == nullptr)
        return E_INVALIDARG;
    const auto items = DecodeItems(pidl);
    if (!items)
        return E_INVALIDARG;
    if (items->empty()) {
        if (m_location.Where != Place::Desktop)
            return E_INVALIDARG;
        return SetStrRet(
            name, (flags & SHGDN_FORPARSING) ? std::string_view(m_location.Path) : "Desktop");
    }
    if (items->size() == 1) {
        if (!Descend(m_location, items->front()))
            return E_INVALIDARG;
        return SetStrRet(name, ItemName(m_location, items->front(), flags));
    }
    ShellFolder* parent = nullptr;
    HRESULT hr = BindPrefix(*items, items->size() - 1, parent);
    if (FAILED(hr)) {
        // The names are in the list itself; only the folder's existence was in question.
        std::optional<Location> at = m_location;
        for (std::size_t i = 0; at && i + 1 < items->size(); ++i)
            at = Descend(*at, (*items)[i]);
        if (!at || !Descend(*at, items->back()))
            return hr;
        return SetStrRet(name, ItemName(*at, items->back(), flags));
    }
    hr = Descend(parent->m_location, items->back())
        ? SetStrRet(name, ItemName(parent->m_location, items->back(), flags))
        : E_INVALIDARG;
    parent->Release();
    return hr;
}

HRESULT ShellFolder::SetNameOf(
    HWND /*owner*/, PCIDLIST pidl, const WCHAR* name, SHGDNF /*flags*/, PIDLIST* newPidl)
{
    if (newPidl != nullptr)
        *newPidl = nullptr;
    const auto items = DecodeItems(pidl);
    if (!items || items->size() != 1 || name == nullptr)
        return E_INVALIDARG;
    const Item& item = items->front();
    if ((item.ItemKind != Kind::Entry && item.ItemKind != Kind::TrashEntry)
        || m_location.Where == Place::Computer)
        return E_INVALIDARG;
    if (m_location.InTrash || m_location.Image)
        return E_ACCESSDENIED;
    const std::string newName = WideToAnsi(std::u16string_view(name, WideLength(name)));
    if (!idlist::IsValidEntryName(newName))
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const BytePath from = JoinPath(m_location.Path, item.Payload);
    const BytePath to = JoinPath(m_location.Path, newName);
    if (newName != item.Payload) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
            const int error = errno;
            if (error == EEXIST)
                return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
            if (error != EINVAL && error != ENOSYS)
                return HResultFromErrno(error);
            // The file system cannot refuse to replace: look first. Only the item itself (a
            // change of case on a folder that ignores case) may already answer to the new name.
            struct stat existing
            {
            }, source {};
            if (::lstat(from.c_str(), &source) != 0)
                return HResultFromErrno(errno);
            if (::lstat(to.c_str(), &existing) == 0
                && (existing.st_ino != source.st_ino || existing.st_dev != source.st_dev))
                return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
            if (::rename(from.c_str(), to.c_str()) != 0)
                return HResultFromErrno(errno);
        }
    }
    if (newPidl != nullptr) {
        *newPidl = MakeIdList(idlist::EncodeItem(Kind::Entry, item.Flags, newName));
        if (*newPidl == nullptr)
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT ShellFolder::F1(GUID*) { return E_NOTIMPL; }

HRESULT ShellFolder::F2(IEnumExtraSearch** searches)
{
    if (searches != nullptr)
        *searches = nullptr;
    return E_NOTIMPL;
}

HRESULT ShellFolder::F3(DWORD, ULONG* sort, ULONG* display)
{
    if (sort == nullptr || display == nullptr)
        return E_POINTER;
    *sort = 0;
    *display = 0;
    return S_OK;
}

HRESULT ShellFolder::GetDefaultColumnState(UINT column, SHCOLSTATEF* state)
{
    if (state == nullptr)
        return E_POINTER;
    int count = 0;
    const ColumnInfo* columns = FolderColumns(m_location, count);
    if (column >= static_cast<UINT>(count))
        return E_INVALIDARG;
    *state = columns[column].State;
    return S_OK;
}

HRESULT ShellFolder::F5(PCIDLIST, const void*, void*) { return E_NOTIMPL; }

HRESULT ShellFolder::GetDetailsOf(PCIDLIST pidl, UINT column, SHELLDETAILS* details)
{
    if (details == nullptr)
        return E_POINTER;
    int count = 0;
    const ColumnInfo* columns = FolderColumns(m_location, count);
    if (column >= static_cast<UINT>(count))
        return E_INVALIDARG;
    details->fmt = columns[column].Format;
    details->cxChar = columns[column].WidthInChars;
    if (pidl == nullptr)
        return SetStrRet(&details->str, columns[column].Caption);
    const auto items = DecodeItems(pidl);
    if (!items || items->empty())
        return E_INVALIDARG;
    ShellFolder* parent = nullptr;
    HRESULT hr = BindPrefix(*items, items->size() - 1, parent);
    if (FAILED(hr))
        return hr;
    std::string text;
    hr = CellText(parent->m_location, items->back(), static_cast<int>(column), text);
    parent->Release();
    if (FAILED(hr))
        return hr;
    return SetStrRet(&details->str, text);
}

} // namespace sondrel::platform
