#include "NtfsImage.h"

#include "Mounts.h"
#include "Run.h"

#include <chrono>
#include <filesystem>

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
    // The unmount returns before ntfs-3g has flushed and closed the volume; its pidfd turns
    // readable when the process has exited.
    UnmountAndAwait(m_mountPoint, m_daemon);
    m_daemon = -1;
    m_mounted = false;
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
