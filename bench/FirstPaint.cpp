// sondrel-first-paint [sondrel's arguments]
//
// Sondrel's own start-up, exactly as its main runs it, ending as soon as the window has painted:
// its run time is the time to the first painted desktop, against sondrel-minimal-tree.

#include "QuitAfterPaint.h"
#include "Start.h"

#include <QApplication>

namespace {

using sondrel::bench::TQuitAfterPaint;

// Runs as the application object is made, before the program builds its window.
void WatchFirstPaint()
{
    static TQuitAfterPaint s_quit;
    qApp->installEventFilter(&s_quit);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchFirstPaint)

int main(int argc, char** argv) { return sondrel::app::RunSondrel(argc, argv); }
