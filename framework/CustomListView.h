#pragma once
// The list view the stream list and the shell list stand on: a report view of TListItems with
// columns, small and state images, in-place caption editing, sorting, and the list events.
//
// Event rules, the same for every list: a changed selection fires the deselection of the old
// item before the selection of the new one; ItemIndex is the first selected item after every
// single change (so -1 inside the deselection of a single-selection list); deleting or clearing
// fires OnDeletion once per item and no selection events; the display-info query never runs
// while an item is being deleted. Subclasses change behaviour through the virtual hooks, as the
// events' own users change it through the events.
//
// GUI thread only. The view owns its items and columns; the image lists belong to the form. A
// subclass that overrides Delete clears the items in its own destructor, since the base class's
// destructor can only reach its own Delete.

#include "Events.h"
#include "ImageList.h"
#include "ItemImages.h"
#include "ListColumns.h"
#include "ListItems.h"

#include <QIcon>
#include <QTreeView>

#include <cstdint>

namespace sondrel::framework {

// What the view asks of an item when it shows it.
struct TLVDispInfo
{
    static constexpr unsigned lvifText = 1;
    static constexpr unsigned lvifImage = 2;

    unsigned Mask = 0;
    int Column = 0;
    QString Text;
    int Image = -1;
};

class TCustomListView : public QTreeView, private TListColumnsObserver
{
    Q_OBJECT

public:
    explicit TCustomListView(QWidget* parent = nullptr);
    ~TCustomListView() override;

    [[nodiscard]] TListItems& Items() const { return *m_items; }
    [[nodiscard]] TListColumns& Columns() { return m_columns; }

    [[nodiscard]] TImageList* SmallImages() const { return m_itemImages.Images(); }
    void SetSmallImages(TImageList* images);
    [[nodiscard]] TImageList* StateImages() const { return m_itemImages.StateImages(); }
    void SetStateImages(TImageList* images);

    [[nodiscard]] bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    [[nodiscard]] bool MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool multiSelect);
    [[nodiscard]] bool ShowColumnHeaders() const;
    void SetShowColumnHeaders(bool show);
    // Whether an item's tip is part of its accessible name ("CAPTION, TIP") rather than its
    // accessible description: where the tip says what only the icon shows to the eye.
    [[nodiscard]] bool TipInAccessibleName() const { return m_tipInAccessibleName; }
    void SetTipInAccessibleName(bool inName) { m_tipInAccessibleName = inName; }

    // The first selected item's index, or -1.
    [[nodiscard]] int ItemIndex() const;
    void SetItemIndex(int index);
    [[nodiscard]] TListItem* Selected() const;
    // Selects `item` alone; null clears the selection.
    void SetSelected(TListItem* item);
    [[nodiscard]] int SelCount() const { return m_selCount; }
    [[nodiscard]] TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    void ClearSelection();
    [[nodiscard]] TListItem* GetItemAt(int x, int y) const;

    // Sorts through OnCompare when it is assigned, else by caption in the user's locale.
    bool AlphaSort();
    // Sorts by `compare`; a null one means the sort of AlphaSort.
    bool CustomSort(const TLVCompare& compare, std::intptr_t lParam);

    TLVDeletedEvent OnInsert;
    TLVDeletedEvent OnDeletion;
    TLVSelectItemEvent OnSelectItem;
    TLVChangeEvent OnChange;
    TLVCompareEvent OnCompare;
    TLVColumnClickEvent OnColumnClick;
    TLVInfoTipEvent OnInfoTip;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TKeyEvent OnKeyDown;

protected:
    // An item entered the list; fires OnInsert.
    virtual void InsertItem(TListItem* item);
    // An item is about to leave the list; fires OnDeletion.
    virtual void Delete(TListItem* item);
    virtual void ColClick(TListColumn* column);
    // May the caption be edited? Fires OnEditing.
    virtual bool CanEdit(TListItem* item);
    // An edit ended with `text`; fires OnEdited, then sets the caption to what it left.
    virtual void Edit(TListItem* item, QString text);
    // A key went down; a handler that sets `key` to 0 takes it. Fires OnKeyDown.
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // The text and image the view shows for one column of an item; by default what the item
    // holds. Called from the model on demand.
    virtual void GetDispInfo(TListItem& item, TLVDispInfo& info);
    virtual void Change(TListItem* item, TItemChange change);
    virtual void DoSelectItem(TListItem* item, bool selected);
    // The tool tip of an item; fires OnInfoTip.
    virtual QString InfoTip(TListItem* item);

    // Puts a header of the subclass's own in place of the standard one; the view takes it.
    void SetHeaderControl(QHeaderView* header);

    // Qt
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TListItems;
    friend class TListItem;

    // TListColumnsObserver
    void ColumnInserting(int index) override;
    void ColumnInserted(int index) override;
    void ColumnRemoving(int index) override;
    void ColumnRemoved(int index) override;
    void ColumnChanged(int index) override;

    void ConnectHeader();
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void SyncSelection();
    void SectionResized(int section, int oldSize, int newSize);
    void UpdateIconSize();
    [[nodiscard]] QIcon ItemIcon(TListItem& item);
    [[nodiscard]] QVariant ItemData(TListItem& item, int column, int role);
    [[nodiscard]] QString AccessibleName(TListItem& item, int column);
    void SetItemSelected(TListItem& item, bool selected);
    // Items leave the list: their selection goes without an event.
    void Forget(TListItem& item);
    void ForgetAll();
    [[nodiscard]] static Qt::Alignment QtAlignment(TAlignment alignment);
    [[nodiscard]] int DefaultCompare(TListItem* a, TListItem* b, std::intptr_t lParam);
    [[nodiscard]] bool Deleting() const { return m_deleting > 0; }

    TListItems* m_items; // a child QObject, so that the view's own destructor still sees it
    TListColumns m_columns;
    TItemImages m_itemImages;
    bool m_readOnly = false;
    bool m_multiSelect = false;
    bool m_tipInAccessibleName = false;
    int m_selCount = 0;
    int m_deleting = 0;
    bool m_syncingHeader = false;
};

} // namespace sondrel::framework
