#pragma once
// TPTCustomShellList: a list view showing the items of one folder of the shell namespace, one
// list item per shell item, with the system's icons and overlays, the folder's detail columns,
// sorting, renaming, keyboard commands, opening of items and refresh. TPTShellList publishes it.
//
// Filling. FillItems rebuilds the list from the folder: every old item is deleted (OnDeleteItem,
// then OnDeletion), OnFillStart fires, the folder is enumerated, each item passes ShouldInclude
// (the built-in tests, the file filter, then OnAddItem) and is added (OnInsert sees its data and
// empty sub-items, but an empty caption), OnFillComplete fires, the list is sorted, and after a
// folder change OnFolderChanged fires. RefreshItems compares the folder with the list instead:
// items that stayed keep selection, focus, position and texts; new ones are appended unsorted.
// Texts and icons are computed only for rows the view shows (GetDispInfo) and cached per item.
//
// A linked tree or combo decides the folder; the list then follows it. Fills asked for while the
// list is busy (its own drag or one-item menu) or while a label is edited are remembered and run
// as a refresh when that ends.
//
// GUI thread only. The list owns its items' data, its locator, timer and image lists; the
// system image list and the linked controls are borrowed.

#include "ChangeHandlerThread.h"
#include "DataObjects.h"
#include "DeviceChangeHandler.h"
#include "ImageList.h"
#include "PTCustomListView.h"
#include "ShListData.h"
#include "ShellDragDrop.h"
#include "ShellHeld.h"
#include "ShellLocator.h"
#include "Timer.h"
#include "UPTShellUtils.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace sondrel::framework {
class TTreeNode;
}

namespace sondrel::shell {

enum TPTShellListOption {
    ptsloAutoFill,
    ptsloNonFilesystemAncestors,
    ptsloDesignInteractive,
    ptsloDefaultKeyHandling,
    ptsloContextMenus,
    ptsloDontChangeFolder,
    ptsloDontGoBelowBase,
    ptsloDynamicRefresh,
    ptsloHideFoldersWhenLinkedToTree,
    ptsloOleDrag,
    ptsloOleDrop,
    ptsloFolderContextMenu,
    ptsloShowHidden,
};

// A set of options, bit n for the n-th value.
using TPTShellListOptions = std::uint16_t;
[[nodiscard]] constexpr TPTShellListOptions ShellListOption(TPTShellListOption option)
{
    return static_cast<TPTShellListOptions>(1u << option);
}
inline constexpr TPTShellListOptions kDefaultShellListOptions = 0x1E9B;

enum TPTCustomShellList_LCS { lcsNone, lcsShellDetails, lcsDefault };

// Private messages of the list.
inline constexpr int AM_CHANGENOTIFY = framework::WM_USER + 101;
inline constexpr int AM_DEFERREDEDIT = framework::WM_USER + 102;
inline constexpr int AM_DEFERREDFILL = framework::WM_USER + 103;

// Refresh delays after a change notification, with and without the focus.
inline constexpr int PTSH_CHANGE_NOTIFY_FASTDELAY = 400;
inline constexpr int PTSH_CHANGE_NOTIFY_DELAY = 2000;

class TPTCustomShellList;

using TPTShAddItemEvent = std::function<void(framework::TObject* aSender,
    IShellFolder_NRC* aParentIShf, PCItemIDList aParentAbsIdList, PCItemIDList aItemRelIdList,
    std::uint32_t aAttribs, std::int32_t& afAllowAdd)>;
using TPTShListDeleteItemEvent = std::function<void(
    framework::TObject* aSender, framework::TListItem* aNode, TPTShListData* aShListData)>;
using TPTShPopupHintEvent
    = std::function<void(framework::TObject* aSender, const std::string& hint)>;
using TPTShDblClickOpenEvent = std::function<void(framework::TObject* aSender, bool& afHandled)>;
using TPTShLvCustomDrawEvent = std::function<void(framework::TObject* aSender, TPTCustomDraw* aCD,
    framework::TListItem* aItem, TPTShListData* aData)>;

// What the list asks of a linked shell tree or folder combo, which implement it.
class TPTShellListLink
{
public:
    // The control, so that the list notices when it goes.
    [[nodiscard]] virtual QObject* LinkObject() = 0;
    // The locator that decides the folder the list shows.
    [[nodiscard]] virtual TPTShellLocator& LinkFolder() = 0;
    // Show `pidl` as the selected folder (the tree selects its node, the combo its entry).
    virtual void LinkSelectIdList(PCItemIDList pidl) = 0;
    virtual void LinkGoUp(int levels) = 0;
    virtual void LinkSynchronize(bool all) = 0;
    // The absolute list of a tree node that stands for a shell folder and is selected, or null.
    [[nodiscard]] virtual PCItemIDList LinkNodeIdList(framework::TTreeNode* node) = 0;

protected:
    ~TPTShellListLink() = default;
};

// An object taken for one class is of another.
class EInvalidCast : public std::runtime_error
{
public:
    EInvalidCast()
        : std::runtime_error("Invalid class typecast")
    {
    }
};

// The folder a list shows: its absolute list, its interface and its details, made current and
// given back as one.
struct TShellListFolder
{
    HeldPidl IdList;
    Held<IShellFolder_NRC> Interface;
    Held<IShellDetails_NRC> Details;
    bool DetailsAsked = false;

