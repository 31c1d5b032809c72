#pragma once
// The system calls below a copy: descriptors, named streams and ACLs as xattrs, a file's bytes
// (holes kept) and the attributes that go along. Results are 0 or an errno value.

#include "Progress.h"

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace sondrel::fileops::detail {

// One descriptor, closed when it goes.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd();
    Fd(Fd&& other) noexcept
        : m_fd(other.Release())
    {
    }
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    [[nodiscard]] int Get() const { return m_fd; }
    [[nodiscard]] bool Valid() const { return m_fd >= 0; }
    int Release();

private:
    int m_fd = -1;
};

// The names in an open folder, without "." and ".."; `error` is 0 or the errno of a failure.
[[nodiscard]] std::vector<std::string> ListNames(int dirFd, int& error);

// A named stream (user.*) or an ACL, as the xattr that holds it.
struct Xattr
{
    std::string Name;
    std::string Value;
};

[[nodiscard]] bool IsNamedStream(const std::string& name);

// The streams and ACLs of an open item, in the order the file system lists them.
[[nodiscard]] int ReadXattrs(int fd, std::vector<Xattr>& xattrs);

// Writes the named streams; those the target's file system cannot hold are added to `lost`
// (nothing else has failed then). Another failure returns its errno.
[[nodiscard]] int WriteNamedStreams(
    int fd, const std::vector<Xattr>& xattrs, std::vector<std::string>& lost);

// Owner (only as root), mode, ACLs and times of an open file or folder, in the order that keeps
// each: the owner first (it clears set-id bits), the ACL after the mode (it sets the mask), the
// times last. What the target's file system cannot hold (a mode on vfat) is passed over.
[[nodiscard]] int ApplyAttributes(int fd, const struct stat& st, const std::vector<Xattr>& xattrs);

// The same for a link, FIFO, socket or device, by name in its folder, never opening it.
[[nodiscard]] int ApplyAttributesAt(int dirFd, const char* name, const struct stat& st);

// Copies the bytes of `in` (its size and blocks in `st`) to the new, empty `out`, keeping holes,
// counting into `progress`. ECANCELED when cancelled; `copied` says how much arrived.
[[nodiscard]] int CopyData(
    int in, int out, const struct stat& st, Progress& progress, std::uint64_t& copied);

} // namespace sondrel::fileops::detail
