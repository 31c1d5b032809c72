#include "ShellTree.h"

#include "ChangeNotify.h"
#include "Cursor.h"
#include "Form.h"
#include "Guard.h"
#include "IdListArray.h"
#include "ShellCombo.h"
#include "ShellErrors.h"
#include "ShellImages.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>

#include <functional>
#include <system_error>
#include <utility>
#include <vector>

namespace sondrel::shell {

using namespace win32;
using framework::TTreeNode;

namespace {

    // What a fill asks of each candidate: has-subfolder, file system, folder, file-system
    // ancestor; removable, link, share, hidden.
    constexpr SFGAOF kNodeAddMask = 0xF20B0000;
    constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103);

} // namespace

TPTCustomShellTree::TPTCustomShellTree(QWidget* parent)
    : TPTCustomTreeView(parent)
    , m_baseFolder(std::make_unique<TPTShellLocator>())
    , m_selectedFolder(std::make_unique<TPTShellLocator>())
    , m_keyTimer(new framework::TTimer(this))
    , m_notifyTimer(new framework::TTimer(this))
    , m_newFolderTimer(new framework::TTimer(this))
    , m_images(new framework::TImageList(this, 16, 16))
    , m_watches(std::make_unique<TChangeWatchPool>(this, AM_CHANGENOTIFY))
{
    m_keyTimer->SetEnabled(false);
    m_keyTimer->SetInterval(PTSH_TREE_KEY_UPDATE_DELAY);
    m_keyTimer->OnTimer = [this](framework::TObject*) { KeyTimerElapsed(); };
    m_notifyTimer->SetEnabled(false);
    m_notifyTimer->OnTimer = [this](framework::TObject*) { NotifyTimerElapsed(); };
    m_newFolderTimer->SetEnabled(false);
    m_newFolderTimer->OnTimer = [this](framework::TObject*) { NewFolderTimerElapsed(); };
    m_baseFolder->OnChange = [this](TPTShellLocator*) { BaseFolderChanged(); };
    m_selectedFolder->OnChange = [this](TPTShellLocator*) { SelectedFolderChanged(); };
    ShowSystemImages(*m_images, ptsizSmall);
    SetImages(m_images);
    SetShowRoot(false);
    PTDeviceChangeHandler()->Add(DeviceChangeSubscription());
}

TPTCustomShellTree::~TPTCustomShellTree()
{
    PTDeviceChangeHandler()->Remove(DeviceChangeSubscription());
    if (m_list)
        m_list->SetShellTree(nullptr);
    // Our Delete frees the nodes' shData; the base's destructor could only reach its own.
    DeleteAllNodes();
    SetImages(nullptr);
    m_watches.reset();
}

TPTDeviceChangeEvent TPTCustomShellTree::DeviceChangeSubscription()
{
    // One code for subscribing and unsubscribing, so that the relay finds this tree again.
    return { [](void* self, TPTDeviceChangeHandler* sender, TMessage& message) {
                framework::Guarded([&] {
                    static_cast<TPTCustomShellTree*>(self)->DeviceChangeDetected(sender, message);
                });
            },
        this };
}

bool TPTCustomShellTree::Loading() const { return framework::ComponentLoading(this); }

bool TPTCustomShellTree::Occupied() const { return IsEditing() || m_busy; }

SHCONTF TPTCustomShellTree::EnumFlags() const
{
    SHCONTF flags = SHCONTF_FOLDERS;
    if (HasOption(ptstoShowHidden))
        flags |= SHCONTF_INCLUDEHIDDEN;
    if (HasOption(ptstoIncludeNonFolders))
        flags |= SHCONTF_NONFOLDERS;
    return flags;
}

HWND TPTCustomShellTree::OwnerWindow() { return qobject_cast<framework::TForm*>(window()); }

// ---- Nodes and their shData

TPTShTreeData* TPTCustomShellTree::GetDataFromNode(const TTreeNode* node) const
{
    if (!node || !node->Data() || !m_ownData.contains(node->Data()))
        return nullptr;
    return static_cast<TPTShTreeData*>(node->Data());
}

