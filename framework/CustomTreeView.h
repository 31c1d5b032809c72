#pragma once
// The tree view the shell tree stands on: TTreeNodes shown with expand buttons, images and
// selected images, in-place text editing, sorting, and the tree events.
//
// Event rules, the same for every tree (and in the spirit of the list view's):
// - one node at most is selected. A change of the selected node asks OnChanging (with the new
//   node, null when the selection goes), which may refuse it: then nothing changes, not even the
//   focus mark. Otherwise the old node stops being selected before the new one is, and OnChange
//   tells the new node (Selected() is already the new one).
// - expanding asks OnExpanding first, which may refuse it or fill the node's children (a node
//   with the expand button but no children is filled that way); a node that still has no
//   children stays collapsed and keeps its button. OnExpanded follows a real expansion.
//   Collapsing asks OnCollapsing and tells OnCollapsed; a selection inside the collapsed node
//   moves to it. Mouse (the button, a double click), keys (Left, Right, +, -, *) and the node
//   calls all take this road.
// - deleting fires OnDeletion once per node, each child before its parent, and no selection
//   events: a selected node that goes leaves no node selected. The display-info query never runs
//   while a node is being deleted.
// - the right mouse button does not change the selection.
// Subclasses change behaviour through the virtual hooks, as the events' own users change it
// through the events.
//
// GUI thread only. The view owns its nodes; the image lists belong to the form. A subclass that
// overrides Delete clears the nodes in its own destructor, since the base class's destructor can
// only reach its own Delete.

#include "Events.h"
#include "ImageList.h"
#include "ItemImages.h"
#include "TreeNodes.h"

#include <QIcon>
#include <QTreeView>

#include <cstdint>

namespace sondrel::framework {

// What the view asks of a node when it shows it.
struct TTVDispInfo
{
    static constexpr unsigned tvifText = 1;
    static constexpr unsigned tvifImage = 2;
    static constexpr unsigned tvifSelectedImage = 0x20;

    unsigned Mask = 0;
    QString Text;
    int Image = -1;
    int SelectedImage = -1;
};

class TCustomTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit TCustomTreeView(QWidget* parent = nullptr);
    ~TCustomTreeView() override;

    [[nodiscard]] TTreeNodes& Items() const { return *m_items; }

    [[nodiscard]] TImageList* Images() const { return m_itemImages.Images(); }
    void SetImages(TImageList* images);
    [[nodiscard]] TImageList* StateImages() const { return m_itemImages.StateImages(); }
    void SetStateImages(TImageList* images);

    [[nodiscard]] bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Buttons and lines in front of the top-level nodes.
    [[nodiscard]] bool ShowRoot() const { return rootIsDecorated(); }
    void SetShowRoot(bool show) { setRootIsDecorated(show); }

    [[nodiscard]] TTreeNode* Selected() const { return m_selected; }
    // Selects `node` (null: none) through OnChanging and OnChange.
    void SetSelected(TTreeNode* node);
    // The node on the row at (x, y) of the viewport, or null.
    [[nodiscard]] TTreeNode* GetNodeAt(int x, int y) const;
    [[nodiscard]] bool IsEditing() const { return state() == EditingState; }

    bool AlphaSort(bool recurse = true);
    bool CustomSort(const TTVCompare& compare, std::intptr_t lParam, bool recurse = true);

    TTVChangingEvent OnChanging;
    TTVChangedEvent OnChange;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVExpandedEvent OnDeletion;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVExpandedEvent OnGetImageIndex;
    TTVExpandedEvent OnGetSelectedIndex;
    TKeyEvent OnKeyDown;

protected:
    // May the node expand? Fires OnExpanding; the place to fill a node's children.
    virtual bool CanExpand(TTreeNode* node);
    // The node expanded; fires OnExpanded.
    virtual void Expand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual void Collapse(TTreeNode* node);
    // May the selection move to `node` (null: go)? Fires OnChanging.
    virtual bool CanChange(TTreeNode* node);
    // The selection moved to `node`; fires OnChange.
    virtual void Change(TTreeNode* node);
    // A node is about to leave the tree; fires OnDeletion.
    virtual void Delete(TTreeNode* node);
    // May the text be edited? Fires OnEditing.
    virtual bool CanEdit(TTreeNode* node);
    // An edit ended with `text`; fires OnEdited, then sets the text to what it left.
    virtual void Edit(TTreeNode* node, QString text);
    // The node's images are about to be asked for; fire OnGetImageIndex and OnGetSelectedIndex.
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    // A key went down; a handler that sets `key` to 0 takes it. Fires OnKeyDown.
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // The text and images the view shows for a node, called from the model on demand: by
    // default the node's text, and its image indexes after GetImageIndex and GetSelectedIndex.
    virtual void GetDispInfo(TTreeNode& node, TTVDispInfo& info);

    // Qt
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    friend class TTreeSelectionModel;

    void ExpandNode(TTreeNode* node, bool recurse);
    void CollapseNode(TTreeNode* node, bool recurse);
    // Expands or collapses the node for the mouse.
    void Toggle(TTreeNode* node);
    void SetNodeSelected(TTreeNode& node, bool selected);
    // The selection model asks before it moves the selection, and tells after.
    bool AllowSelect(TTreeNode* node);
    void SelectionMoved(TTreeNode* node);
    // Nodes leave the tree: the selection goes without an event.
    void Forget(TTreeNode& node);
    void ForgetAll();
    // Where the node's text lies within its cell.
    [[nodiscard]] QRect TextRect(const QModelIndex& index, const QRect& cell) const;
    [[nodiscard]] bool OnButton(const QModelIndex& index, QPoint pos) const;
    [[nodiscard]] QIcon NodeIcon(TTreeNode& node);
    [[nodiscard]] QVariant NodeData(TTreeNode& node, int role);
    void UpdateIconSize();
    [[nodiscard]] bool Deleting() const { return m_deleting > 0; }

    TTreeNodes* m_items; // a child QObject, so that the view's own destructor still sees it
    TItemImages m_itemImages;
    TTreeNode* m_selected = nullptr;
    bool m_readOnly = false;
    int m_deleting = 0;
};

} // namespace sondrel::framework
