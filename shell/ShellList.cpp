#include "ShellList.h"

#include "ChangeNotify.h"
#include "Cursor.h"
#include "FindFile.h"
#include "FolderScope.h"
#include "Form.h"
#include "Guard.h"
#include "IdListArray.h"
#include "MountTable.h"
#include "PidlList.h"
#include "ShellErrors.h"
#include "ShellHeld.h"
#include "ShellImages.h"
#include "Win32Error.h"

#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>

#include <algorithm>
#include <system_error>
#include <vector>

namespace sondrel::shell {

using namespace win32;
using framework::TListItem;

namespace {

    // What a fill asks of each item to decide whether it is listed and how it is drawn.
    constexpr SFGAOF kIncludeAttributeMask = 0x720B0000;
    constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103);
    constexpr int kFetchStep = 500;
    constexpr int kDefaultAllocBy = 256;

    using TItemsUpdate = framework::TUpdating<framework::TListItems>;

    QString UpperName(const std::string& name) { return QFile::decodeName(name.c_str()).toUpper(); }

} // namespace

TPTCustomShellList::TPTCustomShellList(QWidget* parent)
    : TPTCustomListView(parent)
    , m_folder(std::make_unique<TPTShellLocator>())
    , m_timer(new framework::TTimer(this))
    , m_smallImages(new framework::TImageList(this, 16, 16))
    , m_largeImages(new framework::TImageList(this, 32, 32))
{
    m_folder->OnChange = [this](TPTShellLocator* sender) { HandleOnFolderChanged(sender); };
    m_timer->SetEnabled(false);
    m_timer->OnTimer = [this](framework::TObject* sender) { TimerElapsed(sender); };
    SetSmallImages(m_smallImages);
    InitImageLists();
    PTDeviceChangeHandler()->Add(DeviceChangeSubscription());
}

TPTCustomShellList::~TPTCustomShellList()
{
    // The worker posts to this list: it ends before anything of the list goes.
    m_changeThread.reset();
    PTDeviceChangeHandler()->Remove(DeviceChangeSubscription());
    if (Columns().Count() > 0 && m_saveWidths)
        RememberWidths();
    // Our Delete frees the items' data; the base's destructor could only reach its own.
    Items().Clear();
    SetSmallImages(nullptr);
}

TPTDeviceChangeEvent TPTCustomShellList::DeviceChangeSubscription()
{
    // One code for subscribing and unsubscribing, so that the relay finds this list again.
    return { [](void* self, TPTDeviceChangeHandler* sender, TMessage& message) {
                framework::Guarded([&] {
                    static_cast<TPTCustomShellList*>(self)->DeviceChangeDetected(sender, message);
                });
            },
        this };
}

void TPTCustomShellList::InitImageLists()
{
    ShowSystemImages(*m_smallImages, ptsizSmall);
    ShowSystemImages(*m_largeImages, ptsizLarge);
}

void TPTCustomShellList::SetAllocBy(int count)
{
    m_allocBy = count;
    Items().Reserve(Items().Count() + std::max(0, count));
    m_ownData.reserve(m_ownData.size() + static_cast<std::size_t>(std::max(0, count)));
}

bool TPTCustomShellList::Loading() const { return framework::ComponentLoading(this); }

bool TPTCustomShellList::IsEditing() const { return state() == QAbstractItemView::EditingState; }

// ---- Folder and links

void TPTCustomShellList::SetFolder(const TPTShellLocator* folder) { m_folder->Assign(folder); }

void TPTCustomShellList::HandleOnFolderChanged(TPTShellLocator*)
{
    // Fires also when the fill failed.
    const framework::TAtScopeEnd changed(
        [this] { framework::FireAtScopeEnd([this] { FolderChanged(); }); });
    if (m_reentry != 0)
        return;
    framework::TRaised raised(m_reentry);
    if (m_tree && m_treeObject)
        m_tree->LinkSelectIdList(m_folder->GetIdList());
    else if (m_combo && m_comboObject)
        m_combo->LinkSelectIdList(m_folder->GetIdList());
    FillItems();
}

void TPTCustomShellList::SetShellTree(TPTShellListLink* tree)
{
    m_tree = tree;
    m_treeObject = tree ? tree->LinkObject() : nullptr;
}

void TPTCustomShellList::SetShellCombo(TPTShellListLink* combo)
{
    m_combo = combo;
    m_comboObject = combo ? combo->LinkObject() : nullptr;
}

