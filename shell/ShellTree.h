#pragma once
// TPTCustomShellTree: a tree over the shell namespace. Its root is a base folder (the desktop
// unless set otherwise), its nodes are folders (files too with ptstoIncludeNonFolders), and a
// node's children are enumerated when it is first expanded. The selected node decides the
// folder of a linked shell list and of a linked folder combo: a click moves them at once, the
// keyboard after PTSH_TREE_KEY_UPDATE_DELAY, so that arrowing through a tree does not fill the
// list for every folder passed. RefreshNodes brings every filled level in line with the
// namespace by difference, keeping what stayed. TPTShellTree publishes it.
//
// GUI thread only. The tree owns its nodes' data, its locators and timers; the system image
// list and the linked controls are borrowed (a linked control that goes is forgotten).

#include "ChangeWatchPool.h"
#include "DeviceChangeHandler.h"
#include "ImageList.h"
#include "PTCustomTreeView.h"
#include "ShTreeData.h"
#include "ShellDragDrop.h"
#include "ShellList.h"
#include "ShellLocator.h"
#include "Timer.h"

#include <QElapsedTimer>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>

namespace sondrel::shell {

class TPTCustomShellCombo;

enum TPTShellTreeOption {
    ptstoAutoFill,
    ptstoVirtualFolders,
    ptstoDesignInteractive,
    ptstoDefaultKeyHandling,
    ptstoContextMenus,
    ptstoDynamicRefresh,
    ptstoIncludeNonFolders,
    ptstoOleDrag,
    ptstoOleDrop,
    ptstoShowHidden,
};

// A set of options, bit n for the n-th value.
using TPTShellTreeOptions = std::uint16_t;
[[nodiscard]] constexpr TPTShellTreeOptions ShellTreeOption(TPTShellTreeOption option)
{
    return static_cast<TPTShellTreeOptions>(1u << option);
}
inline constexpr TPTShellTreeOptions kDefaultShellTreeOptions = 0x3BB;

// The delay before a selection made with the keyboard reaches the linked list.
inline constexpr int PTSH_TREE_KEY_UPDATE_DELAY = 500;
// Drag and drop over the tree: how long (and how still) the pointer hovers before a collapsed
// node opens.
inline int PTSH_AUTOOPEN_DELAY_MS = 400;
inline int PTSH_AUTOOPEN_THRESHOLD_X = 2;
inline int PTSH_AUTOOPEN_THRESHOLD_Y = 2;

using TPTShTreeInsertItemEvent = std::function<void(
    framework::TObject* aSender, framework::TTreeNode* aNode, TPTShTreeData* aShTreeData)>;
using TPTShTreeDeleteItemEvent = std::function<void(
    framework::TObject* aSender, framework::TTreeNode* aNode, TPTShTreeData* aShTreeData)>;
using TPTShTvCustomDrawEvent = std::function<void(framework::TObject* aSender, TPTCustomDraw* aCD,
    framework::TTreeNode* aNode, TPTShTreeData* aData)>;

class TPTCustomShellTree : public TPTCustomTreeView, public TPTShellListLink
{
    Q_OBJECT

public:
    explicit TPTCustomShellTree(QWidget* parent = nullptr);
    ~TPTCustomShellTree() override;

    // Rebuilds the tree from the base folder.
    void FillItems();
    // Brings every filled level in line with the namespace, keeping what stayed.
    void RefreshNodes();
    // Selects the ancestor `levels` up (stopping at the root).
    void GoUp(int levels);
    // Runs a pending deferred update now; with `all`, the linked list and combo too.
    void Synchronize(bool all);
    [[nodiscard]] framework::TTreeNode* FindNodeWithIdList(
        framework::TTreeNode* parent, PCItemIDList relative);
    // Orders a node's children by its folder (not recursive); null: the whole tree.
    void SortNode(framework::TTreeNode* node);
    [[nodiscard]] framework::TTreeNode* GetFirstRootLevelShellNode() const;
    [[nodiscard]] TPTShTreeData* GetDataFromNode(const framework::TTreeNode* node) const;
    [[nodiscard]] bool NodeHasData(const framework::TTreeNode* node) const;
    // The data of the node at `index` in the whole tree's order; null for none.
    [[nodiscard]] TPTShTreeData* GetShTreeData(int index) const;

    [[nodiscard]] TPTShellLocator& BaseFolder() { return *m_baseFolder; }
    void SetBaseFolder(const TPTShellLocator* folder);
    // The folder of the selected node; setting it selects that folder.
    [[nodiscard]] TPTShellLocator& SelectedFolder() { return *m_selectedFolder; }
    void SetSelectedFolder(const TPTShellLocator* folder);
    [[nodiscard]] std::string SelectedPathName();
    void SetSelectedPathName(const std::string& path);
    [[nodiscard]] TPTShTreeData* SelectedItem() const;

