#pragma once
// The tree base of the shell tree: the framework's tree view with custom drawing through
// TPTCustomDraw, a context menu per node with keyboard access, and the tree's colour and font.
//
// Custom drawing follows the notification protocol: each paint of the viewport is a pre-paint
// notification (and a post-paint one when asked for); when the pre-paint result asks for item
// notifications, each row drawn is an item pre-paint notification (and an item post-paint one
// when asked for), whose changes the item delegate draws with. The tree asks for item
// notifications only while a draw event is assigned.
//
// Context menus: a right click on a node, or the Applications key and Shift+F10 on the selected
// node, offer the node to NodeContextMenu (OnNodeContextMenu), which may replace the menu or
// take it away, and pop up what is left at the node. The framework pops up no menu by itself.
//
// GUI thread only. The tree owns the wrapper of the last notification; the popup menu belongs
// to the form.

#include "CustomDraw.h"
#include "CustomDrawDelegate.h"
#include "CustomTreeView.h"
#include "Graphics.h"
#include "ItemContextMenu.h"

#include <QMenu>

#include <memory>

namespace sondrel::shell {

class TPTCustomTreeView : public framework::TCustomTreeView
{
    Q_OBJECT

public:
    explicit TPTCustomTreeView(QWidget* parent = nullptr);
    ~TPTCustomTreeView() override;

    // The tree's font; the wrapper's font starts from it.
    [[nodiscard]] const framework::TFont& Font() const { return m_font; }
    void SetFont(const framework::TFont& font) { m_font.Assign(font); }
    [[nodiscard]] framework::TColor Color() const { return m_color; }
    void SetColor(framework::TColor color);
    [[nodiscard]] QMenu* PopupMenu() const { return m_contextMenu.PopupMenu(); }
    void SetPopupMenu(QMenu* menu) { m_contextMenu.SetPopupMenu(menu); }
    // The window exists from the first polish of the widget on.
    [[nodiscard]] bool HandleAllocated() const { return m_handleAllocated; }

    // Repaints the node's row, or only its label.
    void InvalidateNode(framework::TTreeNode* node, bool labelOnly, bool erase);

protected:
    // Draws the row of `index` as the drop target under a drag (none for an invalid index).
    void SetDropHighlightRow(const QModelIndex& index);
    // Handles one custom-draw notification; the wrapper returned (or null) is kept until the
    // next one. `record` is always the tree variant (TNMTVCustomDraw).
    virtual std::unique_ptr<TPTCustomDraw> PTCustomDraw(
        TNMCustomDraw& record, std::int32_t& result);
    virtual std::unique_ptr<TPTCustomDraw> CreateCustomDraw(
        TNMCustomDraw& record, std::int32_t& result);
    // The context menu asked for from the keyboard.
    virtual void DoPreNodeContextMenu();
    // Asks NodeContextMenu, then pops the menu up at `pos` (viewport coordinates).
    virtual void DoNodeContextMenu(framework::TTreeNode* node, framework::TPoint pos);
    // Fires OnNodeContextMenu.
    virtual void NodeContextMenu(framework::TTreeNode* node, framework::TPoint& pos, QMenu*& menu);
    // Called once, when the window comes to exist.
    virtual void CreateWnd();

    // framework
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void GetDispInfo(framework::TTreeNode& node, framework::TTVDispInfo& info) override;

    // Qt
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    TPTTvOnNodeContextMenuEvent OnNodeContextMenu;
    TPTTvCustomDrawEvent OnPTCustomDraw;
    TPTTvCustomDrawEvent OnPTCustomDrawEx;

private:
    // One notification: the last wrapper goes, the new one stays.
    std::int32_t CustomDrawNotify(TNMCustomDraw& record);
    void RClick(QPoint pos);
    void WMContextMenu(QPoint pos, bool keyboard);
    void ApplyColor();

    framework::TFont m_font;
    framework::TColor m_color = framework::clWindow;
    TItemContextMenu m_contextMenu;
    bool m_handleAllocated = false;
    bool m_itemStages = false; // the current paint asked for item notifications
    std::unique_ptr<TPTCustomDraw> m_customDraw;
    TPTItemLook m_look;
    // The node drawn as the drop target under a drag (set by the shell tree), or none.
    QPersistentModelIndex m_dropHighlightRow;
};

// The same tree with its properties and events public, for use as a plain control.
class TPTTreeView : public TPTCustomTreeView
{
    Q_OBJECT

public:
    using TPTCustomTreeView::TPTCustomTreeView;

    using TPTCustomTreeView::OnNodeContextMenu;
    using TPTCustomTreeView::OnPTCustomDraw;
    using TPTCustomTreeView::OnPTCustomDrawEx;
};

} // namespace sondrel::shell