void TPTCustomShellList::TreeChanged(framework::TTreeNode* node)
{
    if (!node || !m_tree || !m_treeObject || Loading())
        return;
    if (PCItemIDList pidl = m_tree->LinkNodeIdList(node))
        m_folder->SetIdList(pidl);
}

void TPTCustomShellList::NavigateTo(PCItemIDList pidl)
{
    if (m_tree && m_treeObject)
        m_tree->LinkFolder().SetIdList(pidl);
    else if (m_combo && m_comboObject)
        m_combo->LinkFolder().SetIdList(pidl);
    else
        m_folder->SetIdList(pidl);
}

bool TPTCustomShellList::IsFolderNetworkShare()
{
    // Linux names no share by its path: the file system mounted there says it.
    const std::string path = m_folder->GetPathName();
    if (path.empty())
        return false;
    const std::shared_ptr<const platform::DriveList> drives = platform::CurrentDrives();
    const platform::Drive* drive = platform::DriveOfPath(*drives, path);
    return drive && drive->Type == DRIVE_REMOTE;
}

void TPTCustomShellList::Synchronize(bool all)
{
    if (all) {
        if (m_combo && m_comboObject)
            m_combo->LinkSynchronize(false);
        if (m_tree && m_treeObject)
            m_tree->LinkSynchronize(false);
    }
    if (m_timer->Enabled())
        TimerElapsed(m_timer);
}

// ---- Options and filter

void TPTCustomShellList::SetOptions(TPTShellListOptions options)
{
    const TPTShellListOptions changed = m_options ^ options;
    m_options = options;
    ApplyDragDropOptions();
    if (Loading() || !HandleAllocated())
        return;
    if (changed & ShellListOption(ptsloDynamicRefresh)) {
        if (HasOption(ptsloDynamicRefresh)) {
            InstallChangeHandler();
        } else {
            m_timer->SetEnabled(false);
            if (m_changeThread)
                m_changeThread->UnwatchAll();
        }
    }
    if (changed
        & (ShellListOption(ptsloHideFoldersWhenLinkedToTree) | ShellListOption(ptsloShowHidden)))
        RefreshItems();
}

void TPTCustomShellList::SetFileFilter(const std::string& filter)
{
    if (filter == m_fileFilter) {
        if (filter.empty())
            m_patterns.reset();
        return;
    }
    m_fileFilter = filter;
    RebuildPatterns();
    if (!Loading() && HasOption(ptsloAutoFill))
        FillItems();
}

void TPTCustomShellList::RebuildPatterns()
{
    // ";" is one byte in every encoding names come in, never part of another character.
    m_patterns = std::make_unique<QStringList>();
    std::size_t start = 0;
    while (start <= m_fileFilter.size()) {
        const std::size_t end = std::min(m_fileFilter.find(';', start), m_fileFilter.size());
        if (end > start)
            m_patterns->append(UpperName(m_fileFilter.substr(start, end - start)));
        start = end + 1;
    }
}

