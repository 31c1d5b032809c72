#include "Xattr.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::backup {

namespace {

#ifdef SYS_listxattrat
    constexpr long kListxattrat = SYS_listxattrat;
#else
    constexpr long kListxattrat = 465; // the same on every architecture
#endif

    ssize_t Get(const XattrTarget& t, const char* name, void* value, std::size_t size)
    {
        if (t.Fd >= 0)
            return ::fgetxattr(t.Fd, name, value, size);
        return t.FollowLinks ? ::getxattr(t.Path, name, value, size)
                             : ::lgetxattr(t.Path, name, value, size);
    }

    ssize_t List(const XattrTarget& t, char* list, std::size_t size)
    {
        if (t.Fd >= 0)
            return ::flistxattr(t.Fd, list, size);
        // listxattrat (Linux 6.13) resolves one name in the folder; older kernels lack it.
        static bool s_noListAt = false;
        if (t.DirFd >= 0 && !s_noListAt) {
            const long got = ::syscall(kListxattrat, t.DirFd, t.Path + t.NameAt,
                t.FollowLinks ? 0 : AT_SYMLINK_NOFOLLOW, list, size);
            if (got >= 0 || errno != ENOSYS)
                return static_cast<ssize_t>(got);
            s_noListAt = true;
        }
        return t.FollowLinks ? ::listxattr(t.Path, list, size) : ::llistxattr(t.Path, list, size);
    }

    // The size may change between the query and the read; a few rounds settle it.
    constexpr int kAttempts = 4;

} // namespace

namespace {

    void SplitNames(const char* buffer, ssize_t length, std::vector<std::string>& names)
    {
        const char* end = buffer + length;
        names.reserve(static_cast<std::size_t>(std::count(buffer, end, '\0')));
        const char* start = buffer;
        for (const char* at = buffer; at < end; ++at) {
            if (*at == '\0') {
                if (at > start)
                    names.emplace_back(start, at);
                start = at + 1;
            }
        }
    }

} // namespace

int ListXattrs(const XattrTarget& target, std::vector<std::string>& names)
{
    names.clear();
    // Most items list a few short names: one call into a buffer on the stack finds them all,
    // and only a longer list is measured first.
    char shortList[1024];
    const ssize_t quick = List(target, shortList, sizeof shortList);
    if (quick >= 0) {
        SplitNames(shortList, quick, names);
        return 0;
    }
    if (errno == ENOTSUP)
        return 0;
    if (errno != ERANGE)
        return errno;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const ssize_t size = List(target, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? 0 : errno;
        if (size == 0)
            return 0;
        std::vector<char> longList(static_cast<std::size_t>(size));
        const ssize_t got = List(target, longList.data(), longList.size());
        if (got < 0) {
            if (errno == ERANGE)
                continue;
            return errno;
        }
        SplitNames(longList.data(), got, names);
        return 0;
    }
    return ERANGE;
}

std::int64_t XattrSize(const XattrTarget& target, const char* name)
{
    const ssize_t size = Get(target, name, nullptr, 0);
    return size < 0 ? -std::int64_t { errno } : std::int64_t { size };
}

std::int64_t ReadSmallXattr(
    const XattrTarget& target, const char* name, void* value, std::size_t size)
{
    const ssize_t got = Get(target, name, value, size);
    return got < 0 ? -std::int64_t { errno } : std::int64_t { got };
}

int ReadXattr(const XattrTarget& target, const char* name, std::vector<std::uint8_t>& value)
{
    value.clear();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const ssize_t size = Get(target, name, nullptr, 0);
        if (size < 0)
            return errno;
        value.resize(static_cast<std::size_t>(size));
        if (size == 0)
            return 0;
        const ssize_t got = Get(target, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return 0;
        }
        if (errno != ERANGE && errno != EIO)
            return errno;
        // EIO may be ntfs-3g's answer to a value that grew since the size query: ask again,
        // and keep the EIO when it was a real one.
        if (attempt + 1 == kAttempts)
            return errno;
    }
    return ERANGE;
}

} // namespace sondrel::backup
