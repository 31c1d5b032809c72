#include "TreeNode.h"

#include "CustomTreeView.h"
#include "TreeNodes.h"

namespace sondrel::framework {

TCustomTreeView* TTreeNode::TreeView() const { return m_owner ? &m_owner->Owner() : nullptr; }

void TTreeNode::Changed()
{
    if (m_owner)
        m_owner->NodeChanged(*this);
}

void TTreeNode::SetText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    Changed();
}

void TTreeNode::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    Changed();
}

void TTreeNode::SetSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    Changed();
}

void TTreeNode::SetStateIndex(int index)
{
    if (index == m_stateIndex)
        return;
    m_stateIndex = index;
    Changed();
}

void TTreeNode::SetOverlayIndex(int index)
{
    if (index == m_overlayIndex)
        return;
    m_overlayIndex = index;
    Changed();
}

void TTreeNode::SetCut(bool cut)
{
    if (cut == m_cut)
        return;
    m_cut = cut;
    Changed();
}

void TTreeNode::SetHasChildren(bool hasChildren)
{
    const bool before = HasChildren();
    m_hasChildren = hasChildren;
    if (m_owner && HasChildren() != before)
        m_owner->HasChildrenChanged(*this);
}

TTreeNode* TTreeNode::Item(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_children[static_cast<std::size_t>(index)].get();
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    if (m_parent)
        return m_parent->Item(m_index + 1);
    return m_owner ? m_owner->TopLevelItem(m_index + 1) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    if (m_parent)
        return m_parent->Item(m_index - 1);
    return m_owner ? m_owner->TopLevelItem(m_index - 1) : nullptr;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = m_parent; p; p = p->m_parent)
        ++level;
    return level;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const
{
    if (!node)
        return false;
    for (const TTreeNode* p = m_parent; p; p = p->m_parent)
        if (p == node)
            return true;
    return false;
}

void TTreeNode::SetExpanded(bool expanded)
{
    if (expanded)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::Expand(bool recurse)
{
    if (m_owner)
        m_owner->Owner().ExpandNode(this, recurse);
}

void TTreeNode::Collapse(bool recurse)
{
    if (m_owner)
        m_owner->Owner().CollapseNode(this, recurse);
}

bool TTreeNode::Selected() const { return m_owner && m_owner->Owner().Selected() == this; }

void TTreeNode::SetSelected(bool selected)
{
    if (m_owner)
        m_owner->Owner().SetNodeSelected(*this, selected);
}

bool TTreeNode::Focused() const
{
    return m_owner && m_owner->NodeAt(m_owner->Owner().currentIndex()) == this;
}

void TTreeNode::Delete()
{
    // A node outside a tree belongs to whoever holds it.
    if (m_owner)
        m_owner->Delete(this);
}

void TTreeNode::DeleteChildren()
{
    if (m_owner)
        m_owner->DeleteChildren(*this);
}

bool TTreeNode::EditText()
{
    if (!m_owner)
        return false;
    TCustomTreeView& view = m_owner->Owner();
    return view.edit(m_owner->IndexOf(this), QAbstractItemView::AllEditTriggers, nullptr);
}

void TTreeNode::MakeVisible()
{
    if (!m_owner)
        return;
    TCustomTreeView& view = m_owner->Owner();
    // Outermost first, as the view can only show a child of an expanded parent.
    std::vector<TTreeNode*> ancestors;
    for (TTreeNode* p = m_parent; p; p = p->m_parent)
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        if (m_owner->Contains(*it) && !(*it)->m_expanded)
            view.ExpandNode(*it, false);
    if (m_owner->Contains(this))
        view.scrollTo(m_owner->IndexOf(this));
}

TRect TTreeNode::DisplayRect(bool textOnly) const
{
    if (!m_owner)
        return {};
    TCustomTreeView& view = m_owner->Owner();
    const QModelIndex index = m_owner->IndexOf(this);
    const QRect cell = view.visualRect(index);
    if (cell.isEmpty())
        return {};
    if (!textOnly)
        return TRect::FromQRect(QRect(0, cell.top(), view.viewport()->width(), cell.height()));
    return TRect::FromQRect(view.TextRect(index, cell));
}

bool TTreeNode::CustomSort(const TTVCompare& compare, std::intptr_t data, bool recurse)
{
    if (!m_owner)
        return false;
    m_owner->Sort(this, compare, data, recurse);
    return true;
}

bool TTreeNode::AlphaSort(bool recurse) { return CustomSort(nullptr, 0, recurse); }

} // namespace sondrel::framework
