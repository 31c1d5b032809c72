#pragma once
// The items of one list view, and the item model the view shows. The view owns it; it owns its
// items. Texts and images are pulled from the view's display-info query when the view paints, so
// a list of 100,000 items costs only what is on screen. Items appended inside an update bracket
// reach the view together at its end. GUI thread only.

#include "ListItem.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace sondrel::framework {

class TCustomListView;

class TListItems : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit TListItems(TCustomListView& owner);
    ~TListItems() override;

    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    // Room for `count` items, so that adding that many allocates once.
    void Reserve(int count) { m_items.reserve(static_cast<std::size_t>(std::max(0, count))); }
    [[nodiscard]] TListItem* Item(int index) const;
    [[nodiscard]] TListItem* operator[](int index) const { return Item(index); }
    [[nodiscard]] TCustomListView& Owner() const { return m_view; }

    // A new empty item at the end, or at `index`.
    TListItem* Add();
    TListItem* Insert(int index);
    // Takes over an item prepared beforehand, so that the insertion event sees it whole.
    TListItem* AddItem(std::unique_ptr<TListItem> item, int index = -1);
    // Fires the deletion event for the item, then removes and destroys it.
    void Delete(int index);
    // Fires the deletion event for every item, first to last, then removes them all.
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    [[nodiscard]] bool Updating() const { return m_updateCount > 0; }

    // Orders the items by `compare` (stable: equal items keep their order).
    void Sort(const TLVCompare& compare, std::intptr_t data);
    // Puts the items in the order of `order`, which holds each of them once (a sort made
    // elsewhere, on keys of the caller's own); false, and nothing changes, when it does not.
    bool Arrange(const std::vector<TListItem*>& order);

    // The model index of an item's column, announcing pending items first.
    [[nodiscard]] QModelIndex IndexOf(const TListItem* item, int column = 0);
    // Makes every pending item known to the view.
    void Announce();

    // QAbstractItemModel
    [[nodiscard]] QModelIndex index(
        int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant headerData(
        int section, Qt::Orientation orientation, int role) const override;

private:
    friend class TListItem;
    friend class TCustomListView;

    void ItemChanged(TListItem& item, TItemChange change);
    void Renumber(int from);
    [[nodiscard]] TListItem* ItemAt(const QModelIndex& index) const;
    void ColumnInserting(int index);
    void ColumnInserted();
    void ColumnRemoving(int index);
    void ColumnRemoved();
    void ColumnsChanged(int first, int last);

    TCustomListView& m_view;
    std::vector<std::unique_ptr<TListItem>> m_items;
    // Rows the view knows of; items beyond are pending until the update bracket closes.
    int m_announced = 0;
    int m_updateCount = 0;
    bool m_clearing = false;
    // Changes whenever items come or go, so that event loops notice their items may be gone.
    std::uint64_t m_generation = 0;
};

} // namespace sondrel::framework
