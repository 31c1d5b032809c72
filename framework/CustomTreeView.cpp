#include "CustomTreeView.h"

#include "Guard.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

namespace sondrel::framework {

// Lets the view ask before the selected node changes and tell after, whatever moved it: the
// mouse, the keys, a node call or the view's own upkeep.
class TTreeSelectionModel : public QItemSelectionModel
{
public:
    TTreeSelectionModel(TTreeNodes* nodes, TCustomTreeView& view)
        : QItemSelectionModel(nodes, &view)
        , m_nodes(*nodes)
        , m_view(view)
    {
    }

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (m_passing) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        if (m_view.Deleting()) {
            // Deleting selects nothing; the focus mark may move on.
            QItemSelectionModel::setCurrentIndex(index, NoUpdate);
            return;
        }
        TTreeNode* target = nullptr;
        if (!Moves(index, command, target)) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        if (!Allowed(target))
            return;
        Pass([&] {
            QItemSelectionModel::setCurrentIndex(index, target ? ClearAndSelect | Rows : Clear);
        });
        m_view.SelectionMoved(target);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        if (m_passing) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        if (m_view.Deleting()) {
            command &= ~(Select | Toggle);
            if (command != NoUpdate)
                QItemSelectionModel::select(selection, command);
            return;
        }
        const QModelIndex first
            = selection.isEmpty() ? QModelIndex() : QModelIndex(selection.first().topLeft());
        TTreeNode* target = nullptr;
        if (!Moves(first, command, target)) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        if (!Allowed(target))
            return;
        Pass([&] {
            if (target)
                QItemSelectionModel::select(m_nodes.IndexOf(target), ClearAndSelect | Rows);
            else
                QItemSelectionModel::select(QItemSelection(), Clear);
        });
        m_view.SelectionMoved(target);
    }

private:
    // Would `command` on `index` change the selected node, and to which?
    bool Moves(const QModelIndex& index, SelectionFlags command, TTreeNode*& target) const
    {
        TTreeNode* current = m_view.m_selected;
        TTreeNode* node = m_nodes.NodeAt(index);
        if ((command & (Select | Toggle)) && node)
            target = (command & Toggle) && node == current ? nullptr : node;
        else if (command & Clear)
            target = nullptr;
        else if ((command & (Deselect | Toggle)) && node && node == current)
            target = nullptr;
        else
            return false;
        return target != current;
    }

    // Asks the view once per move: the view's input handling may make one move in two steps
    // (focus, then selection), and a refusal stands for the rest of that event.
    bool Allowed(TTreeNode* target)
    {
        if (m_refusing && m_refused == target)
            return false;
        // A failed handler refuses.
        bool allowed = false;
        if (!Guarded([&] { allowed = m_view.AllowSelect(target); }) || !allowed) {
            m_refused = target;
            if (!m_refusing) {
                m_refusing = true;
                QMetaObject::invokeMethod(
                    this, [this] { m_refusing = false; }, Qt::QueuedConnection);
            }
            return false;
        }
        m_refusing = false;
        return !target || m_nodes.Contains(target);
    }

    template <typename F> void Pass(F&& f)
    {
        const TScopedValue passing(m_passing, true);
        f();
    }

    TTreeNodes& m_nodes;
    TCustomTreeView& m_view;
    bool m_passing = false;
    bool m_refusing = false;
    TTreeNode* m_refused = nullptr; // compared only, never followed
};