bool TPTCustomShellTree::NodeHasData(const TTreeNode* node) const
{
    return GetDataFromNode(node) != nullptr;
}

TPTShTreeData* TPTCustomShellTree::GetShTreeData(int index) const
{
    // The whole tree's order: each node, then its children.
    int at = 0;
    std::function<TTreeNode*(TTreeNode*)> walk = [&](TTreeNode* node) -> TTreeNode* {
        for (; node; node = node->GetNextSibling()) {
            if (at++ == index)
                return node;
            if (TTreeNode* found = walk(node->GetFirstChild()))
                return found;
        }
        return nullptr;
    };
    return index < 0 ? nullptr : GetDataFromNode(walk(Items().GetFirstNode()));
}

TTreeNode* TPTCustomShellTree::GetFirstRootLevelShellNode() const
{
    for (int i = 0; i < Items().TopLevelCount(); ++i)
        if (NodeHasData(Items().TopLevelItem(i)))
            return Items().TopLevelItem(i);
    return nullptr;
}

TPTShTreeData* TPTCustomShellTree::SelectedItem() const { return GetDataFromNode(Selected()); }

void TPTCustomShellTree::Delete(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (node == m_lastInserted)
        m_lastInserted = nullptr;
    if (node == m_dropHighlight)
        m_dropHighlight = nullptr;
    if (!shData) {
        TPTCustomTreeView::Delete(node);
        return;
    }
    // The data goes with the node, whatever its handlers do; so does its watch.
    std::unique_ptr<TPTShTreeData> owned(shData);
    if (shData->WatchSlot >= 0)
        m_watches->Unwatch(std::exchange(shData->WatchSlot, -1));
    {
        const framework::TAtScopeEnd detach([&] {
            node->SetData(nullptr);
            m_ownData.erase(shData);
        });
        if (OnDeleteItem)
            OnDeleteItem(this, node, shData);
    }
    TPTCustomTreeView::Delete(node);
}

void TPTCustomShellTree::DeleteAllNodes()
{
    framework::TRaised suppressed(m_suppress);
    framework::TUpdating<framework::TTreeNodes> update(Items());
    Items().Clear();
}

TTreeNode* TPTCustomShellTree::FindNodeWithIdList(TTreeNode* parent, PCItemIDList relative)
{
    TPTShTreeData* parentData = GetDataFromNode(parent);
    IShellFolder_NRC* folder = parentData ? parentData->GetThisIShf() : nullptr;
    if (!folder)
        return nullptr;
    for (TTreeNode* child = parent->GetFirstChild(); child; child = child->GetNextSibling()) {
        TPTShTreeData* shData = GetDataFromNode(child);
        if (!shData)
            continue;
        const HRESULT hr = folder->CompareIDs(0, shData->RelPidl(), relative);
        if (SUCCEEDED(hr) && CompareResultOrder(hr) == 0)
            return child;
    }
    return nullptr;
}

void TPTCustomShellTree::SortNode(TTreeNode* node)
{
    if (!node) {
        // The whole tree: every node's children.
        std::function<void(TTreeNode*)> all = [&](TTreeNode* at) {
            SortNode(at);
            for (TTreeNode* child = at->GetFirstChild(); child; child = child->GetNextSibling())
                all(child);
        };
        for (int i = 0; i < Items().TopLevelCount(); ++i)
            all(Items().TopLevelItem(i));
        return;
    }
    TPTShTreeData* parentData = GetDataFromNode(node);
    IShellFolder_NRC* folder = parentData ? parentData->GetThisIShf() : nullptr;
    if (!folder || node->Count() < 2)
        return;
    // Each child's data is looked up once, not per comparison: the children keep their indexes
    // while they are sorted.
    std::vector<TPTShTreeData*> childData(static_cast<std::size_t>(node->Count()));
    for (int i = 0; i < node->Count(); ++i)
        childData[static_cast<std::size_t>(i)] = GetDataFromNode(node->Item(i));
    const framework::TTVCompare compare
        = [&childData, folder](TTreeNode* first, TTreeNode* second, std::intptr_t) -> int {
        TPTShTreeData* a = childData[static_cast<std::size_t>(first->Index())];
        TPTShTreeData* b = childData[static_cast<std::size_t>(second->Index())];
        if (!a || !b)
            return 0;
        const HRESULT hr = folder->CompareIDs(0, a->RelPidl(), b->RelPidl());
        return SUCCEEDED(hr) ? CompareResultOrder(hr) : 0;
    };
    node->CustomSort(compare, 0, false);
}

