#include "SafeOpen.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::platform {

OpenedItem::~OpenedItem()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int OpenedItem::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int OpenForReading(const std::string& path, bool followLinks, OpenedItem& item)
{
    if (item.m_fd >= 0) {
        ::close(item.m_fd);
        item.m_fd = -1;
    }
    const int pathFd = ::open(path.c_str(), O_PATH | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (pathFd < 0)
        return errno;
    int error = 0;
    if (::fstat(pathFd, &item.m_stat) != 0) {
        error = errno;
    } else if (S_ISREG(item.m_stat.st_mode) || S_ISDIR(item.m_stat.st_mode)) {
        // Reopening through the descriptor's own entry reaches the very inode checked above,
        // with the permission checks of an ordinary open.
        const std::string self = "/proc/self/fd/" + std::to_string(pathFd);
        item.m_fd = ::open(self.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (item.m_fd < 0)
            error = errno;
    }
    ::close(pathFd);
    return error;
}

} // namespace sondrel::platform