TCustomTreeView::TCustomTreeView(QWidget* parent)
    : QTreeView(parent)
    , m_items(new TTreeNodes(*this))
    , m_itemImages(*this, [this] { UpdateIconSize(); })
{
    setModel(m_items);
    QItemSelectionModel* standard = selectionModel();
    setSelectionModel(new TTreeSelectionModel(m_items, *this));
    delete standard;
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setUniformRowHeights(true);
    // Expansion runs through the tree's own events, never Qt's alone.
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

TCustomTreeView::~TCustomTreeView()
{
    // The nodes' users free what the nodes hold in the deletion event, so it fires here too;
    // a destructor may not throw.
    Guarded([&] { m_items->Clear(); });
}

void TCustomTreeView::SetImages(TImageList* images) { m_itemImages.SetImages(images); }

void TCustomTreeView::SetStateImages(TImageList* images) { m_itemImages.SetStateImages(images); }

void TCustomTreeView::UpdateIconSize()
{
    setIconSize(m_itemImages.IconSize());
    viewport()->update();
}

void TCustomTreeView::SetSelected(TTreeNode* node)
{
    if (node && !m_items->Contains(node))
        return;
    if (node)
        selectionModel()->setCurrentIndex(
            m_items->IndexOf(node), QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->select(QItemSelection(), QItemSelectionModel::Clear);
}

void TCustomTreeView::SetNodeSelected(TTreeNode& node, bool selected)
{
    if (selected)
        SetSelected(&node);
    else if (m_selected == &node)
        SetSelected(nullptr);
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const
{
    return m_items->NodeAt(indexAt(QPoint(x, y)));
}

bool TCustomTreeView::AlphaSort(bool recurse) { return CustomSort(nullptr, 0, recurse); }

bool TCustomTreeView::CustomSort(const TTVCompare& compare, std::intptr_t lParam, bool recurse)
{
    m_items->Sort(nullptr, compare, lParam, recurse);
    return true;
}

bool TCustomTreeView::AllowSelect(TTreeNode* node) { return CanChange(node); }

void TCustomTreeView::SelectionMoved(TTreeNode* node)
{
    // The move stands whatever the handler does.
    m_selected = node;
    Guarded([&] { Change(node); });
}

void TCustomTreeView::Forget(TTreeNode& node)
{
    if (!m_selected || (m_selected != &node && !m_selected->HasAsParent(&node)))
        return;
    m_selected = nullptr;
    selectionModel()->select(QItemSelection(), QItemSelectionModel::Clear);
}

void TCustomTreeView::ForgetAll()
{
    m_selected = nullptr;
    selectionModel()->clear();
}

void TCustomTreeView::ExpandNode(TTreeNode* node, bool recurse)
{
    if (!m_items->Contains(node) || node->m_dying)
        return;
    if (!node->m_expanded && node->HasChildren()) {
        // The handler may fill the node, or take it away.
        const bool allowed = CanExpand(node);
        if (!m_items->Contains(node))
            return;
        if (allowed && node->Count() > 0 && !node->m_expanded) {
            node->m_expanded = true;
            QTreeView::expand(m_items->IndexOf(node));
            Expand(node);
        }
    }
    if (recurse)
        for (int i = 0; m_items->Contains(node) && i < node->Count(); ++i)
            ExpandNode(node->Item(i), true);
}

void TCustomTreeView::CollapseNode(TTreeNode* node, bool recurse)
{
    if (!m_items->Contains(node) || node->m_dying)
        return;
    if (node->m_expanded) {
        if (!CanCollapse(node) || !m_items->Contains(node))
            return;
        node->m_expanded = false;
        QTreeView::collapse(m_items->IndexOf(node));
        // A hidden node cannot stay selected.
        if (m_selected && m_selected->HasAsParent(node))
            SetSelected(node);
        if (!m_items->Contains(node))
            return;
        Collapse(node);
    }
    if (recurse)
        for (int i = 0; m_items->Contains(node) && i < node->Count(); ++i)
            CollapseNode(node->Item(i), true);
}

bool TCustomTreeView::CanExpand(TTreeNode* node)
{
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* node)
{
    if (OnExpanded)
        OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node)
{
    bool allow = true;
    if (OnCollapsing)
        OnCollapsing(this, node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node)
{
    if (OnCollapsed)
        OnCollapsed(this, node);
}

bool TCustomTreeView::CanChange(TTreeNode* node)
{
    bool allow = true;
    if (OnChanging)
        OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node)
{
    if (OnChange)
        OnChange(this, node);
}

void TCustomTreeView::Delete(TTreeNode* node)
{
    if (OnDeletion)
        OnDeletion(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node)
{
    bool allow = true;
    if (OnEditing)
        OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* node, QString text)
{
    if (OnEdited)
        OnEdited(this, node, text);
    if (m_items->Contains(node))
        node->SetText(text);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node)
{
    if (OnGetImageIndex)
        OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node)
{
    if (OnGetSelectedIndex)
        OnGetSelectedIndex(this, node);
}

void TCustomTreeView::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TCustomTreeView::GetDispInfo(TTreeNode& node, TTVDispInfo& info)
{
    if (info.Mask & TTVDispInfo::tvifText)
        info.Text = node.Text();
    if (info.Mask & TTVDispInfo::tvifImage) {
        GetImageIndex(&node);
        info.Image = node.ImageIndex();
    }
    if (info.Mask & TTVDispInfo::tvifSelectedImage) {
        GetSelectedIndex(&node);
        info.SelectedImage = node.SelectedIndex();
    }
}

void TCustomTreeView::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    // A failed handler takes the key.
    if (!Guarded([&] { KeyDown(key, event->modifiers()); }) || key == 0) {
        event->accept();
        return;
    }
    TTreeNode* node = m_items->NodeAt(currentIndex());
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    bool taken = false;
    if (node && plain) {
        taken = true;
        Guarded([&] {
            switch (key) {
            case Qt::Key_Right:
                if (!node->m_expanded && node->HasChildren())
                    ExpandNode(node, false);
                else if (node->Count() > 0)
                    setCurrentIndex(m_items->IndexOf(node->GetFirstChild()));
                break;
            case Qt::Key_Left:
                if (node->m_expanded)
                    CollapseNode(node, false);
                else if (node->m_parent)
                    setCurrentIndex(m_items->IndexOf(node->m_parent));
                break;
            case Qt::Key_Plus:
                ExpandNode(node, false);
                break;
            case Qt::Key_Minus:
                CollapseNode(node, false);
                break;
            case Qt::Key_Asterisk:
                ExpandNode(node, true);
                break;
            default:
                taken = false;
                break;
            }
        });
    }
    if (taken) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool TCustomTreeView::OnButton(const QModelIndex& index, QPoint pos) const
{
    TTreeNode* node = m_items->NodeAt(index);
    if (!node || !node->HasChildren())
        return false;
    const QRect cell = visualRect(index);
    return pos.x() >= cell.left() - indentation() && pos.x() < cell.left();
}

void TCustomTreeView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() == Qt::LeftButton && OnButton(index, pos)) {
        Toggle(m_items->NodeAt(index));
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TCustomTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        QTreeView::mouseDoubleClickEvent(event);
        return;
    }
    const bool onButton = OnButton(index, pos);
    if (!onButton)
        QTreeView::mouseDoubleClickEvent(event);
    TTreeNode* node = m_items->NodeAt(index);
    if (!m_items->Contains(node))
        return;
    Toggle(node);
    event->accept();
}

void TCustomTreeView::Toggle(TTreeNode* node)
{
    Guarded([&] {
        if (node->m_expanded)
            CollapseNode(node, false);
        else
            ExpandNode(node, false);
    });
}

bool TCustomTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    TTreeNode* node = m_items->NodeAt(index);
    const bool opens = node && !m_readOnly && state() != EditingState
        && (trigger == AllEditTriggers || (editTriggers() & trigger));
    bool allowed = true;
    if (opens && !Guarded([&] { allowed = CanEdit(node); }))
        allowed = false;
    if (!allowed)
        return false;
    return QTreeView::edit(index, trigger, event);
}

QVariant TCustomTreeView::NodeData(TTreeNode& node, int role)
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        TTVDispInfo info { TTVDispInfo::tvifText, {}, -1, -1 };
        GetDispInfo(node, info);
        return info.Text;
    }
    case Qt::EditRole:
        return node.Text();
    case Qt::DecorationRole:
        return NodeIcon(node);
    default:
        return {};
    }
}

QIcon TCustomTreeView::NodeIcon(TTreeNode& node)
{
    if (m_itemImages.Empty())
        return {};
    int image = -1;
    if (m_itemImages.Images()) {
        const bool selected = m_selected == &node;
        TTVDispInfo info { selected ? TTVDispInfo::tvifSelectedImage : TTVDispInfo::tvifImage, {},
            -1, -1 };
        GetDispInfo(node, info);
        image = selected ? info.SelectedImage : info.Image;
    }
    return m_itemImages.Icon({ node.StateIndex(), image, node.OverlayIndex(), node.Cut() });
}

QRect TCustomTreeView::TextRect(const QModelIndex& index, const QRect& cell) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = cell;
    option.text = index.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull()) {
        option.icon = icon;
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = iconSize();
    }
    return style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
}

} // namespace sondrel::framework
