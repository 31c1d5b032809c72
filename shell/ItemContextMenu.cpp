#include "ItemContextMenu.h"

#include "CustomDraw.h"
#include "Guard.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QMenu>

namespace sondrel::shell {

TItemContextMenu::TItemContextMenu(QAbstractScrollArea& view)
    : m_view(view)
{
}

bool TItemContextMenu::TakeMenuKey(int& key, Qt::KeyboardModifiers& shift)
{
    shift &= ~Qt::KeypadModifier;
    if ((key == Qt::Key_Menu && shift == Qt::NoModifier)
        || (key == Qt::Key_F10 && shift == Qt::ShiftModifier)) {
        key = 0;
        return true;
    }
    return false;
}

void TItemContextMenu::Popup(QMenu* menu, framework::TPoint pos) const
{
    SetPopupComponent(menu, &m_view);
    menu->popup(m_view.viewport()->mapToGlobal(QPoint(pos.X, pos.Y)));
}

void TItemContextMenu::RightButtonReleased(QPoint pos, const std::function<void(QPoint)>& click,
    const std::function<void(QPoint)>& request, const std::function<void()>& release)
{
    // The flag lasts for this click alone.
    const framework::TScopedValue shown(m_menuShown, false);
    framework::Guarded([&] {
        click(pos);
        request(pos);
    });
    const framework::TScopedValue aside(m_popupMenu, m_menuShown ? nullptr : m_popupMenu);
    release();
}

void TItemContextMenu::ContextMenuEvent(
    QContextMenuEvent* event, const std::function<void()>& request)
{
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse)
        framework::Guarded(request);
}

} // namespace sondrel::shell