// ---- Filling

void TPTCustomShellTree::FillItems()
{
    if (Occupied()) {
        m_refreshPending = true;
        return;
    }
    {
        framework::THourglass hourglass;
        DeleteAllNodes();
        Held<IShellFolder_NRC> folder;
        OleCheck(ShellGetFolderFromIdList(m_baseFolder->GetIdList(), folder.Pointer));
        FillTree(folder.Get(), nullptr);
        if (m_selectedFolder->GetIdList())
            DoSetSelectedIdList(m_selectedFolder->GetIdList());
        else if (TTreeNode* first = Items().GetFirstNode())
            SetSelected(first);
    }
    Synchronize(false);
}

void TPTCustomShellTree::FillTree(IShellFolder_NRC* folder, TTreeNode* node)
{
    FillStart();
    const framework::TAtScopeEnd complete(
        [this] { framework::FireAtScopeEnd([this] { FillComplete(); }); });

    HeldPidl parentList;
    bool createdRoot = false;
    if (TPTShTreeData* shData = GetDataFromNode(node)) {
        parentList.Reset(CopyIdList(nullptr, shData->GetAbsPidl()));
    } else if (!node) {
        parentList.Reset(CopyIdList(nullptr, m_baseFolder->GetIdList()));
        auto rootData = std::make_unique<TPTShTreeData>(this);
        rootData->SetData(nullptr, parentList.Get());
        rootData->SetThisIShf(folder);
        const QString text
            = QFile::decodeName(ShellGetFriendlyNameForLastIdListElement(parentList.Get()).c_str());
        m_ownData.insert(rootData.get());
        try {
            node = Items().AddChildObject(nullptr, text, rootData.get());
        } catch (...) {
            m_ownData.erase(rootData.get());
            throw;
        }
        TPTShTreeData* root = rootData.release();
        node->SetImageIndex(ShellGetIconIndex(parentList.Get(), SHGFI_SMALLICON));
        node->SetSelectedIndex(
            ShellGetIconIndex(parentList.Get(), SHGFI_SMALLICON | SHGFI_OPENICON));
        root->ImagesLooked = true;
        createdRoot = true;
        if (OnInsertItem)
            OnInsertItem(this, node, root);
    } else {
        return; // a node that is none of ours
    }

    // Watched before it is read, so that a change between the two is not lost.
    if (TPTShTreeData* watched = GetDataFromNode(node))
        WatchNode(*watched);
    Held<IEnumIDList_NRC> list;
    if (FAILED(folder->EnumObjects(OwnerWindow(), EnumFlags(), list.Out())) || !list) {
        // Nothing to show now; the button stays, so that a later expansion tries again.
        node->SetHasChildren(true);
        return;
    }
    const HRESULT result = ForEachEnumItem(list.Get(), [&](HeldPidl item) {
        OleCheck(AddNewShellNode(folder, parentList.Get(), item.Get(), node));
    });
    if (node->Count() == 0)
        node->SetHasChildren(false);
    if (result == E_FAIL)
        return;
    if (result != S_FALSE && result != kNoMoreItems)
        OleCheck(result);
    SortNode(node);
    if (createdRoot)
        node->Expand(false);
}

