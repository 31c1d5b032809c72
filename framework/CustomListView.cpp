#include "CustomListView.h"

#include "Guard.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace sondrel::framework {

TCustomListView::TCustomListView(QWidget* parent)
    : QTreeView(parent)
    , m_items(new TListItems(*this))
    , m_columns(*this)
    , m_itemImages(*this, [this] { UpdateIconSize(); })
{
    setModel(m_items);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this](const QItemSelection& selected, const QItemSelection& deselected) {
            // A handler failed part way: the items not yet told take their state silently.
            if (!Guarded([&] { SelectionChanged(selected, deselected); }))
                SyncSelection();
        });
    ConnectHeader();
}

void TCustomListView::SetHeaderControl(QHeaderView* header)
{
    setHeader(header);
    ConnectHeader();
    ColumnChanged(-1);
}

void TCustomListView::ConnectHeader()
{
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (TListColumn* column = m_columns.Items(section))
            Guarded([&] { ColClick(column); });
    });
    connect(header(), &QHeaderView::sectionResized, this, &TCustomListView::SectionResized);
}

TCustomListView::~TCustomListView()
{
    // The items' users free what the items hold in the deletion event, so it fires here too;
    // a destructor may not throw.
    Guarded([&] { m_items->Clear(); });
}

void TCustomListView::SetSmallImages(TImageList* images) { m_itemImages.SetImages(images); }

void TCustomListView::SetStateImages(TImageList* images) { m_itemImages.SetStateImages(images); }

void TCustomListView::UpdateIconSize()
{
    setIconSize(m_itemImages.IconSize());
    viewport()->update();
}

void TCustomListView::SetReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    if (m_items->rowCount() > 0)
        Q_EMIT m_items->dataChanged(
            m_items->index(0, 0), m_items->index(m_items->rowCount() - 1, 0));
}