    void Swap(TShellListFolder& other) noexcept
    {
        IdList.Swap(other.IdList);
        Interface.Swap(other.Interface);
        Details.Swap(other.Details);
        std::swap(DetailsAsked, other.DetailsAsked);
    }
};

class TPTCustomShellList : public TPTCustomListView
{
    Q_OBJECT

public:
    explicit TPTCustomShellList(QWidget* parent = nullptr);
    ~TPTCustomShellList() override;

    // Rebuilds the list from the folder.
    void FillItems();
    // Brings the list up to date with the folder without rebuilding it.
    void RefreshItems();
    void GoUp(int levels);
    void OpenItem(framework::TListItem* item);
    void OpenSelectedItems();
    bool CreateNewFolder(bool edit);
    void SelectAll();
    [[nodiscard]] int ShellSelCount() const;
    [[nodiscard]] TPTShListData* GetSelectedItem() const;
    // The data of item `index`: null for none, EInvalidCast for data of another kind.
    [[nodiscard]] TPTShListData* GetShListData(int index) const;
    [[nodiscard]] TPTShListData* GetDataFromItem(const framework::TListItem* item) const;
    [[nodiscard]] bool ItemHasData(const framework::TListItem* item) const;
    void Synchronize(bool all);
    void SetShellTree(TPTShellListLink* tree);
    void SetShellCombo(TPTShellListLink* combo);
    void TreeChanged(framework::TTreeNode* node);
    [[nodiscard]] bool IsFolderNetworkShare();

    // Columns and sorting.
    void SetSortColumn(int column);
    [[nodiscard]] int SortColumn() const { return m_sortColumn; }
    void SortList();
    void InitColumns(IShellDetails_NRC* details);
    [[nodiscard]] IShellDetails_NRC* GetCurrentFolderIShellDetails();
    [[nodiscard]] TPTCustomShellList_LCS ColumnMode() const { return m_columnMode; }

    void InitImageLists();
    // Whether the item may be listed; `attributes` is set to what the folder says of it.
    bool ShouldInclude(PCItemIDList absolute, PCItemIDList relative, std::uint32_t& attributes);
    // Adds an item for `relative` (taken over) when ShouldInclude agrees; else frees it.
    void AddNewShellItem(PCItemIDList absolute, PItemIDList relative);

    // Verbs of the items' context menus, run on the selection or the folder itself. On the
    // selection nothing happens where the namespace offers no menu for them; on the folder a
    // failed lookup or invocation raises EOleSysError, unless the command told the user itself
    // (E_REPORTED) or the user said no (E_ABORT). Nothing to paste is no failure.
    void DoCommandForAllSelected(const std::string& verb);
    void DoCommandForFolder(const std::string& verb);
    void DoCommandForItem(framework::TListItem* item, const std::string& verb);
    // The namespace's object `riid` of one item or of the selected items (one reference for the
    // caller): E_INVALIDARG for an item without data, E_FAIL when none is selected.
    HRESULT GetUIObjectForItem(framework::TListItem* item, win32::REFIID riid, void** object);
    HRESULT GetUIObjectForAllSelected(win32::REFIID riid, void** object);

