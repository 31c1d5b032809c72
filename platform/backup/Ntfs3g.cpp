#include "Ntfs3g.h"

#include <cerrno>
#include <fstream>
#include <map>
#include <mutex>
#include <poll.h>
#include <sstream>

#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sondrel::backup {

namespace {

    constexpr long kFuseMagic = 0x65735546;
    constexpr long kNtfs3Magic = 0x7366746e;

    // Mount points are written with \ooo escapes for space, tab, newline and backslash.
    std::string UnescapeMountPath(const std::string& field)
    {
        std::string out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size()) {
                const std::string digits = field.substr(i + 1, 3);
                if (digits.size() == 3
                    && digits.find_first_not_of("01234567") == std::string::npos) {
                    out += static_cast<char>(std::stoi(digits, nullptr, 8));
                    i += 3;
                    continue;
                }
            }
            out += field[i];
        }
        return out;
    }

    std::string MountPointOf(std::uint64_t device)
    {
        std::ifstream table("/proc/self/mountinfo");
        const std::string wanted
            = std::to_string(major(device)) + ":" + std::to_string(minor(device));
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string id, parent, numbers, root, mountPoint;
            fields >> id >> parent >> numbers >> root >> mountPoint;
            if (numbers == wanted && root == "/")
                return UnescapeMountPath(mountPoint);
        }
        return {};
    }

    // Per-mount answers, forgotten whenever the mount table changes, since a new mount may get
    // the device number of one that went away.
    class MountCache
    {
    public:
        MountCache()
            : m_table(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
        {
        }
        ~MountCache()
        {
            if (m_table >= 0)
                ::close(m_table);
        }
        MountCache(const MountCache&) = delete;
        MountCache& operator=(const MountCache&) = delete;

        NtfsDriver Lookup(const XattrTarget& item, std::uint64_t device)
        {
            std::lock_guard lock(m_mutex);
            if (m_table >= 0) {
                pollfd changed { m_table, POLLPRI, 0 };
                if (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR))) {
                    m_drivers.clear();
                    // Reading the table to its end re-arms the notification.
                    char buffer[4096];
                    ::lseek(m_table, 0, SEEK_SET);
                    while (::read(m_table, buffer, sizeof buffer) > 0) { }
                }
            }
            if (const auto found = m_drivers.find(device); found != m_drivers.end())
                return found->second;
            XattrTarget probe = item;
            if (const std::string root = MountPointOf(device); !root.empty())
                probe = XattrTarget { -1, root, true };
            const NtfsDriver driver
                = XattrSize(probe, kNtfsAttrib) >= 0 ? NtfsDriver::Ntfs3g : NtfsDriver::None;
            m_drivers.emplace(device, driver);
            return driver;
        }

    private:
        std::mutex m_mutex;
        int m_table = -1;
        std::map<std::uint64_t, NtfsDriver> m_drivers;
    };

} // namespace

NtfsDriver DetectNtfsDriver(const XattrTarget& item, std::uint64_t device)
{
    struct statfs fs
    {
    };
    int result = 0;
    if (item.Fd >= 0) {
        result = ::fstatfs(item.Fd, &fs);
    } else if (item.FollowLinks) {
        result = ::statfs(item.Path.c_str(), &fs);
    } else {
        // statfs follows links; the link lives on its folder's file system.
        const auto slash = item.Path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".")
            : slash == 0                                      ? std::string("/")
                                                              : item.Path.substr(0, slash);
        result = ::statfs(folder.c_str(), &fs);
    }
    if (result != 0)
        return NtfsDriver::None;
    if (fs.f_type == kNtfs3Magic)
        return NtfsDriver::KernelNtfs3;
    if (fs.f_type != kFuseMagic)
        return NtfsDriver::None;
    static MountCache cache;
    return cache.Lookup(item, device);
}

} // namespace sondrel::backup