HRESULT TPTCustomShellTree::AddNewShellNode(IShellFolder_NRC* parentFolder,
    PCItemIDList parentAbsolute, PCItemIDList relative, TTreeNode* parentNode)
{
    if (!relative)
        return S_OK;
    SFGAOF attributes = kNodeAddMask;
    PCIDLIST items[] = { relative };
    if (const HRESULT hr = parentFolder->GetAttributesOf(1, items, &attributes); FAILED(hr))
        return hr;
    const bool candidate = HasOption(ptstoVirtualFolders)
        || (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0;
    if (!candidate || !CanAdd(parentFolder, parentAbsolute, attributes, relative))
        return S_OK;

    const QString text = QFile::decodeName(
        ShellGetFriendlyNameFromIdList(parentFolder, relative, ptfnInFolder).c_str());
    auto shData = std::make_unique<TPTShTreeData>(this);
    TPTShTreeData* parentData = GetDataFromNode(parentNode);
    if (parentData) {
        shData->SetData(parentData, relative);
    } else {
        HeldPidl absolute(ConcatIdLists(nullptr, parentAbsolute, relative));
        shData->SetData(nullptr, absolute.Get());
    }
    m_ownData.insert(shData.get());
    TTreeNode* node = nullptr;
    try {
        node = Items().AddChildObject(parentNode, text, shData.get());
    } catch (...) {
        m_ownData.erase(shData.get());
        throw;
    }
    TPTShTreeData* added = shData.release();

    const bool folder = (attributes & SFGAO_FOLDER) != 0;
    const bool subfolders = (attributes & SFGAO_HASSUBFOLDER) != 0;
    node->SetHasChildren(
        HasOption(ptstoIncludeNonFolders) ? (folder || subfolders) : (folder && subfolders));
    if (attributes & SFGAO_SHARE)
        node->SetOverlayIndex(0);
    else if (attributes & SFGAO_LINK)
        node->SetOverlayIndex(1);
    if (attributes & SFGAO_HIDDEN)
        node->SetCut(true);
    m_lastInserted = node;
    if (OnInsertItem)
        OnInsertItem(this, node, added);
    return S_OK;
}

bool TPTCustomShellTree::CanAdd(IShellFolder_NRC* parentFolder, PCItemIDList parentAbsolute,
    std::uint32_t attributes, PCItemIDList relative)
{
    std::int32_t allow = -1;
    if (OnAddItem)
        OnAddItem(this, parentFolder, parentAbsolute, relative, attributes, allow);
    return allow != 0;
}

bool TPTCustomShellTree::CanExpand(TTreeNode* node)
{
    const bool allowed = TPTCustomTreeView::CanExpand(node);
    if (allowed)
        ExpandNode(node);
    return allowed;
}

void TPTCustomShellTree::ExpandNode(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData || !node->HasChildren() || node->Count() > 0)
        return;
    framework::THourglass hourglass;
    if (IShellFolder_NRC* folder = shData->GetThisIShf())
        FillTree(folder, node);
}

// ---- Images

void TPTCustomShellTree::LookUpImages(TTreeNode& node, TPTShTreeData& shData)
{
    // Once per node: painting never asks the disk again, even when a lookup found nothing.
    shData.ImagesLooked = true;
    if (node.ImageIndex() <= 0)
        node.SetImageIndex(ShellGetIconIndex(shData.GetAbsPidl(), SHGFI_SMALLICON));
    if (node.SelectedIndex() <= 0)
        node.SetSelectedIndex(
            ShellGetIconIndex(shData.GetAbsPidl(), SHGFI_SMALLICON | SHGFI_OPENICON));
}

void TPTCustomShellTree::GetImageIndex(TTreeNode* node)
{
    if (TPTShTreeData* shData = GetDataFromNode(node); shData && !shData->ImagesLooked)
        LookUpImages(*node, *shData);
    TPTCustomTreeView::GetImageIndex(node);
}

void TPTCustomShellTree::GetSelectedIndex(TTreeNode* node)
{
    if (TPTShTreeData* shData = GetDataFromNode(node); shData && !shData->ImagesLooked)
        LookUpImages(*node, *shData);
    TPTCustomTreeView::GetSelectedIndex(node);
}

// ---- Selection and the linked controls