void TPTCustomShellList::FilterPreApply()
{
    m_filterNames.reset();
    std::string path = m_folder->GetPathName();
    if (path.empty() || m_fileFilter.empty() || m_fileFilter == "*" || m_fileFilter == "*.*")
        return;
    if (!m_patterns)
        RebuildPatterns();
    m_filterNames = std::make_unique<std::set<std::string>>();
    if (!path.ends_with('/'))
        path += '/';
    for (const QString& pattern : *m_patterns) {
        WIN32_FIND_DATAA found;
        const std::string wanted = path + QFile::encodeName(pattern).toStdString();
        HANDLE search = FindFirstFileA(wanted.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            // A pattern that matches nothing adds nothing; any other failure ends the search.
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                continue;
            break;
        }
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                m_filterNames->insert(UpperName(found.cFileName).toStdString());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
}

bool TPTCustomShellList::FilterApply(const std::string& name, std::uint32_t attributes)
{
    if (attributes & SFGAO_FOLDER)
        return true;
    return m_filterNames && m_filterNames->contains(UpperName(name).toStdString());
}

void TPTCustomShellList::FilterPostApply() { m_filterNames.reset(); }

// ---- Filling

void TPTCustomShellList::DeleteAllItems()
{
    TItemsUpdate update(Items());
    Items().Clear();
}

void TPTCustomShellList::FillItems()
{
    if (!HandleAllocated())
        return;
    if (m_busy || IsEditing()) {
        m_refreshPending = true;
        return;
    }
    {
        framework::THourglass hourglass;
        ClearSelection();
        DeleteAllItems();
        TItemsUpdate update(Items());
        Held<IShellFolder_NRC> folder;
        OleCheck(ShellGetFolderFromIdList(m_folder->GetIdList(), folder.Pointer));
        const framework::TAtScopeEnd filter([this] { FilterPostApply(); });
        FilterPreApply();
        // Watched before it is read, so that a change between the two still shows.
        if (HasOption(ptsloDynamicRefresh))
            InstallChangeHandler();
        try {
            FillList(folder.Pointer, m_folder->GetIdList());
        } catch (...) {
            // The list goes on showing what it showed, which the new watch does not see.
            if (m_changeThread)
                m_changeThread->UnwatchAll();
            throw;
        }
    }
    SortList();
    if (Items().Count() > 0)
        SetItemFocused(Items()[0]);
}

void TPTCustomShellList::EndFill()
{
    Items().EndUpdate();
    m_allocBy = kDefaultAllocBy;
    framework::FireAtScopeEnd([this] { FillComplete(); });
}

void TPTCustomShellList::FillList(IShellFolder_NRC* folder, PCItemIDList absolute)
{
    Items().BeginUpdate();
    const framework::TAtScopeEnd end([this] { EndFill(); });
    FillStart();

    // The new folder is made whole apart and swapped in; a fill that fails swaps the previous
    // one back, so that the list's ID list, folder interface and details always describe the
    // same folder.
    TShellListFolder next;
    next.IdList.Reset(CopyIdList(nullptr, absolute));
    next.Interface = HoldReference(folder);
    m_current.Swap(next);

    std::vector<std::unique_ptr<TPTShListData>> fetched;
    try {
        InitColumns(GetCurrentFolderIShellDetails());
        Held<IEnumIDList_NRC> list;
        SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
        if (HasOption(ptsloShowHidden))
            flags |= SHCONTF_INCLUDEHIDDEN;
        auto* form = qobject_cast<framework::TForm*>(window());
        // A folder that cannot be listed says why, as one that cannot be bound does.
        OleCheck(folder->EnumObjects(form, flags, &list.Pointer));
        if (!list.Pointer)
            framework::Abort();
        HRESULT result = S_OK;
        for (;;) {
            PIDLIST item = nullptr;
            ULONG count = 0;
            result = list.Pointer->Next(1, &item, &count);
            if (result != S_OK)
                break;
            if (fetched.size() == fetched.capacity())
                fetched.reserve(fetched.capacity() + kFetchStep);
            auto shData = std::make_unique<TPTShListData>(this);
            shData->SetData(item);
            fetched.push_back(std::move(shData));
        }
        list.Pointer->Release();
        list.Pointer = nullptr;
        if (result != S_FALSE && result != kNoMoreItems) {
            if (result == E_FAIL)
                framework::Abort();
            OleCheck(result);
        }
        SetAllocBy(static_cast<int>(fetched.size()));
        // Each item's attributes, and what the insert handlers look up of it, resolve its name
        // in the open folder instead of walking the whole path again.
        const platform::TFolderScope scope(ShellGetPathFromIdList(absolute));
        for (auto& shData : fetched) {
            std::uint32_t attributes = 0;
            if (ShouldInclude(m_current.IdList.Get(), shData->RelativeIdList(), attributes))
                AddItemFor(shData.release(), attributes, m_current.Details.Get());
            else
                shData.reset();
        }
    } catch (...) {
        m_current.Swap(next);
        throw;
    }
}

bool TPTCustomShellList::ShouldInclude(
    PCItemIDList absolute, PCItemIDList relative, std::uint32_t& attributes)
{
    attributes = kIncludeAttributeMask;
    PCIDLIST items[] = { relative };
    (void)m_current.Interface->GetAttributesOf(1, items, &attributes);
    bool include = HasOption(ptsloNonFilesystemAncestors)
        || (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0;
    if (HasOption(ptsloHideFoldersWhenLinkedToTree) && m_tree && m_treeObject
        && (attributes & SFGAO_FOLDER) && (attributes & SFGAO_FILESYSTEM))
        include = false;
    return include && CanAdd(m_current.Interface.Get(), absolute, relative, attributes) != 0;
}

std::int32_t TPTCustomShellList::CanAdd(IShellFolder_NRC* folder, PCItemIDList absolute,
    PCItemIDList relative, std::uint32_t attributes)
{
    std::int32_t allow = -1;
    if (m_filterNames && !(attributes & SFGAO_FOLDER)) {
        std::string name = ShellGetFriendlyNameFromIdList(folder, relative, ptfnForParsing);
        if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
            name.erase(0, slash + 1);
        allow = FilterApply(name, attributes) ? -1 : 0;
    }
    if (OnAddItem && allow != 0)
        OnAddItem(this, folder, absolute, relative, attributes, allow);
    return allow;
}

void TPTCustomShellList::AddItemFor(
    TPTShListData* shData, std::uint32_t attributes, IShellDetails_NRC* details)
{
    std::unique_ptr<TPTShListData> owned(shData);
    m_pendingData = shData;
    m_pendingAttributes = attributes;
    m_pendingDetails = details;
    m_pendingHasDetails = true;
    const framework::TAtScopeEnd slot([this] {
        m_pendingData = nullptr;
        m_pendingDetails = nullptr;
        m_pendingHasDetails = false;
    });
    m_ownData.insert(shData);
    try {
        Items().Add();
    } catch (...) {
        // The item took the data before its own handler ran; it is freed with the item.
        if (m_pendingData == shData)
            m_ownData.erase(shData);
        else
            (void)owned.release();
        throw;
    }
    (void)owned.release();
}

void TPTCustomShellList::AddNewShellItem(PCItemIDList absolute, PItemIDList relative)
{
    HeldPidl owned(relative);
    try {
        std::uint32_t attributes = 0;
        if (!ShouldInclude(absolute, relative, attributes))
            return;
        auto shData = std::make_unique<TPTShListData>(this);
        shData->SetData(owned.Detach());
        AddItemFor(shData.release(), attributes, GetCurrentFolderIShellDetails());
    } catch (...) {
        QMessageBox::critical(this, QApplication::applicationDisplayName(),
            QStringLiteral("Exception in AddNewShellItem"));
        throw;
    }
}

void TPTCustomShellList::InsertItem(TListItem* item)
{
    if (m_pendingData) {
        item->SetData(m_pendingData);
        m_pendingData = nullptr;
        if (m_pendingAttributes & SFGAO_SHARE)
            item->SetOverlayIndex(0);
        else if (m_pendingAttributes & SFGAO_LINK)
            item->SetOverlayIndex(1);
        if (m_pendingAttributes & SFGAO_HIDDEN)
            item->SetCut(true);
        const int subItems = m_pendingDetails ? std::max(0, Columns().Count() - 1) : 3;
        item->SetSubItems(QStringList(subItems, QString()));
        m_pendingDetails = nullptr;
        m_pendingHasDetails = false;
    }
    TPTCustomListView::InsertItem(item);
}

void TPTCustomShellList::Delete(TListItem* item)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData) {
        TPTCustomListView::Delete(item);
        return;
    }
    // The data goes with the item, whatever its handlers do.
    std::unique_ptr<TPTShListData> owned(shData);
    {
        const framework::TAtScopeEnd detach([&] {
            item->SetData(nullptr);
            m_ownData.erase(shData);
        });
        if (OnDeleteItem)
            OnDeleteItem(this, item, shData);
    }
    TPTCustomListView::Delete(item);
}

