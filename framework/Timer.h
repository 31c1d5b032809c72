#pragma once
// A timer as controls use it: an interval, an enabled flag and an event, restarting whenever
// either changes. Owned by its control; GUI thread only.

#include "Events.h"

#include <QTimer>

namespace sondrel::framework {

class TTimer : public QObject
{
    Q_OBJECT

public:
    explicit TTimer(QObject* owner = nullptr);

    [[nodiscard]] int Interval() const { return m_timer.interval(); }
    void SetInterval(int milliseconds);
    [[nodiscard]] bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

private:
    void Restart();

    QTimer m_timer;
    bool m_enabled = true;
};

} // namespace sondrel::framework