void TPTCustomShellTree::Change(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (m_suppress > 0 || Loading()) {
        if (shData) {
            framework::TRaised suppressed(m_suppress);
            m_selectedFolder->SetIdList(shData->GetAbsPidl());
        }
        return;
    }
    TPTCustomTreeView::Change(node);
    if (!shData || !Items().Contains(node))
        return;
    if (m_immediate || !m_list) {
        PropagateSelection(node);
        return;
    }
    m_keyTimer->SetEnabled(false);
    m_keyTimer->SetInterval(PTSH_TREE_KEY_UPDATE_DELAY);
    m_keyTimer->SetEnabled(true);
}

void TPTCustomShellTree::PropagateSelection(TTreeNode* node)
{
    m_keyTimer->SetEnabled(false);
    m_immediate = false;
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData)
        return;
    framework::TRaised suppressed(m_suppress);
    m_selectedFolder->SetIdList(shData->GetAbsPidl());
    if (m_list)
        m_list->TreeChanged(node);
    if (m_combo)
        m_combo->TreeChanged(node);
}

void TPTCustomShellTree::KeyTimerElapsed()
{
    m_keyTimer->SetEnabled(false);
    if (TTreeNode* node = Selected(); NodeHasData(node))
        PropagateSelection(node);
}

void TPTCustomShellTree::Synchronize(bool all)
{
    if (m_keyTimer->Enabled())
        KeyTimerElapsed();
    if (all) {
        if (m_list)
            m_list->Synchronize(false);
        if (m_combo)
            m_combo->Synchronize(false);
    }
}

void TPTCustomShellTree::mousePressEvent(QMouseEvent* event)
{
    // A click moves the linked controls at once; only the keyboard waits.
    TTreeNode* before = Selected();
    const bool wasImmediate = m_immediate;
    if (event->button() == Qt::LeftButton)
        m_immediate = true;
    TPTCustomTreeView::mousePressEvent(event);
    if (Selected() == before)
        m_immediate = wasImmediate;
}

void TPTCustomShellTree::GoUp(int levels)
{
    TTreeNode* node = Selected();
    if (!node)
        return;
    for (int i = 0; i < levels && node->Parent(); ++i)
        node = node->Parent();
    if (node == Selected())
        return;
    m_immediate = true;
    SetSelected(node);
    node->MakeVisible();
}

PCItemIDList TPTCustomShellTree::LinkNodeIdList(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    return shData && node == Selected() ? shData->GetAbsPidl() : nullptr;
}

void TPTCustomShellTree::LinkSelectIdList(PCItemIDList pidl)
{
    TPTShellLocator folder;
    folder.SetIdList(pidl);
    SetSelectedFolder(&folder);
}

void TPTCustomShellTree::SetSelectedFolder(const TPTShellLocator* folder)
{
    if (Loading() || m_suppress > 0) {
        if (m_list)
            m_list->SetFolder(m_selectedFolder.get());
        return;
    }
    m_selectedFolder->Assign(folder);
}

std::string TPTCustomShellTree::SelectedPathName()
{
    TPTShTreeData* shData = SelectedItem();
    return shData ? shData->GetPathName() : std::string();
}

void TPTCustomShellTree::SetSelectedPathName(const std::string& path)
{
    TPTShellLocator folder;
    folder.SetPathName(path);
    SetSelectedFolder(&folder);
}

void TPTCustomShellTree::SelectedFolderChanged()
{
    if (Items().Count() > 0)
        DoSetSelectedIdList(m_selectedFolder->GetIdList());
}