// ---- Refresh

void TPTCustomShellList::RefreshItems()
{
    if (m_busy || IsEditing()) {
        m_refreshPending = true;
        return;
    }
    if (Items().Count() == 0) {
        FillItems();
        return;
    }
    if (!m_current.Interface.Get())
        return;
    framework::THourglass hourglass;
    FillStart();
    FilterPreApply();

    TPTPidlList old;
    old.SetCapacity(Items().Count());
    old.SetDuplicates(dupAccept);
    if (m_folder->GetPathName().empty())
        old.SetCompareFolder(m_current.Interface.Get());
    for (int i = 0; i < Items().Count(); ++i)
        if (TPTShListData* shData = GetDataFromItem(Items()[i]))
            old.AddObject(const_cast<PItemIDList>(shData->RelativeIdList()), Items()[i]);
    old.SetSorted(true);

    TPTPidlList found;
    found.SetPidlAllocator(ShellIMalloc());
    found.SetDuplicates(dupAccept);
    {
        Held<IEnumIDList_NRC> list;
        SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
        if (HasOption(ptsloShowHidden))
            flags |= SHCONTF_INCLUDEHIDDEN;
        auto* form = qobject_cast<framework::TForm*>(window());
        if (SUCCEEDED(m_current.Interface->EnumObjects(form, flags, &list.Pointer))
            && list.Pointer) {
            PIDLIST item = nullptr;
            ULONG count = 0;
            while (list.Pointer->Next(1, &item, &count) == S_OK)
                found.Add(item);
        }
    }

    for (int i = found.GetCount() - 1; i >= 0; --i) {
        const int at = old.IndexOf(found.GetPIDL(i));
        if (at >= 0) {
            old.Delete(at);
            found.Delete(i);
        }
    }

    Items().BeginUpdate();
    const framework::TAtScopeEnd end([this] {
        FilterPostApply();
        EndFill();
    });
    for (int i = 0; i < old.GetCount(); ++i) {
        auto* item = static_cast<TListItem*>(old.GetObject(i));
        Items().Delete(item->Index());
    }
    // Each list passes to its new item; the ones not reached when an item fails are still
    // the list's, and its allocator frees them.
    SetAllocBy(found.GetCount());
    for (int i = 0; i < found.GetCount(); ++i) {
        PItemIDList relative = found.GetPIDL(i);
        found.SetPIDL(i, nullptr);
        HeldPidl absolute(ConcatIdLists(nullptr, m_current.IdList.Get(), relative));
        AddNewShellItem(absolute.Pointer, relative);
    }
}

