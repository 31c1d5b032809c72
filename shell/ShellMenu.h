#pragma once
// A namespace menu model shown as a real menu: entries, separators, sub-menus, grayed entries,
// the default entry in bold, icons from the theme. Tracking returns the chosen id, or 0 when the
// menu was dismissed, as TrackPopupMenu with TPM_RETURNCMD does. GUI thread.

#include "MenuModel.h"

#include <QPoint>

class QMenu;
class QWidget;

namespace sondrel::shell {

// A new menu for `model` (owned by `parent`); each action's data is its id.
[[nodiscard]] QMenu* BuildMenu(const platform::MenuModel& model, QWidget* parent);

// Shows the model's menu at `globalPos` until the user chooses or dismisses it.
[[nodiscard]] unsigned TrackMenuModel(
    const platform::MenuModel& model, QWidget* owner, QPoint globalPos);

} // namespace sondrel::shell