void TCustomListView::SetMultiSelect(bool multiSelect)
{
    m_multiSelect = multiSelect;
    setSelectionMode(
        multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TCustomListView::ShowColumnHeaders() const { return !isHeaderHidden(); }

void TCustomListView::SetShowColumnHeaders(bool show) { setHeaderHidden(!show); }

int TCustomListView::ItemIndex() const
{
    if (m_selCount == 0)
        return -1;
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->m_selected)
            return i;
    return -1;
}

void TCustomListView::SetItemIndex(int index) { SetSelected(m_items->Item(index)); }

TListItem* TCustomListView::Selected() const { return m_items->Item(ItemIndex()); }

void TCustomListView::SetSelected(TListItem* item)
{
    if (!item || item->m_owner != m_items) {
        ClearSelection();
        return;
    }
    const QModelIndex index = m_items->IndexOf(item);
    selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

TListItem* TCustomListView::ItemFocused() const { return m_items->ItemAt(currentIndex()); }

void TCustomListView::SetItemFocused(TListItem* item)
{
    const QModelIndex index = item ? m_items->IndexOf(item) : QModelIndex();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void TCustomListView::ClearSelection() { selectionModel()->clearSelection(); }

TListItem* TCustomListView::GetItemAt(int x, int y) const
{
    return m_items->ItemAt(indexAt(QPoint(x, y)));
}

void TCustomListView::SetItemSelected(TListItem& item, bool selected)
{
    if (item.m_dying)
        return;
    const QModelIndex index = m_items->IndexOf(&item);
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Rows;
    if (!selected)
        flags |= QItemSelectionModel::Deselect;
    else
        flags |= m_multiSelect ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
    selectionModel()->select(index, flags);
}

bool TCustomListView::AlphaSort() { return CustomSort(nullptr, 0); }

bool TCustomListView::CustomSort(const TLVCompare& compare, std::intptr_t lParam)
{
    if (compare)
        m_items->Sort(compare, lParam);
    else
        m_items->Sort(
            [this](TListItem* a, TListItem* b, std::intptr_t d) { return DefaultCompare(a, b, d); },
            lParam);
    return true;
}

int TCustomListView::DefaultCompare(TListItem* a, TListItem* b, std::intptr_t lParam)
{
    if (OnCompare) {
        int compare = 0;
        OnCompare(this, a, b, lParam, compare);
        return compare;
    }
    TLVDispInfo left { TLVDispInfo::lvifText, 0, {}, -1 };
    TLVDispInfo right { TLVDispInfo::lvifText, 0, {}, -1 };
    GetDispInfo(*a, left);
    GetDispInfo(*b, right);
    return QString::localeAwareCompare(left.Text, right.Text);
}

void TCustomListView::InsertItem(TListItem* item)
{
    if (OnInsert)
        OnInsert(this, item);
}

void TCustomListView::Delete(TListItem* item)
{
    if (OnDeletion)
        OnDeletion(this, item);
}

void TCustomListView::ColClick(TListColumn* column)
{
    if (OnColumnClick)
        OnColumnClick(this, column);
}

bool TCustomListView::CanEdit(TListItem* item)
{
    bool allow = true;
    if (OnEditing)
        OnEditing(this, item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem* item, QString text)
{
    if (OnEdited)
        OnEdited(this, item, text);
    item->SetCaption(text);
}

void TCustomListView::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TCustomListView::GetDispInfo(TListItem& item, TLVDispInfo& info)
{
    if (info.Mask & TLVDispInfo::lvifText) {
        if (info.Column == 0)
            info.Text = item.Caption();
        else if (info.Column - 1 < item.SubItems().size())
            info.Text = item.SubItems()[info.Column - 1];
    }
    if (info.Mask & TLVDispInfo::lvifImage)
        info.Image = item.ImageIndex();
}

void TCustomListView::Change(TListItem* item, TItemChange change)
{
    if (OnChange)
        OnChange(this, item, change);
}

void TCustomListView::DoSelectItem(TListItem* item, bool selected)
{
    if (OnSelectItem)
        OnSelectItem(this, item, selected);
}

QString TCustomListView::InfoTip(TListItem* item)
{
    QString tip;
    if (OnInfoTip)
        OnInfoTip(this, item, tip);
    return tip;
}

void TCustomListView::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    // A failed handler takes the key.
    if (!Guarded([&] { KeyDown(key, event->modifiers()); }) || key == 0) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool TCustomListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    TListItem* item = m_items->ItemAt(index);
    const bool opens = item && index.column() == 0 && !m_readOnly && state() != EditingState
        && (trigger == AllEditTriggers || (editTriggers() & trigger));
    bool allowed = true;
    if (opens && !Guarded([&] { allowed = CanEdit(item); }))
        allowed = false;
    if (!allowed)
        return false;
    return QTreeView::edit(index, trigger, event);
}

void TCustomListView::SelectionChanged(
    const QItemSelection& selected, const QItemSelection& deselected)
{
    auto itemsOf = [this](const QItemSelection& selection) {
        std::vector<TListItem*> items;
        for (const QModelIndex& index : selection.indexes())
            if (index.column() == 0)
                if (TListItem* item = m_items->ItemAt(index))
                    items.push_back(item);
        std::sort(items.begin(), items.end(),
            [](const TListItem* a, const TListItem* b) { return a->m_index < b->m_index; });
        return items;
    };
    const std::vector<TListItem*> gone = itemsOf(deselected);
    const std::vector<TListItem*> come = itemsOf(selected);
    const std::uint64_t generation = m_items->m_generation;
    auto still = [&] { return m_items->m_generation == generation && !Deleting(); };

    // A handler may change the selection again (its own events then run nested) or remove items;
    // each event therefore checks the item's state anew and the loop stops once items went.
    for (TListItem* item : gone) {
        if (!still())
            break;
        if (!item->m_selected || selectionModel()->isRowSelected(item->m_index))
            continue;
        item->m_selected = false;
        --m_selCount;
        Change(item, TItemChange::ctState);
        DoSelectItem(item, false);
    }
    for (TListItem* item : come) {
        if (!still())
            break;
        if (item->m_selected || !selectionModel()->isRowSelected(item->m_index))
            continue;
        item->m_selected = true;
        ++m_selCount;
        Change(item, TItemChange::ctState);
        DoSelectItem(item, true);
    }
    if (!still())
        SyncSelection(); // whatever was not told is taken over silently
}

void TCustomListView::SyncSelection()
{
    m_selCount = 0;
    for (int i = 0; i < m_items->Count(); ++i) {
        TListItem* item = m_items->Item(i);
        item->m_selected
            = i < m_items->m_announced && !item->m_dying && selectionModel()->isRowSelected(i);
        m_selCount += item->m_selected;
    }
}

void TCustomListView::Forget(TListItem& item)
{
    if (!item.m_selected)
        return;
    item.m_selected = false;
    --m_selCount;
    selectionModel()->select(
        m_items->IndexOf(&item), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void TCustomListView::ForgetAll()
{
    for (int i = 0; i < m_items->Count(); ++i)
        m_items->Item(i)->m_selected = false;
    m_selCount = 0;
    selectionModel()->clearSelection();
}

Qt::Alignment TCustomListView::QtAlignment(TAlignment alignment)
{
    switch (alignment) {
    case TAlignment::taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TAlignment::taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case TAlignment::taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant TCustomListView::ItemData(TListItem& item, int column, int role)
{
    switch (role) {
    case Qt::DisplayRole: {
        TLVDispInfo info { TLVDispInfo::lvifText, column, {}, -1 };
        GetDispInfo(item, info);
        return info.Text;
    }
    case Qt::AccessibleTextRole:
        return AccessibleName(item, column);
    case Qt::EditRole:
        return column == 0 ? QVariant(item.Caption()) : QVariant();
    case Qt::DecorationRole:
        return column == 0 ? QVariant(ItemIcon(item)) : QVariant();
    case Qt::TextAlignmentRole:
        if (const TListColumn* c = m_columns.Items(column))
            return QVariant::fromValue(QtAlignment(c->Alignment()));
        return {};
    case Qt::ToolTipRole: {
        const QString tip = InfoTip(&item);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::AccessibleDescriptionRole: {
        // What the tip says to the eye, the description says to a screen reader (unless the
        // name says it already).
        const QString tip = column == 0 && !m_tipInAccessibleName ? InfoTip(&item) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default:
        return {};
    }
}

QString TCustomListView::AccessibleName(TListItem& item, int column)
{
    TLVDispInfo info { TLVDispInfo::lvifText, column, {}, -1 };
    GetDispInfo(item, info);
    if (column != 0 || !m_tipInAccessibleName)
        return info.Text;
    const QString tip = InfoTip(&item);
    return tip.isEmpty() ? info.Text : info.Text + QStringLiteral(", ") + tip;
}

QIcon TCustomListView::ItemIcon(TListItem& item)
{
    if (m_itemImages.Empty())
        return {};
    int image = -1;
    if (m_itemImages.Images()) {
        TLVDispInfo info { TLVDispInfo::lvifImage, 0, {}, -1 };
        GetDispInfo(item, info);
        image = info.Image;
    }
    return m_itemImages.Icon({ item.StateIndex(), image, item.OverlayIndex(), item.Cut() });
}

void TCustomListView::ColumnInserting(int index) { m_items->ColumnInserting(index); }

void TCustomListView::ColumnInserted(int index)
{
    m_items->ColumnInserted();
    ColumnChanged(index);
}

void TCustomListView::ColumnRemoving(int index) { m_items->ColumnRemoving(index); }

void TCustomListView::ColumnRemoved(int) { m_items->ColumnRemoved(); }

void TCustomListView::ColumnChanged(int index)
{
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? m_columns.Count() - 1 : index;
    if (last < first)
        return;
    m_syncingHeader = true;
    for (int i = first; i <= last; ++i)
        header()->resizeSection(i, m_columns.Items(i)->Width());
    m_syncingHeader = false;
    m_items->ColumnsChanged(first, last);
}

void TCustomListView::SectionResized(int section, int, int newSize)
{
    if (m_syncingHeader)
        return;
    if (TListColumn* column = m_columns.Items(section)) {
        m_syncingHeader = true;
        column->SetWidth(newSize);
        m_syncingHeader = false;
    }
}

} // namespace sondrel::framework