// ---- Texts, icons and data on demand

void TPTCustomShellList::GetDispInfo(TListItem& item, framework::TLVDispInfo& info)
{
    TPTShListData* shData = GetDataFromItem(&item);
    if (info.Mask & framework::TLVDispInfo::lvifText) {
        if (info.Column == 0) {
            if (item.Caption().isEmpty() && shData)
                item.SetCaption(QFile::decodeName(shData->GetDisplayName().c_str()));
            info.Text = item.Caption();
        } else {
            const QStringList& subItems = item.SubItems();
            if (subItems.size() < info.Column)
                info.Text.clear();
            else if (!subItems[info.Column - 1].isEmpty())
                info.Text = subItems[info.Column - 1];
            else if (shData)
                info.Text = QString::fromStdString(shData->GetColText(info.Column));
        }
    }
    if (info.Mask & framework::TLVDispInfo::lvifImage) {
        if (item.ImageIndex() <= 0 && shData)
            info.Image = shData->GetIconIndex();
        else
            info.Image = item.ImageIndex();
    }
}

TPTShListData* TPTCustomShellList::GetDataFromItem(const TListItem* item) const
{
    if (!item || !item->Data() || !m_ownData.contains(item->Data()))
        return nullptr;
    return static_cast<TPTShListData*>(item->Data());
}

bool TPTCustomShellList::ItemHasData(const TListItem* item) const
{
    return GetDataFromItem(item) != nullptr;
}

TPTShListData* TPTCustomShellList::GetShListData(int index) const
{
    TListItem* item = Items().Item(index);
    if (!item)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (!item->Data())
        return nullptr;
    if (!m_ownData.contains(item->Data()))
        throw EInvalidCast();
    return static_cast<TPTShListData*>(item->Data());
}

int TPTCustomShellList::ShellSelCount() const
{
    int count = 0;
    for (int i = 0; i < Items().Count() && count < SelCount(); ++i)
        if (Items()[i]->Selected() && ItemHasData(Items()[i]))
            ++count;
    return count;
}

TPTShListData* TPTCustomShellList::GetSelectedItem() const { return GetDataFromItem(Selected()); }

void TPTCustomShellList::SelectAll()
{
    TItemsUpdate update(Items());
    selectAll();
}

// ---- Events of filling

void TPTCustomShellList::FillStart()
{
    if (OnFillStart)
        OnFillStart(this);
}

void TPTCustomShellList::FillComplete()
{
    if (OnFillComplete)
        OnFillComplete(this);
}

void TPTCustomShellList::FolderChanged()
{
    if (OnFolderChanged)
        OnFolderChanged(this);
}

// ---- Window, messages and automatic refresh

void TPTCustomShellList::Loaded()
{
    if (!HasOption(ptsloAutoFill) || Items().Count() > 0)
        return;
    if (!HandleAllocated())
        ensurePolished(); // making the window posts the fill
    else
        framework::PostMessage(this, AM_DEFERREDFILL);
}

