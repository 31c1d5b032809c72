#pragma once
// The main window in widget tests: shown, a file's streams listed, a stream selected, and what a
// screen reader hears of the stream list.

#include "Main.h"

#include <QString>
#include <QStringList>

#include <string>

namespace sondrel::test {

// Shows `form` and waits (bounded) until it is on the screen; false when it never was.
[[nodiscard]] bool ShowForm(app::TMainForm& form);
// Shows `folder` in the file list and selects its item shown as `name`, which lists its streams;
// null when the folder has no such item.
framework::TListItem* ShowFile(
    app::TMainForm& form, const std::string& folder, const QString& name);
// Selects the stream captioned `caption`, or with an empty caption the first of kind `kind` (a
// backup stream id); null when there is none.
framework::TListItem* SelectStream(app::TMainForm& form, const QString& caption, int kind = 0);
// Each row of the stream list as a screen reader names it.
[[nodiscard]] QStringList StreamAccessibleNames(app::TMainForm& form);

} // namespace sondrel::test
