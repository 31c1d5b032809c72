#include "Mounts.h"

#include "Run.h"
#include "TempDir.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sondrel::test {

namespace {

    constexpr std::string_view kPrefix = "sondrel-test-";

    // "PID.STARTTIME" of a running process, or empty when there is none with that pid.
    std::string ProcessIdentity(const std::string& pid)
    {
        std::ifstream in("/proc/" + pid + "/stat");
        const std::string stat { std::istreambuf_iterator<char>(in), {} };
        const std::size_t name = stat.rfind(')');
        if (name == std::string::npos || name + 2 > stat.size())
            return {};
        std::istringstream fields(stat.substr(name + 2));
        std::string field;
        // Field 22 is the start time; fields 3 (the state) to 21 come before it.
        for (int i = 3; i < 22 && fields >> field; ++i) { }
        return fields >> field ? pid + "." + field : std::string();
    }

    // Every mount point at or below `folder`, deepest first so that each unmounts.
    std::vector<std::string> MountsUnder(const std::string& folder)
    {
        std::vector<std::string> points;
        std::ifstream table("/proc/self/mountinfo");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string id, parent, numbers, root, point;
            fields >> id >> parent >> numbers >> root >> point;
            if (point == folder || point.rfind(folder + "/", 0) == 0)
                points.push_back(point);
        }
        std::sort(points.begin(), points.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        return points;
    }

    // Loop devices whose backing file lies below `folder`.
    void DetachLoopsUnder(const std::string& folder)
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator("/sys/block", ignored)) {
            const std::string device = entry.path().filename().string();
            if (device.rfind("loop", 0) != 0)
                continue;
            std::ifstream in(entry.path() / "loop" / "backing_file");
            std::string backing;
            if (std::getline(in, backing) && backing.rfind(folder + "/", 0) == 0)
                (void)Run({ "losetup", "-d", "/dev/" + device }, std::chrono::seconds(30));
        }
    }

    // Waits a bounded time for the process behind `pidfd` to end, then kills it: a daemon that
    // hangs must not hang the test with it. Closes the pidfd.
    void AwaitExit(int pidfd)
    {
        if (pidfd < 0)
            return;
        for (const int timeoutMs : { 10000, 5000 }) {
            pollfd exited { pidfd, POLLIN, 0 };
            int ready = 0;
            while ((ready = ::poll(&exited, 1, timeoutMs)) < 0 && errno == EINTR) { }
            if (ready != 0)
                break;
            (void)::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
        }
        ::close(pidfd);
    }

    void CleanUpKilledRunsIn(const std::filesystem::path& parent)
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(parent, ignored)) {
            const std::string name = entry.path().filename().string();
            // sondrel-test-PID.START-XXXXXX; older names carry no owner and stay.
            if (name.rfind(kPrefix, 0) != 0)
                continue;
            const std::string rest = name.substr(kPrefix.size());
            const std::size_t dot = rest.find('.');
            const std::size_t dash = rest.find('-');
            if (dot == std::string::npos || dash == std::string::npos || dot > dash)
                continue;
            const std::string folder = entry.path().string();
            struct stat owner
            {
            };
            if (::lstat(folder.c_str(), &owner) != 0 || owner.st_uid != ::geteuid())
                continue;
            if (ProcessIdentity(rest.substr(0, dot)) == rest.substr(0, dash))
                continue; // a live run's
            for (const std::string& point : MountsUnder(folder))
                UnmountAndAwait(point, DaemonServing(point));
            DetachLoopsUnder(folder);
            if (MountsUnder(folder).empty())
                RemoveTree(folder);
        }
    }

} // namespace

bool IsMounted(const std::string& mountPoint)
{
    const std::vector<std::string> points = MountsUnder(mountPoint);
    return std::find(points.begin(), points.end(), mountPoint) != points.end();
}

int DaemonServing(const std::string& mountPoint)
{
    // A FUSE daemon detaches from its caller, so it is found by the mount point it serves.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string cmdline;
        try {
            std::ifstream in(entry.path() / "cmdline", std::ios::binary);
            cmdline.assign(std::istreambuf_iterator<char>(in), {});
        } catch (const std::ios_base::failure&) {
            // The stream buffer throws when the process ends between opening and reading.
            continue;
        }
        std::vector<std::string> args;
        for (std::size_t start = 0; start < cmdline.size();) {
            const std::size_t end = std::min(cmdline.find('\0', start), cmdline.size());
            args.push_back(cmdline.substr(start, end - start));
            start = end + 1;
        }
        if (args.size() >= 2 && std::filesystem::path(args.front()).filename() == "ntfs-3g"
            && args.back() == mountPoint)
            // glibc 2.36's <sys/pidfd.h> lacks extern "C", so the call goes direct.
            return static_cast<int>(::syscall(SYS_pidfd_open, std::stoi(pid), 0));
    }
    return -1;
}

void UnmountAndAwait(const std::string& mountPoint, int daemon)
{
    if (IsMounted(mountPoint) && ::umount2(mountPoint.c_str(), 0) != 0 && IsMounted(mountPoint))
        (void)::umount2(mountPoint.c_str(), MNT_DETACH);
    AwaitExit(daemon);
}

std::string RunIdentity()
{
    // Not cached: a forked child is a run of its own.
    return ProcessIdentity(std::to_string(::getpid()));
}

void CleanUpAfterKilledRuns()
{
    std::error_code ignored;
    CleanUpKilledRunsIn(std::filesystem::temp_directory_path(ignored));
    CleanUpKilledRunsIn("/dev/shm");
}

} // namespace sondrel::test
