#pragma once
// The nodes of one tree view, and the item model the view shows. The view owns it; it owns its
// nodes. Texts and images are pulled from the view's display-info query when the view paints, so
// only what is on screen is asked for. A node's model index carries the node itself. GUI thread
// only.

#include "TreeNode.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

namespace sondrel::framework {

class TTreeNodes : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit TTreeNodes(TCustomTreeView& owner);
    ~TTreeNodes() override;

    // Every node of the tree, at any level.
    [[nodiscard]] int Count() const { return static_cast<int>(m_live.size()); }
    [[nodiscard]] int TopLevelCount() const { return static_cast<int>(m_top.size()); }
    [[nodiscard]] TTreeNode* TopLevelItem(int index) const;
    [[nodiscard]] TTreeNode* GetFirstNode() const { return TopLevelItem(0); }
    [[nodiscard]] TCustomTreeView& Owner() const { return m_view; }

    // A new node after the last sibling of `sibling` (at the top level when it is null).
    TTreeNode* Add(TTreeNode* sibling, const QString& text);
    TTreeNode* AddObject(TTreeNode* sibling, const QString& text, void* data);
    TTreeNode* AddFirst(TTreeNode* sibling, const QString& text);
    // A new last (or first) child of `parent` (a top-level node when it is null).
    TTreeNode* AddChild(TTreeNode* parent, const QString& text);
    TTreeNode* AddChildObject(TTreeNode* parent, const QString& text, void* data);
    TTreeNode* AddChildFirst(TTreeNode* parent, const QString& text);
    // A new node just before `sibling` (at the end of the top level when it is null).
    TTreeNode* Insert(TTreeNode* sibling, const QString& text);
    // Fires the deletion event for the node's children, then for the node, each child before
    // its parent; then removes and destroys them.
    void Delete(TTreeNode* node);
    // As Delete for each child of `parent`, the node itself staying; the children leave the
    // model as one block, so emptying a node of many children costs one pass, not one per child.
    void DeleteChildren(TTreeNode& parent);
    // Fires the deletion event for every node, children before parents, then removes them all.
    void Clear();
    // Holds painting back until the bracket closes.
    void BeginUpdate();
    void EndUpdate();
    [[nodiscard]] bool Updating() const { return m_updateCount > 0; }

    // The node a notification names, or null when it is no node of this tree (any more).
    [[nodiscard]] TTreeNode* GetNode(std::uintptr_t itemId) const;
    [[nodiscard]] bool Contains(const TTreeNode* node) const { return m_live.contains(node); }
    [[nodiscard]] QModelIndex IndexOf(const TTreeNode* node) const;
    [[nodiscard]] TTreeNode* NodeAt(const QModelIndex& index) const;

    // QAbstractItemModel
    [[nodiscard]] QModelIndex index(
        int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    friend class TTreeNode;
    friend class TCustomTreeView;

    using TChildren = std::vector<std::unique_ptr<TTreeNode>>;

    TTreeNode* InsertNode(TTreeNode* parent, int row, const QString& text, void* data);
    [[nodiscard]] TChildren& ChildrenOf(TTreeNode* parent);
    void FireDeletion(TTreeNode& node, std::exception_ptr& failure);
    void Unlist(TTreeNode& node);
    void NodeChanged(TTreeNode& node);
    void HasChildrenChanged(TTreeNode& node);
    void Sort(TTreeNode* parent, const TTVCompare& compare, std::intptr_t data, bool recurse);
    static void Renumber(TChildren& children, std::size_t from);

    TCustomTreeView& m_view;
    TChildren m_top;
    std::unordered_set<const TTreeNode*> m_live;
    int m_updateCount = 0;
    bool m_clearing = false;
};

} // namespace sondrel::framework
