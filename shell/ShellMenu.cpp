#include "ShellMenu.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>

#include <memory>

namespace sondrel::shell {

namespace {

    void Fill(QMenu& menu, const std::vector<platform::MenuEntry>& entries)
    {
        for (const platform::MenuEntry& entry : entries) {
            if (entry.Separator) {
                menu.addSeparator();
                continue;
            }
            const QString text = QString::fromUtf8(entry.Text);
            if (!entry.SubMenu.empty()) {
                QMenu* sub = menu.addMenu(text);
                sub->setEnabled(!entry.Grayed);
                Fill(*sub, entry.SubMenu);
                continue;
            }
            QAction* action = menu.addAction(text);
            if (!entry.Icon.empty())
                action->setIcon(QIcon::fromTheme(QString::fromUtf8(entry.Icon)));
            action->setEnabled(!entry.Grayed);
            action->setData(entry.Id);
            if (entry.Default) {
                QFont bold = action->font();
                bold.setBold(true);
                action->setFont(bold);
                menu.setDefaultAction(action);
            }
        }
    }

} // namespace

QMenu* BuildMenu(const platform::MenuModel& model, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    Fill(*menu, model.Entries());
    return menu;
}

unsigned TrackMenuModel(const platform::MenuModel& model, QWidget* owner, QPoint globalPos)
{
    const std::unique_ptr<QMenu> menu(BuildMenu(model, owner));
    const QPointer<QMenu> alive(menu.get());
    QAction* chosen = menu->exec(globalPos);
    if (chosen == nullptr || !alive)
        return 0;
    return chosen->data().toUInt();
}

} // namespace sondrel::shell
