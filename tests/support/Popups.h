#pragma once
// Answering the popup menus a widget test opens: the menu's own loop runs until it is answered.

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <functional>

namespace sondrel::test {

// Runs `act` on the active popup menu once there is one (polling, so a busy machine only makes
// it later); after 10 s without one it stops looking.
inline void OnPopup(const std::function<void(QMenu*)>& act, int waited = 0)
{
    QTimer::singleShot(20, [=] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup != nullptr)
            act(popup);
        else if (waited < 10000)
            OnPopup(act, waited + 20);
    });
}

} // namespace sondrel::test
