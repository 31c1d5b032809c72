#include "InotifyHub.h"

#include "ChangeNotify.h"

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace sondrel::platform::notify {

namespace {

    constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    // The watched folder itself went: deleted, moved away (its path no longer names it) or its
    // file system unmounted; IN_IGNORED follows each, and also a watch the kernel dropped.
    constexpr std::uint32_t kDeathEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

    std::mutex s_hubMutex;
    std::weak_ptr<InotifyHub> s_hub;

} // namespace

std::shared_ptr<InotifyHub> InotifyHub::Get(int& error)
{
    const std::scoped_lock lock(s_hubMutex);
    if (std::shared_ptr<InotifyHub> hub = s_hub.lock())
        return hub;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::shared_ptr<InotifyHub> hub(new InotifyHub(fd));
    s_hub = hub;
    return hub;
}

InotifyHub::~InotifyHub() { ::close(m_fd); }

int InotifyHub::Add(ChangeNotification& change, const std::string& path, std::uint32_t mask)
{
    const std::scoped_lock lock(m_mutex);
    // Two notifications of one folder share the kernel's watch: the masks add up, and each
    // notification picks what its filter asks for.
    const int wd = ::inotify_add_watch(
        m_fd, path.c_str(), mask | IN_ONLYDIR | IN_MASK_ADD | IN_DELETE_SELF | IN_MOVE_SELF);
    if (wd < 0)
        return errno;
    change.m_wd = wd;
    m_watches[wd].push_back(&change);
    return 0;
}

void InotifyHub::Remove(ChangeNotification& change)
{
    const std::scoped_lock lock(m_mutex);
    const auto found = m_watches.find(change.m_wd);
    if (found == m_watches.end())
        return; // the kernel dropped the watch already
    std::erase(found->second, &change);
    if (found->second.empty()) {
        ::inotify_rm_watch(m_fd, found->first);
        m_watches.erase(found);
    }
    change.m_wd = -1;
}

void InotifyHub::Drain()
{
    const std::scoped_lock lock(m_mutex);
    DrainLocked();
}

bool InotifyHub::Rearm(ChangeNotification& change)
{
    const std::scoped_lock lock(m_mutex);
    DrainLocked();
    change.m_signalled = false;
    (void)DrainFd(change.Fd());
    return !change.m_dead;
}

void InotifyHub::DrainLocked()
{
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0)
            return; // EAGAIN: nothing more queued
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                // Changes were lost: any folder may have changed.
                for (auto& [wd, changes] : m_watches)
                    for (ChangeNotification* change : changes)
                        if (!change->m_dead)
                            change->Signal();
                continue;
            }
            // Changes of the folder's own attributes or content carry no name: not an item's.
            if (event.len == 0 && !(event.mask & kDeathEvents))
                continue;
            Dispatch(event.wd, event.mask);
        }
    }
}

void InotifyHub::Dispatch(int wd, std::uint32_t mask)
{
    const auto found = m_watches.find(wd);
    if (found == m_watches.end())
        return;
    for (ChangeNotification* change : found->second) {
        if (mask & kDeathEvents) {
            if (!change->m_dead) {
                change->m_dead = true;
                change->Signal();
            }
        } else if (!change->m_dead && change->Wants(mask)) {
            change->Signal();
        }
    }
    if (mask & IN_IGNORED) {
        // The kernel has let the watch go and may hand its number out again.
        for (ChangeNotification* change : found->second)
            change->m_wd = -1;
        m_watches.erase(found);
    }
}

ChangeNotification::~ChangeNotification() { m_hub->Remove(*this); }

bool ChangeNotification::Wants(std::uint32_t mask) const
{
    using namespace win32;
    if ((mask & kNameEvents)
        && (m_filter
            & ((mask & IN_ISDIR) ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME)))
        return true;
    // An item gets its creation time when it is made; nothing changes it later.
    if ((mask & IN_CREATE) && (m_filter & FILE_NOTIFY_CHANGE_CREATION))
        return true;
    if ((mask & IN_ATTRIB)
        && (m_filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)))
        return true;
    if ((mask & IN_MODIFY)
        && (m_filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)))
        return true;
    if ((mask & IN_CLOSE_WRITE) && (m_filter & FILE_NOTIFY_CHANGE_LAST_WRITE))
        return true;
    return (mask & IN_ACCESS) && (m_filter & FILE_NOTIFY_CHANGE_LAST_ACCESS);
}

void ChangeNotification::Signal()
{
    if (m_signalled)
        return;
    m_signalled = true;
    SignalFd(Fd());
}

} // namespace sondrel::platform::notify
