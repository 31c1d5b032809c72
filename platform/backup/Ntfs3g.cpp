#include "Ntfs3g.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
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
    // ext2/3/4, xfs, btrfs, tmpfs, f2fs: the kernel's own permission check on the inode decides.
    constexpr long kLocalPermissionMagics[]
        = { 0xEF53, 0x58465342, 0x9123683E, 0x01021994, static_cast<long>(0xF2F52010) };

    struct FileSystem
    {
        NtfsDriver Driver = NtfsDriver::None;
        bool LocalPermissions = false;
    };

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

    // The file system's type from statfs: an ntfs3 mount, a FUSE one (possibly ntfs-3g), or any
    // other; 0 when it cannot be asked.
    long FileSystemType(const XattrTarget& item)
    {
        struct statfs fs
        {
        };
        int result = 0;
        if (item.Fd >= 0) {
            result = ::fstatfs(item.Fd, &fs);
        } else if (item.FollowLinks) {
            result = ::statfs(item.Path, &fs);
        } else {
            // statfs follows links; the link lives on its folder's file system.
            const std::string_view path(item.Path);
            const auto slash = path.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string(".")
                : slash == 0                                      ? std::string("/")
                             : std::string(path.substr(0, slash));
            result = ::statfs(folder.c_str(), &fs);
        }
        return result == 0 ? static_cast<long>(fs.f_type) : 0;
    }

    // The driver of each device, looked up once per device rather than per item, and forgotten
    // whenever the mount table changes, since a new mount may get the device number of one that
    // went away.
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

        FileSystem Lookup(const XattrTarget& item, std::uint64_t device)
        {
            std::lock_guard lock(m_mutex);
            if (m_table < 0)
                return Find(item, device); // nothing tells of changes: ask every time
            PollTable();
            if (m_last && m_lastDevice == device)
                return m_lastAnswer;
            auto found = m_drivers.find(device);
            if (found == m_drivers.end()) {
                const long type = FileSystemType(item);
                if (type == 0)
                    return {}; // not remembered: the next item may tell
                found = m_drivers.emplace(device, Find(item, device, type)).first;
            }
            m_last = true;
            m_lastDevice = device;
            m_lastAnswer = found->second;
            return found->second;
        }

    private:
        // Asks whether the mount table changed at most once a millisecond, not once per item of
        // a count: a new mount that took over a device number is seen a millisecond late.
        void PollTable()
        {
            timespec now {};
            ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
            const std::int64_t ms = std::int64_t { now.tv_sec } * 1000 + now.tv_nsec / 1000000;
            if (ms == m_polledAt)
                return;
            m_polledAt = ms;
            pollfd changed { m_table, POLLPRI, 0 };
            if (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR))) {
                Forget();
                // Reading the table to its end re-arms the notification.
                char buffer[4096];
                ::lseek(m_table, 0, SEEK_SET);
                while (::read(m_table, buffer, sizeof buffer) > 0) { }
            }
        }

        void Forget()
        {
            m_drivers.clear();
            m_last = false;
        }

        static FileSystem Find(const XattrTarget& item, std::uint64_t device, long type = 0)
        {
            if (type == 0)
                type = FileSystemType(item);
            FileSystem found;
            found.LocalPermissions = std::find(std::begin(kLocalPermissionMagics),
                                         std::end(kLocalPermissionMagics), type)
                != std::end(kLocalPermissionMagics);
            if (type == kNtfs3Magic) {
                found.Driver = NtfsDriver::KernelNtfs3;
            } else if (type == kFuseMagic) {
                // The mount table does not say ntfs-3g; its metadata on the mount's root does.
                XattrTarget probe = item;
                const std::string root = MountOfDevice(device).Point;
                if (!root.empty())
                    probe = XattrTarget { -1, root.c_str(), true };
                if (XattrSize(probe, kNtfsAttrib) >= 0)
                    found.Driver = NtfsDriver::Ntfs3g;
            }
            return found;
        }

        std::mutex m_mutex;
        int m_table = -1;
        std::int64_t m_polledAt = -1;
        std::map<std::uint64_t, FileSystem> m_drivers;
        // Most walks follow one another in one folder: the last answer needs no map.
        bool m_last = false;
        std::uint64_t m_lastDevice = 0;
        FileSystem m_lastAnswer;
    };

    MountCache& Cache()
    {
        static MountCache cache;
        return cache;
    }

} // namespace

NtfsDriver DetectNtfsDriver(const XattrTarget& item, std::uint64_t device)
{
    return Cache().Lookup(item, device).Driver;
}

bool PermissionsAreLocal(const XattrTarget& item, std::uint64_t device)
{
    return Cache().Lookup(item, device).LocalPermissions;
}

MountEntry MountOfDevice(std::uint64_t device)
{
    std::ifstream table("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mountPoint, field;
        fields >> id >> parent >> numbers >> root >> mountPoint;
        if (numbers != wanted || root != "/")
            continue;
        // Optional fields end at "-"; the type and the source follow.
        while (fields >> field && field != "-") { }
        MountEntry entry { UnescapeMountPath(mountPoint), {}, {} };
        fields >> entry.Type >> field;
        entry.Source = UnescapeMountPath(field);
        return entry;
    }
    return {};
}

} // namespace sondrel::backup