    // The shell's context menu of the selected items, or of one item, at `pos` (viewport
    // coordinates): its command runs, rename starts editing the focused caption, a Send To entry
    // gets the items. The list is busy while the menu lives; a refresh asked for meanwhile runs
    // when it ends.
    void ProcessMenuForAllSelected(framework::TPoint pos);
    void ProcessMenu(framework::TListItem* item, framework::TPoint pos);
    // Sends the selected items to Send To entry `index`.
    void ProcessSendTo(int index);

    // Drag and drop. The effects (copy 1, move 2, link 4) the folder allows for an item or for
    // the selected items (0 when none carries data).
    [[nodiscard]] win32::DWORD GetDragDropAttributesForItem(framework::TListItem* item);
    [[nodiscard]] win32::DWORD GetDragDropAttributesForAllSelected();
    // A new data object of the selected items that carry data (no reference taken yet).
    [[nodiscard]] TPTShellDataObject* NewSelectionDataObject() const;
    // Drags the selected items out; the list is busy meanwhile and refreshes after a drop.
    void OleBeginDrag(Qt::MouseButton button);
    // The steps of a drag over the list (`point` in viewport coordinates): the target is the
    // item there when it takes drops, else the folder shown; the list's own items over its
    // own empty space are refused with the left button and offered as a copy with the right.
    virtual HRESULT OnDropTarget_DragEnter(
        IDataObject_NRC* offer, win32::DWORD keyState, QPoint point, win32::DWORD* effect);
    virtual HRESULT OnDropTarget_DragOver(
        win32::DWORD keyState, QPoint point, win32::DWORD* effect);
    virtual HRESULT OnDropTarget_DragLeave();
    virtual HRESULT OnDropTarget_Drop(
        IDataObject_NRC* offer, win32::DWORD keyState, QPoint point, win32::DWORD* effect);
    // The item drawn as the drop target, or null.
    [[nodiscard]] framework::TListItem* DropHighlighted() const { return m_dropHighlight; }

    [[nodiscard]] TPTShellLocator& Folder() { return *m_folder; }
    void SetFolder(const TPTShellLocator* folder);
    [[nodiscard]] bool IsFolderStored() const { return !m_tree && !m_combo; }
    [[nodiscard]] TPTShellListOptions Options() const { return m_options; }
    void SetOptions(TPTShellListOptions options);
    [[nodiscard]] bool HasOption(TPTShellListOption option) const
    {
        return (m_options & ShellListOption(option)) != 0;
    }
    [[nodiscard]] const std::string& FileFilter() const { return m_fileFilter; }
    void SetFileFilter(const std::string& filter);

    // The folder shown, as last filled (owned by the list), and its interface.
    [[nodiscard]] PCItemIDList CurrentFolderIdList() const { return m_current.IdList.Get(); }
    [[nodiscard]] IShellFolder_NRC* CurrentFolder() const { return m_current.Interface.Get(); }
    [[nodiscard]] bool Busy() const { return m_busy; }
    // A caption is being edited in place.
    [[nodiscard]] bool IsEditing() const;
    [[nodiscard]] bool RefreshPending() const { return m_refreshPending; }
    [[nodiscard]] bool RefreshTimerRunning() const { return m_timer->Enabled(); }
    [[nodiscard]] int RefreshTimerInterval() const { return m_timer->Interval(); }
    // The list changed the disk itself and has not yet heard the notification of it.
    [[nodiscard]] bool OwnChangePending() const { return m_ownChange; }
    // The list's own image lists, showing the system's images.
    [[nodiscard]] framework::TImageList* SmallShellImages() const { return m_smallImages; }
    [[nodiscard]] framework::TImageList* LargeShellImages() const { return m_largeImages; }
    void SetAllocBy(int count);
    [[nodiscard]] int AllocBy() const { return m_allocBy; }

    // A form description's settings, and the end of loading from it.
    Q_INVOKABLE void Loaded();

