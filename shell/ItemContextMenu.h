#pragma once
// The context-menu plumbing the tree and list bases share: the form's popup menu, the keys that
// ask for a menu (the Applications key, Shift+F10), popping a menu up over the view, and the
// order a right click is told in: the click, then the context menu request, then the release,
// with the flag that keeps a menu shown for the click from being followed by another. What a
// click or a request offers, and at which item, is the view's own; it hands that in.
//
// GUI thread only. The view owns it; the menus belong to the form.

#include "Geometry.h"

#include <QPoint>
#include <QPointer>

#include <functional>

class QAbstractScrollArea;
class QContextMenuEvent;
class QMenu;

namespace sondrel::shell {

class TItemContextMenu
{
public:
    // The menus pop up over the viewport of `view`, and as its own.
    explicit TItemContextMenu(QAbstractScrollArea& view);

    [[nodiscard]] QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    // Whether a menu was shown for the right click being told.
    [[nodiscard]] bool MenuShown() const { return m_menuShown; }
    void SetMenuShown() { m_menuShown = true; }

    // Takes a key that asks for the menu, setting it to 0. The keypad modifier leaves `shift`
    // either way: the keys count the same on the keypad.
    [[nodiscard]] static bool TakeMenuKey(int& key, Qt::KeyboardModifiers& shift);
    // Pops `menu` up at `pos` of the viewport.
    void Popup(QMenu* menu, framework::TPoint pos) const;

    // A right button's release at `pos`: `click`, then `request` (the mouse's context menu
    // request), both guarded, then `release`, the view's own handling of it. While that runs a
    // menu shown for the click keeps the popup menu aside; the flag goes after it.
    void RightButtonReleased(QPoint pos, const std::function<void(QPoint)>& click,
        const std::function<void(QPoint)>& request, const std::function<void()>& release);
    // A context menu event: only requests not made by the mouse run `request` (guarded), as the
    // mouse's are made by the right button's release.
    static void ContextMenuEvent(QContextMenuEvent* event, const std::function<void()>& request);

private:
    QAbstractScrollArea& m_view;
    QPointer<QMenu> m_popupMenu;
    bool m_menuShown = false;
};

} // namespace sondrel::shell
