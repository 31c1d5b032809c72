#include "TreeNodes.h"

#include "CustomTreeView.h"
#include "Guard.h"

#include <algorithm>
#include <exception>

namespace sondrel::framework {

TTreeNodes::TTreeNodes(TCustomTreeView& owner)
    : QAbstractItemModel(&owner)
    , m_view(owner)
{
}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::TopLevelItem(int index) const
{
    if (index < 0 || index >= TopLevelCount())
        return nullptr;
    return m_top[static_cast<std::size_t>(index)].get();
}

TTreeNodes::TChildren& TTreeNodes::ChildrenOf(TTreeNode* parent)
{
    return parent ? parent->m_children : m_top;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const QString& text)
{
    return AddObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const QString& text, void* data)
{
    TTreeNode* parent = sibling && Contains(sibling) ? sibling->m_parent : nullptr;
    return InsertNode(parent, static_cast<int>(ChildrenOf(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const QString& text)
{
    TTreeNode* parent = sibling && Contains(sibling) ? sibling->m_parent : nullptr;
    return InsertNode(parent, 0, text, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const QString& text)
{
    return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const QString& text, void* data)
{
    if (parent && !Contains(parent))
        return nullptr;
    return InsertNode(parent, static_cast<int>(ChildrenOf(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const QString& text)
{
    if (parent && !Contains(parent))
        return nullptr;
    return InsertNode(parent, 0, text, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const QString& text)
{
    if (!sibling || !Contains(sibling))
        return InsertNode(nullptr, TopLevelCount(), text, nullptr);
    return InsertNode(sibling->m_parent, sibling->m_index, text, nullptr);
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, int row, const QString& text, void* data)
{
    if (parent && parent->m_dying)
        return nullptr;
    auto node = std::make_unique<TTreeNode>();
    TTreeNode* added = node.get();
    added->m_owner = this;
    added->m_parent = parent;
    added->m_text = text;
    added->m_data = data;
    const bool hadChildren = parent && parent->HasChildren();
    TChildren& children = ChildrenOf(parent);
    beginInsertRows(IndexOf(parent), row, row);
    children.insert(children.begin() + row, std::move(node));
    Renumber(children, static_cast<std::size_t>(row));
    m_live.insert(added);
    endInsertRows();
    if (parent) {
        parent->m_hasChildren = true;
        if (!hadChildren)
            HasChildrenChanged(*parent);
    }
    return added;
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (!node || !Contains(node) || m_clearing || node->m_dying)
        return;
    TRaised deleting(m_view.m_deleting);
    // The nodes go even when a handler fails; the first failure is passed on after.
    std::exception_ptr failure;
    FireDeletion(*node, failure);
    // The handlers may have added or removed other nodes, this one's parent among them.
    if (!Contains(node)) {
        if (failure)
            std::rethrow_exception(failure);
        return;
    }
    TTreeNode* parent = node->m_parent;
    m_view.Forget(*node);
    TChildren& children = ChildrenOf(parent);
    const int row = node->m_index;
    beginRemoveRows(IndexOf(parent), row, row);
    Unlist(*node);
    std::unique_ptr<TTreeNode> gone = std::move(children[static_cast<std::size_t>(row)]);
    children.erase(children.begin() + row);
    Renumber(children, static_cast<std::size_t>(row));
    endRemoveRows();
    gone.reset();
    if (parent && children.empty()) {
        // The last child went: so does the button, and the node is no longer open.
        parent->m_hasChildren = false;
        parent->m_expanded = false;
        HasChildrenChanged(*parent);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TTreeNodes::DeleteChildren(TTreeNode& parent)
{
    if (!Contains(&parent) || m_clearing || parent.m_dying || parent.m_children.empty())
        return;
    TRaised deleting(m_view.m_deleting);
    std::exception_ptr failure;
    // By index, as a handler may add children; those added late go without an event.
    for (std::size_t i = 0; i < parent.m_children.size(); ++i) {
        TTreeNode& child = *parent.m_children[i];
        if (!child.m_dying)
            FireDeletion(child, failure);
    }
    // The handlers may have taken the parent away, or already emptied it.
    if (Contains(&parent) && !parent.m_children.empty()) {
        TChildren& children = parent.m_children;
        for (const auto& child : children)
            m_view.Forget(*child);
        beginRemoveRows(IndexOf(&parent), 0, static_cast<int>(children.size()) - 1);
        for (const auto& child : children)
            Unlist(*child);
        TChildren gone = std::move(children);
        children.clear();
        endRemoveRows();
        gone.clear();
        parent.m_hasChildren = false;
        parent.m_expanded = false;
        HasChildrenChanged(parent);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TTreeNodes::FireDeletion(TTreeNode& node, std::exception_ptr& failure)
{
    node.m_dying = true;
    // By index, as a handler may add children; those added late are deleted without an event.
    for (std::size_t i = 0; i < node.m_children.size(); ++i) {
        TTreeNode& child = *node.m_children[i];
        if (!child.m_dying)
            FireDeletion(child, failure);
    }
    try {
        m_view.Delete(&node);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
}

void TTreeNodes::Unlist(TTreeNode& node)
{
    m_live.erase(&node);
    for (const auto& child : node.m_children)
        Unlist(*child);
}

void TTreeNodes::Clear()
{
    if (m_clearing)
        return;
    const TScopedValue clearing(m_clearing, true);
    const TRaised deleting(m_view.m_deleting);
    // Every node gets its deletion event even when one handler fails, so none leaks what it
    // holds.
    std::exception_ptr failure;
    for (std::size_t i = 0; i < m_top.size(); ++i)
        if (!m_top[i]->m_dying)
            FireDeletion(*m_top[i], failure);
    m_view.ForgetAll();
    beginResetModel();
    TChildren gone = std::move(m_top);
    m_top.clear();
    m_live.clear();
    endResetModel();
    gone.clear();
    if (failure)
        std::rethrow_exception(failure);
}

void TTreeNodes::BeginUpdate()
{
    if (m_updateCount++ == 0)
        m_view.viewport()->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (m_updateCount == 0 || --m_updateCount > 0)
        return;
    m_view.viewport()->setUpdatesEnabled(true);
    m_view.viewport()->update();
}

TTreeNode* TTreeNodes::GetNode(std::uintptr_t itemId) const
{
    auto* node = reinterpret_cast<const TTreeNode*>(itemId);
    return Contains(node) ? const_cast<TTreeNode*>(node) : nullptr;
}

QModelIndex TTreeNodes::IndexOf(const TTreeNode* node) const
{
    if (!node || node->m_owner != this)
        return {};
    return createIndex(node->m_index, 0, const_cast<TTreeNode*>(node));
}

TTreeNode* TTreeNodes::NodeAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TTreeNode*>(index.internalPointer());
}

void TTreeNodes::NodeChanged(TTreeNode& node)
{
    if (m_view.Deleting() || !Contains(&node))
        return;
    const QModelIndex index = IndexOf(&node);
    Q_EMIT dataChanged(index, index);
}

void TTreeNodes::HasChildrenChanged(TTreeNode& node)
{
    if (!Contains(&node))
        return;
    // The view keeps whether a row has a button with its layout.
    NodeChanged(node);
    m_view.scheduleDelayedItemsLayout();
}

void TTreeNodes::Sort(
    TTreeNode* parent, const TTVCompare& compare, std::intptr_t data, bool recurse)
{
    TChildren& children = ChildrenOf(parent);
    if (children.size() > 1) {
        const QList<QPersistentModelIndex> parents = parent
            ? QList<QPersistentModelIndex> { QPersistentModelIndex(IndexOf(parent)) }
            : QList<QPersistentModelIndex> {};
        Q_EMIT layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
        const auto less
            = [&](const std::unique_ptr<TTreeNode>& a, const std::unique_ptr<TTreeNode>& b) {
                  if (compare)
                      return compare(a.get(), b.get(), data) < 0;
                  return QString::localeAwareCompare(a->m_text, b->m_text) < 0;
              };
        std::stable_sort(children.begin(), children.end(), less);
        Renumber(children, 0);
        // An index carries its node, so only its row has to follow.
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& old : from) {
            auto* node = static_cast<TTreeNode*>(old.internalPointer());
            to.append(createIndex(node->m_index, old.column(), node));
        }
        changePersistentIndexList(from, to);
        Q_EMIT layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
    }
    if (recurse)
        for (std::size_t i = 0; i < children.size(); ++i)
            Sort(children[i].get(), compare, data, true);
}

void TTreeNodes::Renumber(TChildren& children, std::size_t from)
{
    for (std::size_t i = from; i < children.size(); ++i)
        children[i]->m_index = static_cast<int>(i);
}

QModelIndex TTreeNodes::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    TTreeNode* node = NodeAt(parent);
    if (parent.isValid() && !node)
        return {};
    const TChildren& children = node ? node->m_children : m_top;
    if (row >= static_cast<int>(children.size()))
        return {};
    return createIndex(row, 0, children[static_cast<std::size_t>(row)].get());
}

QModelIndex TTreeNodes::parent(const QModelIndex& child) const
{
    const TTreeNode* node = NodeAt(child);
    return node ? IndexOf(node->m_parent) : QModelIndex();
}

int TTreeNodes::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const TTreeNode* node = NodeAt(parent);
    return static_cast<int>(node ? node->m_children.size() : m_top.size());
}

int TTreeNodes::columnCount(const QModelIndex&) const { return 1; }

bool TTreeNodes::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !m_top.empty();
    const TTreeNode* node = NodeAt(parent);
    return node && parent.column() == 0 && node->HasChildren();
}

QVariant TTreeNodes::data(const QModelIndex& index, int role) const
{
    TTreeNode* node = NodeAt(index);
    if (!node || m_view.Deleting())
        return {};
    // A failed display-info query (the image events among it) leaves the cell empty.
    QVariant value;
    GuardedQuery([&] { value = m_view.NodeData(*node, role); });
    return value;
}

bool TTreeNodes::setData(const QModelIndex& index, const QVariant& value, int role)
{
    TTreeNode* node = NodeAt(index);
    if (!node || role != Qt::EditRole)
        return false;
    return Guarded([&] { m_view.Edit(node, value.toString()); });
}

Qt::ItemFlags TTreeNodes::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_view.ReadOnly())
        flags |= Qt::ItemIsEditable;
    // Qt's views start a drag from the mouse only over items that say they can be dragged.
    if (m_view.dragEnabled())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

} // namespace sondrel::framework