    TPTShAddItemEvent OnAddItem;
    TPTShListDeleteItemEvent OnDeleteItem;
    TPTShPopupHintEvent OnPopupHint;
    TPTShDblClickOpenEvent OnDblClickOpen;
    TPTShLvCustomDrawEvent OnCustomDrawSh;
    TPTShLvCustomDrawEvent OnCustomDrawShEx;
    framework::TNotifyEvent OnFillStart;
    framework::TNotifyEvent OnFillComplete;
    framework::TNotifyEvent OnFolderChanged;

protected:
    // Overridable steps of filling.
    virtual std::int32_t CanAdd(IShellFolder_NRC* folder, PCItemIDList absolute,
        PCItemIDList relative, std::uint32_t attributes);
    virtual void DeviceChangeDetected(TPTDeviceChangeHandler* sender, TMessage& message);
    virtual void FillList(IShellFolder_NRC* folder, PCItemIDList absolute);
    virtual void FilterPreApply();
    virtual bool FilterApply(const std::string& name, std::uint32_t attributes);
    virtual void FilterPostApply();
    virtual void FillStart();
    virtual void FillComplete();
    virtual void FolderChanged();
    // Fires OnDblClickOpen; true when no handler took the opening.
    virtual bool DblClickOpen();
    virtual void PTCustomDrawSh(
        TPTCustomDraw* draw, framework::TListItem* item, TPTShListData* data);
    // Watches the folder shown for changes, which arrive as AM_CHANGENOTIFY.
    virtual void InstallChangeHandler();

    // Replaced handlers of the bases.
    void InsertItem(framework::TListItem* item) override;
    void Delete(framework::TListItem* item) override;
    void GetDispInfo(framework::TListItem& item, framework::TLVDispInfo& info) override;
    void ColClick(framework::TListColumn* column) override;
    bool CanEdit(framework::TListItem* item) override;
    void Edit(framework::TListItem* item, QString text) override;
    void ItemContextMenu(framework::TListItem* item, framework::TPoint& pos, QMenu*& menu) override;
    // The folder's own menu (the desktop's and Computer's: "Open disk image...").
    void BackgroundContextMenu(framework::TPoint pos) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    virtual void KeyPress(int& key);
    void CreateWnd() override;
    std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result) override;

    // Qt
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TPTShListData;

    // The drop target for a step at `point`: the item's, else the folder's; null with `effect`
    // decided when the step ends without one.
    Held<IDropTarget_NRC> DropTargetAt(QPoint point, win32::DWORD keyState, bool dropping,
        framework::TListItem*& item, bool& decided);
    void SetDropHighlight(framework::TListItem* item);
    // Turns the list's drag and drop on or off as the options say.
    void ApplyDragDropOptions();

    [[nodiscard]] TPTDeviceChangeEvent DeviceChangeSubscription();
    void HandleOnFolderChanged(TPTShellLocator* sender);
    void TimerElapsed(framework::TObject* sender);
    void AMChangeNotify();
    void AMDeferredEdit();
    void AMDeferredFill();
    // Deletes every item inside an update bracket, their data with them.
    void DeleteAllItems();
    // The end of a fill or refresh: the update bracket closes and OnFillComplete fires (also
    // when a failure is passing).
    void EndFill();
    // Writes `pidl` into the locator that rules the folder: the tree's, the combo's or our own.
    void NavigateTo(PCItemIDList pidl);
    // Opening a folder: the list empties and the ruling locator moves to `absolute`.
    void NavigateInto(PCItemIDList absolute);
    // The default command of the items' menu (relative lists of the current folder).
    void InvokeDefaultCommand(const std::vector<PCItemIDList>& items);
    // Runs `verb` (null: the default command) of the menu the folder offers for the items;
    // false when it offers none.
    bool InvokeVerb(
        IShellFolder_NRC* folder, const std::vector<PCItemIDList>& items, const char* verb);
    // The relative lists of the selected items that carry data, in the list's order.
    [[nodiscard]] std::vector<PCItemIDList> SelectedIdLists() const;
    // Builds, tracks and acts on the menu of `items` (copies, owned by the caller).
    void RunContextMenu(
        const std::vector<PCItemIDList>& items, framework::TPoint pos, bool canRename);
    // Keys the list keeps from the window around it: any while a label is edited, and Enter on
    // a folder.
    [[nodiscard]] bool WantsSpecialKey(const QKeyEvent& key);
    void AddItemFor(TPTShListData* data, std::uint32_t attributes, IShellDetails_NRC* details);
    void RebuildPatterns();
    [[nodiscard]] bool Loading() const;
    void RememberWidths();
    void DefaultColumns();
    void DetailsColumns(IShellDetails_NRC* details);
    void ApplyRememberedWidths();
    void ForgetCurrentFolder();
    // The shortcut a key makes, as the key table spells shortcuts.
    [[nodiscard]] static std::uint16_t ShortCutOf(int key, Qt::KeyboardModifiers shift);

