#include "NtfsImage.h"

#include "Run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace sondrel::test {

bool IsMounted(const std::string& mountPoint);

namespace {

    std::string Needs()
    {
        if (::geteuid() != 0)
            return "mounting with ntfs-3g needs root";
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "/dev/fuse is missing";
        for (const char* program : { "mkntfs", "ntfs-3g", "fusermount" })
            if (!HaveProgram(program))
                return std::string(program) + " is not installed (scripts/bootstrap installs it)";
        return {};
    }

    // ntfs-3g detaches from the caller, so its process is found by the mount point it serves.
    int DaemonServing(const std::string& mountPoint)
    {
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

    // Unmounts `mountPoint` and waits for its ntfs-3g to go: a plain unmount first, a lazy one
    // when that fails (the mount is busy), each bounded in time.
    void UnmountAndAwait(const std::string& mountPoint, int daemon)
    {
        if (IsMounted(mountPoint)
            && Run({ "fusermount", "-u", mountPoint }, std::chrono::seconds(30)).Status != 0
            && IsMounted(mountPoint))
            (void)Run({ "umount", "-l", mountPoint }, std::chrono::seconds(30));
        AwaitExit(daemon);
    }

    // "PID STARTTIME" of this process: a pid alone may be reused by the time it is checked.
    std::string ProcessIdentity(const std::string& pid)
    {
        std::ifstream in("/proc/" + pid + "/stat");
        const std::string stat { std::istreambuf_iterator<char>(in), {} };
        const std::size_t name = stat.rfind(')');
        if (name == std::string::npos)
            return {};
        std::istringstream fields(stat.substr(name + 2));
        std::string field;
        // Field 22 is the start time; fields 3 (the state) to 21 come before it.
        for (int i = 3; i < 22 && fields >> field; ++i) { }
        return fields >> field ? pid + " " + field : std::string();
    }

} // namespace

bool IsMounted(const std::string& mountPoint)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        fields >> id >> parent >> numbers >> root >> point;
        if (point == mountPoint)
            return true;
    }
    return false;
}

void CleanUpAfterKilledRuns()
{
    std::error_code ignored;
    const auto temp = std::filesystem::temp_directory_path(ignored);
    for (const auto& entry : std::filesystem::directory_iterator(temp, ignored)) {
        const std::string folder = entry.path().string();
        if (entry.path().filename().string().rfind("sondrel-test-", 0) != 0)
            continue;
        std::ifstream ownerFile(folder + "/owner");
        std::string pid, start;
        if (!(ownerFile >> pid >> start))
            continue;
        if (ProcessIdentity(pid) == pid + " " + start)
            continue; // a live run's, perhaps in parallel with this one
        const std::string mountPoint = folder + "/mnt";
        UnmountAndAwait(mountPoint, DaemonServing(mountPoint));
        const RunResult loops
            = Run({ "losetup", "-j", folder + "/fixture.img" }, std::chrono::seconds(30));
        std::istringstream lines(loops.Out);
        for (std::string line; std::getline(lines, line);)
            if (const std::size_t colon = line.find(':'); colon != std::string::npos)
                (void)Run({ "losetup", "-d", line.substr(0, colon) }, std::chrono::seconds(30));
        if (!IsMounted(mountPoint))
            std::filesystem::remove_all(folder, ignored);
    }
}

NtfsImage::NtfsImage(int megabytes)
    : m_image(m_dir / "volume.img")
    , m_mountPoint(m_dir / "mnt")
{
    m_problem = Needs();
    if (!m_problem.empty())
        return;
    Claim();
    std::filesystem::create_directory(m_mountPoint);
    if (Run({ "truncate", "-s", std::to_string(megabytes) + "M", m_image }).Status != 0
        || Run({ "mkntfs", "-F", "-Q", "-q", m_image }).Status != 0) {
        m_problem = "mkntfs could not make a volume";
        return;
    }
    Mount();
}

NtfsImage::NtfsImage(const std::string& fixtureName, long long partitionOffset)
    : m_image(m_dir / "fixture.img")
    , m_mountPoint(m_dir / "mnt")
    , m_readOnly(true)
{
    const std::string source = std::string(SONDREL_FIXTURES_DIR) + "/ntfs/" + fixtureName;
    if (!std::filesystem::exists(source)) {
        m_problem = "the shared fixture " + source + " is absent";
        return;
    }
    m_problem = Needs();
    if (!m_problem.empty())
        return;
    Claim();
    std::filesystem::create_directory(m_mountPoint);
    if (Run({ "sh", "-c", "xz -dc \"$0\" > \"$1\"", source, m_image }).Status != 0) {
        m_problem = "xz could not decompress " + source;
        return;
    }
    if (partitionOffset > 0) {
        // This ntfs-3g has no offset option: a read-only loop device starts at the partition.
        const RunResult loop = Run(
            { "losetup", "-f", "--show", "-r", "-o", std::to_string(partitionOffset), m_image });
        if (loop.Status != 0) {
            m_problem = "losetup failed: " + loop.Err;
            return;
        }
        m_loopDevice = loop.Out.substr(0, loop.Out.find('\n'));
    }
    Mount();
}

bool NtfsImage::Mount(const std::string& options)
{
    if (!m_problem.empty())
        return false;
    Unmount();
    const std::string all = (m_readOnly ? "ro," : "") + options;
    const RunResult mounted = Run(
        { "ntfs-3g", "-o", all, m_loopDevice.empty() ? m_image : m_loopDevice, m_mountPoint });
    if (mounted.Status != 0) {
        m_problem = "ntfs-3g could not mount: " + mounted.Err;
        return false;
    }
    m_mounted = true;
    m_daemon = DaemonServing(m_mountPoint);
    return true;
}

void NtfsImage::Unmount()
{
    if (!m_mounted)
        return;
    // The unmount returns before ntfs-3g has flushed and closed the volume; its pidfd turns
    // readable when the process has exited.
    UnmountAndAwait(m_mountPoint, m_daemon);
    m_daemon = -1;
    m_mounted = false;
}

void NtfsImage::Claim()
{
    static std::once_flag once;
    std::call_once(once, CleanUpAfterKilledRuns);
    std::ofstream(m_dir / "owner") << ProcessIdentity(std::to_string(::getpid())) << "\n";
}

NtfsImage::~NtfsImage()
{
    Unmount();
    if (!m_loopDevice.empty())
        (void)Run({ "losetup", "-d", m_loopDevice });
}

std::string NtfsImage::operator/(const std::string& name) const
{
    return m_mountPoint + "/" + name;
}

} // namespace sondrel::test
