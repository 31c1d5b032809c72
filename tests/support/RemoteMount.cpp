#include "RemoteMount.h"

#include "Mounts.h"
#include "Run.h"

#include <chrono>
#include <filesystem>

#include <unistd.h>

namespace sondrel::test {

namespace {

    std::string Needs()
    {
#ifndef SONDREL_REMOTEFS_DAEMON
        return "libfuse3-dev was not installed when the tests were built (scripts/bootstrap "
               "test installs it)";
#else
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "/dev/fuse is missing or not ours to use";
        if (::geteuid() != 0 && !HaveProgram("fusermount3"))
            return "fusermount3 is not installed (scripts/bootstrap installs fuse3)";
        return {};
#endif
    }

} // namespace

RemoteMount::RemoteMount()
    : m_mountPoint(m_dir / "server")
{
    m_problem = Needs();
    if (!m_problem.empty())
        return;
#ifdef SONDREL_REMOTEFS_DAEMON
    std::filesystem::create_directory(m_mountPoint);
    // The daemon returns once the mount is there, and serves it from the background.
    const RunResult mounted
        = Run({ SONDREL_REMOTEFS_DAEMON, m_mountPoint }, std::chrono::seconds(30));
    if (mounted.Status != 0 || !IsMounted(m_mountPoint)) {
        m_problem = "the FUSE daemon could not mount: " + mounted.Err;
        if (IsMounted(m_mountPoint))
            UnmountAndAwait(m_mountPoint, DaemonServing(m_mountPoint));
        return;
    }
    m_mounted = true;
    m_daemon = DaemonServing(m_mountPoint);
#endif
}

RemoteMount::~RemoteMount()
{
    if (m_mounted)
        UnmountAndAwait(m_mountPoint, m_daemon);
}

} // namespace sondrel::test
