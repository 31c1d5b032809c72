#include "NodeCopy.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::fileops::detail {

namespace {

    constexpr const char* kAclAccess = "system.posix_acl_access";
    constexpr const char* kAclDefault = "system.posix_acl_default";
    // Large enough that a call costs little against its bytes, small enough that a cancel is
    // heard within a fraction of a second.
    constexpr std::size_t kChunk = 8u << 20;
    constexpr std::size_t kBuffer = 1u << 20;
    constexpr std::size_t kFirstTry = 4096;

    // What a file system says when it cannot hold an xattr at all or this one.
    bool CannotHold(int error)
    {
        return error == ENOTSUP || error == EOPNOTSUPP || error == EPERM || error == ENOSPC
            || error == E2BIG || error == ERANGE || error == EDQUOT;
    }

    bool Unsupported(int error)
    {
        return error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
    }

    // Copies [offset, offset + length) with copy_file_range, or read and write where the file
    // systems cannot (across some file systems, FUSE). Returns 0, ECANCELED or an errno.
    int CopyRange(int in, int out, off_t offset, std::uint64_t length, Progress& progress,
        std::uint64_t& copied, bool& plain)
    {
        std::unique_ptr<char[]> buffer;
        while (length > 0) {
            if (progress.Cancelled())
                return ECANCELED;
            const std::size_t want
                = static_cast<std::size_t>(std::min<std::uint64_t>(length, kChunk));
            ssize_t done = -1;
            if (!plain) {
                loff_t from = offset;
                loff_t to = offset;
                done = ::copy_file_range(in, &from, out, &to, want, 0);
                if (done < 0
                    && (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS
                        || errno == ENOTSUP)) {
                    plain = true;
                    continue;
                }
            } else {
                if (!buffer)
                    buffer = std::make_unique<char[]>(kBuffer);
                done = ::pread(in, buffer.get(), std::min(want, kBuffer), offset);
                for (ssize_t written = 0; done > 0 && written < done;) {
                    const ssize_t n = ::pwrite(out, buffer.get() + written,
                        static_cast<std::size_t>(done - written), offset + written);
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n <= 0)
                        return n < 0 ? errno : EIO;
                    written += n;
                }
            }
            if (done < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (done == 0)
                return 0; // the source ended early; the caller compares the size
            offset += done;
            length -= static_cast<std::uint64_t>(done);
            copied += static_cast<std::uint64_t>(done);
            progress.AddBytes(static_cast<std::uint64_t>(done));
        }
        return 0;
    }

} // namespace

Fd::~Fd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

int Fd::Release() { return std::exchange(m_fd, -1); }

std::vector<std::string> ListNames(int dirFd, int& error)
{
    std::vector<std::string> names;
    error = 0;
    const int copy = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (dir == nullptr) {
        error = errno;
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    error = errno;
    ::closedir(dir);
    return names;
}

bool IsNamedStream(const std::string& name) { return name.starts_with("user."); }

int ReadXattrs(int fd, std::vector<Xattr>& xattrs)
{
    xattrs.clear();
    // Most items' names and values fit a small buffer: one call each, and the size is asked
    // only when they do not (ntfs-3g answers a short buffer with EIO, others with ERANGE).
    std::string names(kFirstTry, '\0');
    for (;;) {
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return Unsupported(errno) ? 0 : errno;
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno;
        names.resize(static_cast<std::size_t>(size) + 1);
    }
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find('\0', at);
        std::string name = names.substr(at, end - at);
        at = end == std::string::npos ? names.size() : end + 1;
        if (!IsNamedStream(name) && name != kAclAccess && name != kAclDefault)
            continue;
        Xattr xattr { std::move(name), std::string(kFirstTry, '\0') };
        ssize_t got = ::fgetxattr(fd, xattr.Name.c_str(), xattr.Value.data(), xattr.Value.size());
        while (got < 0 && (errno == ERANGE || errno == EIO)) {
            const ssize_t size = ::fgetxattr(fd, xattr.Name.c_str(), nullptr, 0);
            if (size < 0)
                return errno;
            xattr.Value.resize(static_cast<std::size_t>(size));
            got = ::fgetxattr(fd, xattr.Name.c_str(), xattr.Value.data(), xattr.Value.size());
            if (got < 0 && errno == EIO)
                return EIO; // the size fitted: a real I/O error
        }
        if (got < 0)
            return errno;
        xattr.Value.resize(static_cast<std::size_t>(got));
        xattrs.push_back(std::move(xattr));
    }
    return 0;
}