    [[nodiscard]] TPTCustomShellList* ShellList() const { return m_list; }
    void SetShellList(TPTCustomShellList* list);
    [[nodiscard]] TPTCustomShellCombo* ShellCombo() const;
    void SetShellCombo(TPTCustomShellCombo* combo);

    [[nodiscard]] TPTShellTreeOptions Options() const { return m_options; }
    void SetOptions(TPTShellTreeOptions options);
    [[nodiscard]] bool HasOption(TPTShellTreeOption option) const
    {
        return (m_options & ShellTreeOption(option)) != 0;
    }
    [[nodiscard]] bool Busy() const { return m_busy; }
    [[nodiscard]] bool RefreshPending() const { return m_refreshPending; }
    // A keyboard selection waits to reach the linked controls.
    [[nodiscard]] bool UpdatePending() const { return m_keyTimer->Enabled(); }

    // Watching for changes: each filled folder node is watched on its own, not recursively
    // (the user's inotify watches are few and shared with every other program, and a subtree
    // watch of a whole drive would use them up). The change workers post AM_CHANGENOTIFY.
    // Watches `path`; the watch, or -1 when it cannot be watched.
    virtual int InstallChangeHandler(const std::string& path);
    // Watches every filled node again (or none, with ptstoDynamicRefresh off).
    void InstallChangeHandlersForAllLocalDrives();

    // The end of loading from a form description.
    Q_INVOKABLE void Loaded();

    // Commands. A new folder in the selected node's folder, whose node goes into editing once
    // the tree has caught up with it (false when the node has no folder on disk or none could
    // be made).
    bool CreateNewFolder();
    // Runs a verb of the node's context menu, then refreshes; 1 for a node without a parent.
    HRESULT DoCommandForNode(framework::TTreeNode* node, const std::string& verb);
    // The shell's menu of a node at `pos` (viewport coordinates).
    void ProcessMenu(framework::TTreeNode* node, framework::TPoint pos);
    // Sends the node's item to Send To entry `index`.
    void ProcessSendTo(framework::TTreeNode* node, int index);
    // The effects (copy 1, move 2, link 4) the node's folder grants it; all three when it has
    // no shell data or the folder cannot say.
    [[nodiscard]] win32::DWORD GetDragDropAttributesForNode(framework::TTreeNode* node);
    // The node drawn as the drop target, or null.
    [[nodiscard]] framework::TTreeNode* DropHighlighted() const { return m_dropHighlight; }
    // A new folder waits for the tree to catch up before its node is edited.
    [[nodiscard]] bool NewFolderPending() const { return m_newFolderTimer->Enabled(); }
    [[nodiscard]] int NewFolderDelay() const { return m_newFolderTimer->Interval(); }

    TPTShAddItemEvent OnAddItem;
    TPTShTreeInsertItemEvent OnInsertItem;
    TPTShTreeDeleteItemEvent OnDeleteItem;
    TPTShPopupHintEvent OnPopupHint;
    TPTShTvCustomDrawEvent OnCustomDrawSh;
    TPTShTvCustomDrawEvent OnCustomDrawShEx;
    framework::TNotifyEvent OnFillStart;
    framework::TNotifyEvent OnFillComplete;

    // TPTShellListLink
    [[nodiscard]] QObject* LinkObject() override { return this; }
    [[nodiscard]] TPTShellLocator& LinkFolder() override { return *m_selectedFolder; }
    void LinkSelectIdList(PCItemIDList pidl) override;
    void LinkGoUp(int levels) override { GoUp(levels); }
    void LinkSynchronize(bool all) override { Synchronize(all); }
    [[nodiscard]] PCItemIDList LinkNodeIdList(framework::TTreeNode* node) override;

protected:
    // Enumerates `folder` under `node`; without a node the root node is made first.
    virtual void FillTree(IShellFolder_NRC* folder, framework::TTreeNode* node);
    virtual HRESULT AddNewShellNode(IShellFolder_NRC* parentFolder, PCItemIDList parentAbsolute,
        PCItemIDList relative, framework::TTreeNode* parentNode);
    virtual bool CanAdd(IShellFolder_NRC* parentFolder, PCItemIDList parentAbsolute,
        std::uint32_t attributes, PCItemIDList relative);
    // Fills a node that has the expand button but no children yet.
    virtual void ExpandNode(framework::TTreeNode* node);
    virtual void DoSetSelectedIdList(PCItemIDList pidl);
    virtual void DeviceChangeDetected(TPTDeviceChangeHandler* sender, TMessage& message);
    virtual void PTCustomDrawSh(
        TPTCustomDraw* draw, framework::TTreeNode* node, TPTShTreeData* data);
    virtual void FillStart();
    virtual void FillComplete();

