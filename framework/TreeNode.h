#pragma once
// One node of a tree view: its text, its images, its cut state and expand button, an untyped
// data pointer for the control's user, and its place among its parent's children. Owned by the
// TTreeNodes it belongs to, together with its children; the data pointer is not owned (the
// tree's deletion event is where its user frees it). GUI thread only.

#include "Events.h"
#include "Geometry.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace sondrel::framework {

class TCustomTreeView;
class TTreeNode;
class TTreeNodes;

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent
    = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent
    = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, QString& S)>;
// A sort's comparison: negative, zero or positive as Node1 goes before, with or after Node2.
using TTVCompare = std::function<int(TTreeNode* Node1, TTreeNode* Node2, std::intptr_t Data)>;

class TTreeNode
{
public:
    TTreeNode() = default;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    [[nodiscard]] const QString& Text() const { return m_text; }
    void SetText(const QString& text);

    // Images: -1 for none. The selected image is shown while the node is selected.
    [[nodiscard]] int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    [[nodiscard]] int SelectedIndex() const { return m_selectedIndex; }
    void SetSelectedIndex(int index);
    [[nodiscard]] int StateIndex() const { return m_stateIndex; }
    void SetStateIndex(int index);
    [[nodiscard]] int OverlayIndex() const { return m_overlayIndex; }
    void SetOverlayIndex(int index);
    [[nodiscard]] bool Cut() const { return m_cut; }
    void SetCut(bool cut);

    // The expand button: shown while the node has children or is said to have them, so that a
    // node can be filled when it is first expanded. Adding a child sets it; removing the last
    // child clears it.
    [[nodiscard]] bool HasChildren() const { return m_hasChildren || !m_children.empty(); }
    void SetHasChildren(bool hasChildren);

    [[nodiscard]] void* Data() const { return m_data; }
    void SetData(void* data) { m_data = data; }

    [[nodiscard]] TTreeNode* Parent() const { return m_parent; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_children.size()); }
    [[nodiscard]] TTreeNode* Item(int index) const;
    [[nodiscard]] TTreeNode* operator[](int index) const { return Item(index); }
    [[nodiscard]] TTreeNode* GetFirstChild() const { return Item(0); }
    [[nodiscard]] TTreeNode* GetLastChild() const { return Item(Count() - 1); }
    [[nodiscard]] TTreeNode* GetNextSibling() const;
    [[nodiscard]] TTreeNode* GetPrevSibling() const;
    // The place among the parent's children (or among the top-level nodes).
    [[nodiscard]] int Index() const { return m_index; }
    // 0 for a top-level node.
    [[nodiscard]] int Level() const;
    // True when `node` is this node's parent, grandparent, ...
    [[nodiscard]] bool HasAsParent(const TTreeNode* node) const;
    [[nodiscard]] TTreeNodes* Owner() const { return m_owner; }
    [[nodiscard]] TCustomTreeView* TreeView() const;
    // What the view's notifications call the node by.
    [[nodiscard]] std::uintptr_t ItemId() const { return reinterpret_cast<std::uintptr_t>(this); }

    [[nodiscard]] bool Expanded() const { return m_expanded; }
    void SetExpanded(bool expanded);
    // Expanding and collapsing ask the tree first and tell it after; see TCustomTreeView.
    void Expand(bool recurse);
    void Collapse(bool recurse);
    [[nodiscard]] bool Selected() const;
    void SetSelected(bool selected);
    // The node has the keyboard focus mark (the view's current node).
    [[nodiscard]] bool Focused() const;

    // Removes the node and its children from the tree (firing the deletion events) and destroys
    // them.
    void Delete();
    void DeleteChildren();
    // Starts editing the text in place; false when the tree refuses it.
    bool EditText();
    // Expands the ancestors and scrolls the node into view.
    void MakeVisible();
    // The node's row in the view's viewport coordinates, or only its text with `textOnly`; empty
    // while the node is not shown.
    [[nodiscard]] TRect DisplayRect(bool textOnly) const;

    // Orders the children by `compare` (stable), and their children with `recurse`.
    bool CustomSort(const TTVCompare& compare, std::intptr_t data, bool recurse = false);
    bool AlphaSort(bool recurse = false);

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;

    void Changed();

    TTreeNodes* m_owner = nullptr;
    TTreeNode* m_parent = nullptr;
    int m_index = 0;
    std::vector<std::unique_ptr<TTreeNode>> m_children;
    QString m_text;
    int m_imageIndex = -1;
    int m_selectedIndex = -1;
    int m_stateIndex = -1;
    int m_overlayIndex = -1;
    bool m_cut = false;
    bool m_hasChildren = false;
    bool m_expanded = false;
    bool m_dying = false; // its deletion event has been fired
    void* m_data = nullptr;
};

} // namespace sondrel::framework