    std::unique_ptr<TPTShellLocator> m_folder;
    TShellListFolder m_current;
    TPTShellListOptions m_options = kDefaultShellListOptions;
    std::string m_fileFilter;
    std::unique_ptr<QStringList> m_patterns;
    // The upper-case names of the files the filter lets through, during a fill.
    std::unique_ptr<std::set<std::string>> m_filterNames;
    framework::TTimer* m_timer;
    // Since the first change of the burst the timer is merging.
    QElapsedTimer m_burst;
    std::unique_ptr<TChangeHandlerThread> m_changeThread;
    TPTShellListLink* m_tree = nullptr;
    QPointer<QObject> m_treeObject;
    TPTShellListLink* m_combo = nullptr;
    QPointer<QObject> m_comboObject;
    int m_sortColumn = 1;
    int m_reentry = 0;
    bool m_ownChange = false;
    std::string m_pendingEditName;
    QString m_editName;
    bool m_busy = false;
    bool m_refreshPending = false;
    TPTShListData* m_pendingData = nullptr;
    std::uint32_t m_pendingAttributes = 0;
    IShellDetails_NRC* m_pendingDetails = nullptr;
    bool m_pendingHasDetails = false;
    TPTCustomShellList_LCS m_columnMode = lcsNone;
    bool m_saveWidths = false;
    bool m_sortSet = false;
    int m_allocBy = 256;
    framework::TImageList* m_smallImages;
    framework::TImageList* m_largeImages;
    // The incoming drag: its data (read once) and the key state it entered with.
    Held<IDataObject_NRC> m_dropData;
    win32::DWORD m_dropKeyState = 0;
    QElapsedTimer m_lastAutoScroll;
    win32::DWORD m_dropOffered = 0; // the effects the drag in progress offers
    TDragHover m_dragHover { [this](QPoint pos, win32::DWORD keyState) {
        win32::DWORD effect = m_dropOffered;
        (void)OnDropTarget_DragOver(keyState, pos, &effect);
    } };
    framework::TListItem* m_dropHighlight = nullptr;
    bool m_ownDrag = false;
    // Every data object the list attached, so that an item's data can be told from others'.
    std::unordered_set<const void*> m_ownData;
};

// The same list with its properties and events published.
class TPTShellList : public TPTCustomShellList
{
    Q_OBJECT
    Q_PROPERTY(uint Options READ PublishedOptions WRITE SetPublishedOptions)
    Q_PROPERTY(QString FileFilter READ PublishedFileFilter WRITE SetPublishedFileFilter)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

public:
    using TPTCustomShellList::TPTCustomShellList;

    [[nodiscard]] uint PublishedOptions() const { return Options(); }
    void SetPublishedOptions(uint options)
    {
        SetOptions(static_cast<TPTShellListOptions>(options));
    }
    [[nodiscard]] QString PublishedFileFilter() const
    {
        return QString::fromStdString(FileFilter());
    }
    void SetPublishedFileFilter(const QString& filter) { SetFileFilter(filter.toStdString()); }

    using TPTCustomShellList::HeaderSortDisplayMode;
    using TPTCustomShellList::OnItemContextMenu;
    using TPTCustomShellList::SetHeaderSortDisplayMode;
};

} // namespace sondrel::shell
