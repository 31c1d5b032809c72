#pragma once
// What both start-up programs of the benchmarks share: they end as soon as a window has painted,
// so that a process's run time is its time to the first paint plus its quitting. Where
// SONDREL_PAINTED_FD names an open descriptor, one byte is written to it at the first paint, so
// that the benchmark can time the start-up alone.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdlib>

#include <unistd.h>

namespace sondrel::bench {

// Quits once, after the first paint any widget receives has been handled.
class TQuitAfterPaint final : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_quitting) {
            m_quitting = true;
            // Said as soon as the paint is handled: ahead of the work others queued for after it.
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::HighEventPriority);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (const char* fd = std::getenv("SONDREL_PAINTED_FD")) {
            const char painted = 'p';
            (void)::write(std::atoi(fd), &painted, 1);
        }
        return true;
    }

private:
    bool m_quitting = false;
};

} // namespace sondrel::bench
