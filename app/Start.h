#pragma once
// Start-up: the application object, its title and help file, the main window, the loop.

namespace sondrel::app {

// Runs Sondrel until its window closes. An exception that escapes start-up or the loop is shown
// in the standard exception box; the result is then 0 as well.
int RunSondrel(int argc, char** argv);

} // namespace sondrel::app