void TPTCustomShellList::CreateWnd()
{
    TPTCustomListView::CreateWnd();
    ApplyDragDropOptions();
    if (HasOption(ptsloAutoFill) && Items().Count() == 0)
        framework::PostMessage(this, AM_DEFERREDFILL);
}

bool TPTCustomShellList::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case AM_CHANGENOTIFY:
        framework::Guarded([this] { AMChangeNotify(); });
        return true;
    case AM_DEFERREDEDIT:
        framework::Guarded([this] { AMDeferredEdit(); });
        return true;
    case AM_DEFERREDFILL:
        framework::Guarded([this] { AMDeferredFill(); });
        return true;
    case QEvent::ShortcutOverride: {
        bool claimed = false;
        framework::Guarded([&] { claimed = WantsSpecialKey(*static_cast<QKeyEvent*>(event)); });
        if (claimed) {
            event->accept();
            return true;
        }
        return TPTCustomListView::event(event);
    }
    default:
        return TPTCustomListView::event(event);
    }
}

void TPTCustomShellList::AMDeferredFill()
{
    if (Items().Count() == 0)
        FillItems();
}

void TPTCustomShellList::AMChangeNotify()
{
    if (m_ownChange || m_busy) {
        m_ownChange = false;
        return;
    }
    RestartChangeTimer(
        *m_timer, m_burst, hasFocus() ? PTSH_CHANGE_NOTIFY_FASTDELAY : PTSH_CHANGE_NOTIFY_DELAY);
}

void TPTCustomShellList::TimerElapsed(framework::TObject*)
{
    m_timer->SetEnabled(false);
    {
        framework::TRaised raised(m_reentry);
        Synchronize(true);
    }
    if (Items().Count() == 0) {
        // An empty list refreshes by filling, which reports a folder that went in a box: for a
        // change nobody asked to see, the empty list says it already.
        Held<IShellFolder_NRC> folder;
        if (FAILED(ShellGetFolderFromIdList(m_folder->GetIdList(), folder.Pointer)))
            return;
    }
    RefreshItems();
}

void TPTCustomShellList::InstallChangeHandler()
{
    m_timer->SetEnabled(false);
    if (!m_changeThread) {
        try {
            m_changeThread = std::make_unique<TChangeHandlerThread>(this, AM_CHANGENOTIFY);
        } catch (const std::system_error&) {
            return; // no watching: the list refreshes on F5 and on device changes only
        }
    } else {
        m_changeThread->UnwatchAll();
    }
    // Names of files and folders only: sizes, times and attributes are not watched. A folder
    // without a path of its own (the desktop's namespace, "Computer") gets no watch, and one
    // that cannot be watched simply is not refreshed by itself.
    int slot = -1;
    (void)m_changeThread->WatchFolder(m_folder->GetPathName(),
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, slot, false);
}

void TPTCustomShellList::DeviceChangeDetected(TPTDeviceChangeHandler*, TMessage& message)
{
    if (message.WParam != DBT_DEVICEARRIVAL && message.WParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    FlushDriveInfoCache();
    LockFlushDriveInfoCache();
    const framework::TAtScopeEnd unlock([] { UnlockFlushDriveInfoCache(); });
    if (ShellFindCSIDLFromIdList(m_folder->GetIdList()) == csidlDrives)
        FillItems();
}

// ---- Custom draw

std::unique_ptr<TPTCustomDraw> TPTCustomShellList::PTCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    std::unique_ptr<TPTCustomDraw> draw = CreateCustomDraw(record, result);
    TListItem* item = (record.dwDrawStage & CDDS_ITEM)
        ? Items().Item(static_cast<int>(record.dwItemSpec))
        : nullptr;
    PTCustomDrawSh(draw.get(), item, GetDataFromItem(item));
    draw->Apply();
    if (record.dwDrawStage & CDDS_PREPAINT)
        result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

void TPTCustomShellList::PTCustomDrawSh(TPTCustomDraw* draw, TListItem* item, TPTShListData* shData)
{
    if (OnCustomDrawShEx)
        OnCustomDrawShEx(this, draw, item, shData);
    if (OnCustomDrawSh && draw->DrawStage() == ptcdsItemPrePaint)
        OnCustomDrawSh(this, draw, item, shData);
}

} // namespace sondrel::shell
