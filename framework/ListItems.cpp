#include "ListItems.h"

#include "CustomListView.h"
#include "Guard.h"

#include <algorithm>
#include <exception>

namespace sondrel::framework {

TListItems::TListItems(TCustomListView& owner)
    : QAbstractItemModel(&owner)
    , m_view(owner)
{
}

TListItems::~TListItems() = default;

TListItem* TListItems::Item(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<std::size_t>(index)].get();
}

TListItem* TListItems::Add() { return AddItem(std::make_unique<TListItem>()); }

TListItem* TListItems::Insert(int index) { return AddItem(std::make_unique<TListItem>(), index); }

TListItem* TListItems::AddItem(std::unique_ptr<TListItem> item, int index)
{
    TListItem* added = item.get();
    const bool wantSelected = added->m_selected;
    added->m_selected = false;
    added->m_owner = this;
    if (index < 0 || index >= Count()) {
        added->m_index = Count();
        m_items.push_back(std::move(item));
        if (!Updating())
            Announce();
    } else {
        Announce();
        beginInsertRows(QModelIndex(), index, index);
        m_items.insert(m_items.begin() + index, std::move(item));
        Renumber(index);
        ++m_announced;
        endInsertRows();
    }
    ++m_generation;
    m_view.InsertItem(added);
    if (wantSelected && added->m_owner == this)
        added->SetSelected(true);
    return added;
}

void TListItems::Delete(int index)
{
    TListItem* item = Item(index);
    if (!item || m_clearing || item->m_dying)
        return;
    Announce();
    TRaised deleting(m_view.m_deleting);
    item->m_dying = true;
    // The item goes even when its handler fails; the failure is passed on after.
    std::exception_ptr failure;
    try {
        m_view.Delete(item);
    } catch (...) {
        failure = std::current_exception();
    }
    // The handler may have added or removed other items.
    index = item->m_index;
    m_view.Forget(*item);
    beginRemoveRows(QModelIndex(), index, index);
    m_items.erase(m_items.begin() + index);
    --m_announced;
    Renumber(index);
    ++m_generation;
    endRemoveRows();
    if (failure)
        std::rethrow_exception(failure);
}

void TListItems::Clear()
{
    if (m_clearing)
        return;
    const TScopedValue clearing(m_clearing, true);
    const TRaised deleting(m_view.m_deleting);
    // Every item gets its deletion event even when one handler fails, so none leaks what it
    // holds; the first failure is passed on after.
    std::exception_ptr failure;
    for (int i = 0; i < Count(); ++i) {
        TListItem& item = *m_items[static_cast<std::size_t>(i)];
        item.m_dying = true;
        try {
            m_view.Delete(&item);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    m_view.ForgetAll();
    beginResetModel();
    m_items.clear();
    m_announced = 0;
    ++m_generation;
    endResetModel();
    if (failure)
        std::rethrow_exception(failure);
}

void TListItems::BeginUpdate() { ++m_updateCount; }

void TListItems::EndUpdate()
{
    if (m_updateCount == 0 || --m_updateCount > 0)
        return;
    Announce();
}

void TListItems::Announce()
{
    if (m_announced >= Count())
        return;
    beginInsertRows(QModelIndex(), m_announced, Count() - 1);
    m_announced = Count();
    endInsertRows();
}

void TListItems::Sort(const TLVCompare& compare, std::intptr_t data)
{
    if (Count() < 2)
        return;
    std::vector<TListItem*> order;
    order.reserve(m_items.size());
    for (const auto& item : m_items)
        order.push_back(item.get());
    std::stable_sort(order.begin(), order.end(),
        [&](TListItem* a, TListItem* b) { return compare(a, b, data) < 0; });
    (void)Arrange(order);
}

bool TListItems::Arrange(const std::vector<TListItem*>& order)
{
    if (order.size() != m_items.size())
        return false;
    std::vector<bool> seen(order.size());
    for (const TListItem* item : order) {
        if (!item || item->m_owner != this || seen[static_cast<std::size_t>(item->m_index)])
            return false;
        seen[static_cast<std::size_t>(item->m_index)] = true;
    }
    if (order.size() < 2)
        return true;
    Announce();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TListItem*> before;
    before.reserve(m_items.size());
    for (const auto& item : m_items)
        before.push_back(item.get());
    std::vector<std::unique_ptr<TListItem>> arranged(m_items.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        arranged[i] = std::move(m_items[static_cast<std::size_t>(order[i]->m_index)]);
    m_items = std::move(arranged);
    Renumber(0);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(createIndex(before[static_cast<std::size_t>(old.row())]->m_index, old.column()));
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

QModelIndex TListItems::IndexOf(const TListItem* item, int column)
{
    if (!item || item->m_owner != this)
        return {};
    if (item->m_index >= m_announced)
        Announce();
    return createIndex(item->m_index, column);
}

void TListItems::ItemChanged(TListItem& item, TItemChange change)
{
    if (m_view.Deleting())
        return;
    if (item.m_index < m_announced)
        Q_EMIT dataChanged(createIndex(item.m_index, 0),
            createIndex(item.m_index, std::max(0, columnCount() - 1)));
    m_view.Change(&item, change);
}

void TListItems::Renumber(int from)
{
    for (std::size_t i = static_cast<std::size_t>(std::max(0, from)); i < m_items.size(); ++i)
        m_items[i]->m_index = static_cast<int>(i);
}

TListItem* TListItems::ItemAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= m_announced)
        return nullptr;
    return Item(index.row());
}

void TListItems::ColumnInserting(int index) { beginInsertColumns(QModelIndex(), index, index); }

void TListItems::ColumnInserted() { endInsertColumns(); }

void TListItems::ColumnRemoving(int index) { beginRemoveColumns(QModelIndex(), index, index); }

void TListItems::ColumnRemoved() { endRemoveColumns(); }

void TListItems::ColumnsChanged(int first, int last)
{
    Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
    if (m_announced > 0)
        Q_EMIT dataChanged(createIndex(0, first), createIndex(m_announced - 1, last));
}

QModelIndex TListItems::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_announced || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex TListItems::parent(const QModelIndex&) const { return {}; }

int TListItems::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_announced;
}

int TListItems::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_view.m_columns.Count();
}

QVariant TListItems::data(const QModelIndex& index, int role) const
{
    TListItem* item = ItemAt(index);
    if (!item || m_view.Deleting())
        return {};
    // A failed display-info query leaves the cell empty.
    QVariant value;
    GuardedQuery([&] { value = m_view.ItemData(*item, index.column(), role); });
    return value;
}

bool TListItems::setData(const QModelIndex& index, const QVariant& value, int role)
{
    TListItem* item = ItemAt(index);
    if (!item || role != Qt::EditRole || index.column() != 0)
        return false;
    return Guarded([&] { m_view.Edit(item, value.toString()); });
}

Qt::ItemFlags TListItems::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && !m_view.ReadOnly())
        flags |= Qt::ItemIsEditable;
    // Qt's views start a drag from the mouse only over items that say they can be dragged.
    if (m_view.dragEnabled())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QVariant TListItems::headerData(int section, Qt::Orientation orientation, int role) const
{
    const TListColumn* column = m_view.m_columns.Items(section);
    if (orientation != Qt::Horizontal || !column)
        return {};
    if (role == Qt::DisplayRole)
        return column->Caption();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(TCustomListView::QtAlignment(column->Alignment()));
    return {};
}

} // namespace sondrel::framework
