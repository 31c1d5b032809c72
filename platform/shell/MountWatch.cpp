#include "MountWatch.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    bool Contains(const DriveList& drives, const Drive& drive)
    {
        return std::any_of(drives.begin(), drives.end(), [&](const Drive& d) {
            return d.MountPoint == drive.MountPoint && d.Device == drive.Device;
        });
    }

} // namespace

MountWatch::MountWatch(QObject* parent)
    : QObject(parent)
    , m_table(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{
    m_drives = *CurrentDrives(true);
    if (m_table < 0)
        return;
    // Reading the table to its end arms the notification.
    char buffer[4096];
    while (::read(m_table, buffer, sizeof buffer) > 0) { }
    // Without an event loop there is nothing to wake; CheckNow still works.
    if (QCoreApplication::instance() == nullptr)
        return;
    m_notifier = new QSocketNotifier(m_table, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char drain[4096];
        ::lseek(m_table, 0, SEEK_SET);
        while (::read(m_table, drain, sizeof drain) > 0) { }
        CheckNow();
    });
}

MountWatch::~MountWatch()
{
    delete m_notifier;
    if (m_table >= 0)
        ::close(m_table);
}

void MountWatch::CheckNow()
{
    DriveList now = *CurrentDrives(true);
    for (const Drive& drive : m_drives) {
        if (!Contains(now, drive))
            Q_EMIT DeviceChange(win32::DBT_DEVICEREMOVECOMPLETE,
                QByteArray(drive.MountPoint.data(), static_cast<int>(drive.MountPoint.size())));
    }
    for (const Drive& drive : now) {
        if (!Contains(m_drives, drive))
            Q_EMIT DeviceChange(win32::DBT_DEVICEARRIVAL,
                QByteArray(drive.MountPoint.data(), static_cast<int>(drive.MountPoint.size())));
    }
    m_drives = std::move(now);
}

} // namespace sondrel::platform
