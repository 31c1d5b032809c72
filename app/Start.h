#pragma once
// Start-up: the command line, the application object, its title, icon and help file, the main
// window, the loop.

#include <QIcon>

namespace sondrel::app {

// Runs Sondrel until its window closes. --help and --version print and return before the
// toolkit starts, so they need no display; a usage error is reported on standard error and
// answers 2. A PATH is opened once the window is up, so that a path that cannot be opened is
// reported over the window. An exception that escapes start-up or the loop is shown in the
// standard exception box; the result is then 0 as well.
int RunSondrel(int argc, char** argv);

// The program's icon, built into it: the same picture the desktop entry names.
[[nodiscard]] QIcon SondrelIcon();

} // namespace sondrel::app
