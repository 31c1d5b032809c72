#include "NtfsImage.h"

#include "Run.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace sondrel::test {

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
            std::ifstream in(entry.path() / "cmdline", std::ios::binary);
            const std::string cmdline { std::istreambuf_iterator<char>(in), {} };
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

} // namespace

NtfsImage::NtfsImage(int megabytes)
    : m_image(m_dir / "volume.img")
    , m_mountPoint(m_dir / "mnt")
{
    m_problem = Needs();
    if (!m_problem.empty())
        return;
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
    (void)Run({ "fusermount", "-u", m_mountPoint });
    m_mounted = false;
    if (m_daemon >= 0) {
        // The unmount returns before ntfs-3g has flushed and closed the volume; a pidfd turns
        // readable when the process has exited.
        pollfd exited { m_daemon, POLLIN, 0 };
        while (::poll(&exited, 1, -1) < 0 && errno == EINTR) { }
        ::close(m_daemon);
        m_daemon = -1;
    }
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
