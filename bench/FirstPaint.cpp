// sondrel-first-paint [sondrel's arguments]
//
// Sondrel's own start-up, exactly as its main runs it, ending as soon as the window has painted:
// its run time is the time to the first painted desktop, against sondrel-minimal-tree.

#include "Start.h"

#include <QApplication>
#include <QTimer>

namespace {

// Quits once, after the first paint any widget receives has been handled.
class TQuitAfterPaint final : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_quitting) {
            m_quitting = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quitting = false;
};

// Runs as the application object is made, before the program builds its window.
void WatchFirstPaint()
{
    static TQuitAfterPaint s_quit;
    qApp->installEventFilter(&s_quit);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchFirstPaint)

int main(int argc, char** argv) { return sondrel::app::RunSondrel(argc, argv); }
