#pragma once
// What both start-up programs of the benchmarks share: they end as soon as a window has painted,
// so that a process's run time is its time to the first paint.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace sondrel::bench {

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

} // namespace sondrel::bench