void TPTCustomShellTree::DoSetSelectedIdList(PCItemIDList pidl)
{
    if (m_suppress > 0)
        return;
    m_immediate = true;
    // A walk that ends where the selection already was leaves the keyboard's delay as it was.
    TTreeNode* before = Selected();
    const framework::TAtScopeEnd settle([this, before] {
        if (Selected() == before)
            m_immediate = false;
    });
    TPTIdListArray base(m_baseFolder->GetIdList());
    TPTIdListArray target(pidl);
    const int b = base.GetCount();
    const int t = target.GetCount();
    TTreeNode* node = GetFirstRootLevelShellNode();
    if (!node)
        return;
    framework::TUpdating<framework::TTreeNodes> update(Items());
    if (t == 0) {
        SetSelected(node);
        return;
    }
    if (t <= b) {
        SetSelected(node);
        node->Expand(false);
        return;
    }
    // A target outside the base has no node here: nothing is selected for it.
    if (b > 0 && CompareAbsIdLists(m_baseFolder->GetIdList(), target.GoUp(t - b)) != 0) {
        QApplication::beep();
        return;
    }
    node->Expand(false);
    for (int d = b; d < t; ++d) {
        PCItemIDList item = target.GetItem(d);
        TTreeNode* child = FindNodeWithIdList(node, item);
        if (!child) {
            TPTShTreeData* shData = GetDataFromNode(node);
            IShellFolder_NRC* folder = shData ? shData->GetThisIShf() : nullptr;
            m_lastInserted = nullptr;
            const HRESULT hr
                = folder ? AddNewShellNode(folder, shData->GetAbsPidl(), item, node) : E_FAIL;
            // A level that cannot be reached, or that is not added, ends the walk at the
            // deepest node reached.
            if (FAILED(hr) || !m_lastInserted || m_lastInserted->Parent() != node) {
                QApplication::beep();
                break;
            }
            child = m_lastInserted;
        }
        if (d < t - 1 || (m_list && m_list->HasOption(ptsloHideFoldersWhenLinkedToTree)))
            child->Expand(false);
        node = child;
    }
    SetSelected(node);
    node->MakeVisible();
}

void TPTCustomShellTree::SetBaseFolder(const TPTShellLocator* folder)
{
    if (Loading())
        return;
    m_baseFolder->Assign(folder);
}

void TPTCustomShellTree::BaseFolderChanged()
{
    if (Loading())
        return;
    m_selectedFolder->Clear();
    if (HasOption(ptstoAutoFill)) {
        m_immediate = true;
        FillItems();
    }
}

void TPTCustomShellTree::SetShellList(TPTCustomShellList* list)
{
    if (list == m_list)
        return;
    if (m_list)
        m_list->SetShellTree(nullptr);
    m_list = list;
    if (!list)
        return;
    list->SetShellTree(this);
    list->SetFolder(m_selectedFolder.get());
}

TPTCustomShellCombo* TPTCustomShellTree::ShellCombo() const { return m_combo; }

void TPTCustomShellTree::SetShellCombo(TPTCustomShellCombo* combo) { m_combo = combo; }

void TPTCustomShellTree::SetOptions(TPTShellTreeOptions options)
{
    const TPTShellTreeOptions changed = m_options ^ options;
    m_options = options;
    ApplyDragDropOptions();
    if (Loading() || !HandleAllocated())
        return;
    if (changed & ShellTreeOption(ptstoDynamicRefresh))
        InstallChangeHandlersForAllLocalDrives();
    if (changed
        & (ShellTreeOption(ptstoShowHidden) | ShellTreeOption(ptstoIncludeNonFolders)
            | ShellTreeOption(ptstoVirtualFolders)))
        FillItems();
}

// ---- Window, messages, devices

void TPTCustomShellTree::CreateWnd()
{
    ApplyDragDropOptions();
    TPTCustomTreeView::CreateWnd();
    if (Loading())
        return;
    if (HasOption(ptstoAutoFill) && Items().Count() == 0)
        framework::PostMessage(this, AM_DEFERREDFILL);
    if (m_list)
        m_list->SetFolder(m_selectedFolder.get());
}

void TPTCustomShellTree::Loaded()
{
    if (!HasOption(ptstoAutoFill) || m_combo)
        return;
    if (Items().Count() == 0)
        FillItems();
    if (m_list)
        m_list->SetFolder(m_selectedFolder.get());
}

bool TPTCustomShellTree::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case AM_CHANGENOTIFY:
        framework::Guarded([this] { AMChangeNotify(); });
        return true;
    case AM_DEFERREDFILL:
        framework::Guarded([this] { AMDeferredFill(); });
        return true;
    default:
        return TPTCustomTreeView::event(event);
    }
}