int WriteNamedStreams(int fd, const std::vector<Xattr>& xattrs, std::vector<std::string>& lost)
{
    for (const Xattr& xattr : xattrs) {
        if (!IsNamedStream(xattr.Name))
            continue;
        if (::fsetxattr(fd, xattr.Name.c_str(), xattr.Value.data(), xattr.Value.size(), 0) == 0)
            continue;
        if (!CannotHold(errno))
            return errno;
        lost.push_back(xattr.Name);
    }
    return 0;
}

int ApplyAttributes(int fd, const struct stat& st, const std::vector<Xattr>& xattrs)
{
    if (::geteuid() == 0 && ::fchown(fd, st.st_uid, st.st_gid) != 0 && !Unsupported(errno))
        return errno;
    if (::fchmod(fd, st.st_mode & 07777) != 0 && !Unsupported(errno))
        return errno;
    for (const Xattr& xattr : xattrs) {
        if (IsNamedStream(xattr.Name))
            continue;
        if (::fsetxattr(fd, xattr.Name.c_str(), xattr.Value.data(), xattr.Value.size(), 0) != 0
            && !Unsupported(errno))
            return errno;
    }
    const std::array<timespec, 2> times { st.st_atim, st.st_mtim };
    if (::futimens(fd, times.data()) != 0 && !Unsupported(errno))
        return errno;
    return 0;
}

int ApplyAttributesAt(int dirFd, const char* name, const struct stat& st)
{
    if (::geteuid() == 0 && ::fchownat(dirFd, name, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0
        && !Unsupported(errno))
        return errno;
    // A link has no mode of its own; fchmodat would follow it.
    if (!S_ISLNK(st.st_mode) && ::fchmodat(dirFd, name, st.st_mode & 07777, 0) != 0
        && !Unsupported(errno))
        return errno;
    const std::array<timespec, 2> times { st.st_atim, st.st_mtim };
    if (::utimensat(dirFd, name, times.data(), AT_SYMLINK_NOFOLLOW) != 0 && !Unsupported(errno))
        return errno;
    return 0;
}

int CopyData(int in, int out, const struct stat& st, Progress& progress, std::uint64_t& copied)
{
    copied = 0;
    bool plain = false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // Only a file with fewer blocks than bytes can have holes; others skip the probing.
    const bool sparse = static_cast<std::uint64_t>(st.st_blocks) * 512 < size;
    if (!sparse)
        return CopyRange(in, out, 0, size, progress, copied, plain);
    off_t at = 0;
    while (static_cast<std::uint64_t>(at) < size) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // only a hole is left
            return errno;
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        hole = std::min<off_t>(hole, static_cast<off_t>(size));
        const std::uint64_t before = copied;
        if (const int error = CopyRange(
                in, out, data, static_cast<std::uint64_t>(hole - data), progress, copied, plain);
            error != 0)
            return error;
        if (copied - before < static_cast<std::uint64_t>(hole - data))
            return 0; // ended early
        at = hole;
    }
    if (::ftruncate(out, static_cast<off_t>(size)) != 0)
        return errno;
    // The holes count as copied: the size arrived whole.
    progress.AddBytes(size - copied);
    copied = size;
    return 0;
}

} // namespace sondrel::fileops::detail
