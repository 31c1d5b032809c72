#pragma once
// Watches the mount table and reports each drive of "Computer" that appears or goes as a
// device-change broadcast: DBT_DEVICEARRIVAL (0x8000) for a new mount, DBT_DEVICEREMOVECOMPLETE
// (0x8004) for one that went. The kernel signals a changed table with POLLPRI on
// /proc/self/mountinfo, which a socket notifier of the Exception kind waits for, so no thread is
// needed: the watch lives on the thread that made it (the GUI thread) and reports from its event
// loop. Owned by whoever made it.

#include "MountTable.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace sondrel::platform {

class MountWatch : public QObject
{
    Q_OBJECT

public:
    explicit MountWatch(QObject* parent = nullptr);
    ~MountWatch() override;

    // Whether the mount table could be opened for watching.
    [[nodiscard]] bool Watching() const { return m_table >= 0; }

    // Compares the table with what was seen last and reports the differences; the notifier calls
    // it, and a caller may too (a second call with no change reports nothing).
    void CheckNow();

Q_SIGNALS:
    void DeviceChange(win32::WPARAM event, const QByteArray& mountPoint);

private:
    int m_table = -1;
    QSocketNotifier* m_notifier = nullptr;
    DriveList m_drives;
};

} // namespace sondrel::platform