void TPTCustomShellTree::AMDeferredFill()
{
    if (Items().Count() == 0)
        FillItems();
}

void TPTCustomShellTree::AMChangeNotify()
{
    if (m_ignoreNextNotify || m_busy) {
        m_ignoreNextNotify = false;
        return;
    }
    RestartChangeTimer(*m_notifyTimer, m_burst,
        hasFocus() ? PTSH_CHANGE_NOTIFY_FASTDELAY : PTSH_CHANGE_NOTIFY_DELAY);
}

void TPTCustomShellTree::NotifyTimerElapsed()
{
    m_notifyTimer->SetEnabled(false);
    // Only the levels whose watches saw a change are read again.
    const TChangedWatches changed = m_watches->TakeChanged();
    RefreshLevels(&changed);
}

int TPTCustomShellTree::InstallChangeHandler(const std::string& path)
{
    if (path.empty())
        return -1;
    // Folder names always; file names too where the tree shows files. A folder that cannot be
    // watched is simply not refreshed by itself.
    DWORD filter = FILE_NOTIFY_CHANGE_DIR_NAME;
    if (HasOption(ptstoIncludeNonFolders))
        filter |= FILE_NOTIFY_CHANGE_FILE_NAME;
    return m_watches->Watch(path, filter);
}

void TPTCustomShellTree::WatchNode(TPTShTreeData& shData)
{
    if (!HasOption(ptstoDynamicRefresh) || shData.WatchSlot >= 0)
        return;
    shData.WatchSlot = InstallChangeHandler(shData.GetPathName());
}

void TPTCustomShellTree::InstallChangeHandlersForAllLocalDrives()
{
    m_watches->UnwatchAll();
    std::function<void(TTreeNode*)> watch = [&](TTreeNode* node) {
        for (; node; node = node->GetNextSibling()) {
            TPTShTreeData* shData = GetDataFromNode(node);
            if (!shData)
                continue;
            shData->WatchSlot = -1;
            if (node->Count() > 0)
                WatchNode(*shData);
            watch(node->GetFirstChild());
        }
    };
    watch(Items().GetFirstNode());
}

void TPTCustomShellTree::DeviceChangeDetected(TPTDeviceChangeHandler*, TMessage& message)
{
    if (message.WParam != DBT_DEVICEARRIVAL && message.WParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    FlushDriveInfoCache();
    LockFlushDriveInfoCache();
    const framework::TAtScopeEnd unlock([] { UnlockFlushDriveInfoCache(); });
    RefreshNodes();
}

// ---- Events and drawing

void TPTCustomShellTree::FillStart()
{
    if (OnFillStart)
        OnFillStart(this);
}

void TPTCustomShellTree::FillComplete()
{
    if (OnFillComplete)
        OnFillComplete(this);
}

std::unique_ptr<TPTCustomDraw> TPTCustomShellTree::PTCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    std::unique_ptr<TPTCustomDraw> draw = TPTCustomTreeView::PTCustomDraw(record, result);
    if (OnCustomDrawSh || OnCustomDrawShEx) {
        if (!draw)
            draw = CreateCustomDraw(record, result);
        TTreeNode* node
            = (record.dwDrawStage & CDDS_ITEM) ? Items().GetNode(record.dwItemSpec) : nullptr;
        PTCustomDrawSh(draw.get(), node, GetDataFromNode(node));
        draw->Apply();
    }
    if (record.dwDrawStage & CDDS_PREPAINT)
        result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

void TPTCustomShellTree::PTCustomDrawSh(TPTCustomDraw* draw, TTreeNode* node, TPTShTreeData* shData)
{
    if (OnCustomDrawShEx)
        OnCustomDrawShEx(this, draw, node, shData);
    if (OnCustomDrawSh && draw->DrawStage() == ptcdsItemPrePaint)
        OnCustomDrawSh(this, draw, node, shData);
}

} // namespace sondrel::shell