    // framework
    bool CanExpand(framework::TTreeNode* node) override;
    void Change(framework::TTreeNode* node) override;
    void Delete(framework::TTreeNode* node) override;
    void GetImageIndex(framework::TTreeNode* node) override;
    void GetSelectedIndex(framework::TTreeNode* node) override;
    void CreateWnd() override;
    std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result) override;
    bool CanEdit(framework::TTreeNode* node) override;
    void Edit(framework::TTreeNode* node, QString text) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void NodeContextMenu(framework::TTreeNode* node, framework::TPoint& pos, QMenu*& menu) override;

    // Qt
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    friend class TPTShTreeData;

    [[nodiscard]] TPTDeviceChangeEvent DeviceChangeSubscription();
    void BaseFolderChanged();
    void SelectedFolderChanged();
    // The selection reaches the locator, the linked list and the combo.
    void PropagateSelection(framework::TTreeNode* node);
    void KeyTimerElapsed();
    void NotifyTimerElapsed();
    void AMChangeNotify();
    void AMDeferredFill();
    // Refreshes the filled levels whose watches saw a change (every filled level for null),
    // keeping the selection where it stayed.
    void RefreshLevels(const TChangedWatches* changed);
    void RefreshNode(framework::TTreeNode* node, framework::TTreeNode*& remembered,
        const TChangedWatches* changed);
    void DeleteAllNodes();
    void LookUpImages(framework::TTreeNode& node, TPTShTreeData& data);
    [[nodiscard]] win32::SHCONTF EnumFlags() const;
    [[nodiscard]] win32::HWND OwnerWindow();
    [[nodiscard]] bool Loading() const;
    // A label edit, a menu or a drag is under way: fills wait for its end.
    [[nodiscard]] bool Occupied() const;

    // Watches the folder of a node that is about to be filled.
    void WatchNode(TPTShTreeData& data);
    void NewFolderTimerElapsed();
    // Drag and drop: the options applied, the effect of a step over the node at `point`, and
    // what a drag at `point` does by staying: autoscroll and the hover that opens a collapsed node.
    void ApplyDragDropOptions();
    win32::DWORD DropStep(QPoint point, win32::DWORD keyState, win32::DWORD offered, bool dropping);
    void DragRests(QPoint point);
    void AutoOpen(QPoint point);
    void SetDropHighlight(framework::TTreeNode* node);
    // Forgets the cached lists and folders of every node below `node`.
    void FlushDescendants(framework::TTreeNode* node);

    std::unique_ptr<TPTShellLocator> m_baseFolder;
    std::unique_ptr<TPTShellLocator> m_selectedFolder;
    TPTShellTreeOptions m_options = kDefaultShellTreeOptions;
    // Two timers: a change arriving during the key delay must not cancel the list's update,
    // nor a key the refresh.
    framework::TTimer* m_keyTimer;
    framework::TTimer* m_notifyTimer;
    QElapsedTimer m_burst; // since the first change the notify timer waits to refresh
    // The wait before a new folder's node is edited, and the folder's name.
    framework::TTimer* m_newFolderTimer;
    std::string m_newFolderName;
    // The drag over the tree: its files (read once), the key state it entered with, the last
    // autoscroll, and where and since when the pointer hovers.
    Held<IDataObject_NRC> m_dropData;
    win32::DWORD m_dropKeyState = 0;
    QElapsedTimer m_lastAutoScroll;
    QString m_editName; // the for-editing name of the node whose editing starts
    QPoint m_hoverPoint;
    QElapsedTimer m_hoverTime;
    win32::DWORD m_dropOffered = 0; // the effects the drag in progress offers
    TDragHover m_dragHover { [this](QPoint pos, win32::DWORD keyState) {
        (void)DropStep(pos, keyState, m_dropOffered, false);
        DragRests(pos);
    } };
    framework::TTreeNode* m_dropHighlight = nullptr;
    framework::TImageList* m_images;
    std::unique_ptr<TChangeWatchPool> m_watches;
    QPointer<TPTCustomShellList> m_list;
    QPointer<TPTCustomShellCombo> m_combo;
    int m_suppress = 0;
    bool m_immediate = false;
    bool m_refreshPending = false;
    bool m_busy = false;
    bool m_ignoreNextNotify = false;
    framework::TTreeNode* m_lastInserted = nullptr;
    // Every data object the tree attached, so that a node's data can be told from others'.
    std::unordered_set<const void*> m_ownData;
};

// The same tree with its properties and events published.
class TPTShellTree : public TPTCustomShellTree
{
    Q_OBJECT
    Q_PROPERTY(uint Options READ PublishedOptions WRITE SetPublishedOptions)
    Q_PROPERTY(int Indent READ indentation WRITE setIndentation)

public:
    using TPTCustomShellTree::TPTCustomShellTree;

    [[nodiscard]] uint PublishedOptions() const { return Options(); }
    void SetPublishedOptions(uint options)
    {
        SetOptions(static_cast<TPTShellTreeOptions>(options));
    }

    using TPTCustomShellTree::OnNodeContextMenu;
};

} // namespace sondrel::shell
