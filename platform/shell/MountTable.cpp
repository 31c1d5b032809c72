#include "MountTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <time.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    // File systems that hold no user files.
    constexpr std::array<std::string_view, 24> kPseudo { "proc", "sysfs", "cgroup", "cgroup2",
        "devpts", "mqueue", "tracefs", "debugfs", "securityfs", "pstore", "bpf", "configfs",
        "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",
        "devtmpfs", "selinuxfs", "ramfs", "fuse.gvfsd-fuse", "fuse.portal" };
    // Network file systems, in the kernel and over FUSE: a server that stops answering hangs
    // whoever asks, so nothing on the GUI thread probes them unasked.
    constexpr std::array<std::string_view, 20> kRemote { "nfs", "nfs4", "cifs", "smb3", "smbfs",
        "fuse.sshfs", "sshfs", "9p", "afs", "ceph", "glusterfs", "davfs", "fuse.davfs2",
        "fuse.rclone", "fuse.s3fs", "fuse.gcsfuse", "fuse.curlftpfs", "fuse.gvfsd-fuse",
        "fuse.smbnetfs", "fuse.afpfs" };
    // Where the system keeps its own run-time mounts.
    constexpr std::array<std::string_view, 5> kSystemTrees { "/proc", "/sys", "/dev", "/run",
        "/snap" };

    bool IsUnder(std::string_view path, std::string_view folder)
    {
        if (folder == "/")
            return true;
        return path.starts_with(folder)
            && (path.size() == folder.size() || path[folder.size()] == '/');
    }

    // Mount points are written with \ooo escapes for space, tab, newline and backslash.
    std::string Unescape(std::string_view field)
    {
        const auto octal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        std::string out;
        out.reserve(field.size());
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2)
                && octal(i + 3)) {
                out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3)
                    | (field[i + 3] - '0'));
                i += 3;
                continue;
            }
            out += field[i];
        }
        return out;
    }

    std::vector<std::string_view> Fields(std::string_view line)
    {
        std::vector<std::string_view> fields;
        std::size_t at = 0;
        while (at < line.size()) {
            const std::size_t end = std::min(line.find(' ', at), line.size());
            if (end > at)
                fields.push_back(line.substr(at, end - at));
            at = end + 1;
        }
        return fields;
    }

    bool ShownAsDrive(const Drive& drive)
    {
        if (drive.MountPoint == "/")
            return true;
        if (std::find(kPseudo.begin(), kPseudo.end(), drive.FileSystem) != kPseudo.end())
            return false;
        for (const std::string_view tree : kSystemTrees) {
            // Removable media appear under /run/media; the rest of those trees is the system's.
            if (IsUnder(drive.MountPoint, tree) && !IsUnder(drive.MountPoint, "/run/media"))
                return false;
        }
        return true;
    }

    win32::UINT TypeOf(std::string_view fileSystem)
    {
        if (fileSystem == "tmpfs")
            return win32::DRIVE_RAMDISK;
        if (fileSystem == "iso9660" || fileSystem == "udf")
            return win32::DRIVE_CDROM;
        if (std::find(kRemote.begin(), kRemote.end(), fileSystem) != kRemote.end())
            return win32::DRIVE_REMOTE;
        return win32::DRIVE_FIXED;
    }

    bool Removable(const std::string& device)
    {
        // /sys/dev/block/M:m is the block device or a partition of one; the flag sits on the disk.
        for (const char* suffix : { "/removable", "/../removable" }) {
            const std::string flag = "/sys/dev/block/" + device + suffix;
            const int fd = ::open(flag.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            char value = '0';
            const bool read = ::read(fd, &value, 1) == 1;
            ::close(fd);
            if (read)
                return value == '1';
        }
        return false;
    }

    DriveList ReadDrives()
    {
        std::string table;
        const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            char buffer[16384];
            ssize_t got;
            while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
                table.append(buffer, static_cast<std::size_t>(got));
            ::close(fd);
        }
        DriveList drives = ParseMountInfo(table);
        // A bind-mounted file is no drive.
        std::erase_if(drives, [](const Drive& drive) {
            struct stat st
            {
            };
            return drive.MountPoint != "/"
                && (::stat(drive.MountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode));
        });
        for (Drive& drive : drives) {
            if (drive.Type == win32::DRIVE_FIXED && Removable(drive.Device))
                drive.Type = win32::DRIVE_REMOVABLE;
        }
        return drives;
    }

} // namespace

DriveList ParseMountInfo(std::string_view table)
{
    DriveList drives;
    while (!table.empty()) {
        const std::size_t end = std::min(table.find('\n'), table.size());
        const std::string_view line = table.substr(0, end);
        table.remove_prefix(std::min(end + 1, table.size()));
        const auto fields = Fields(line);
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || separator == fields.end() || fields.end() - separator < 3)
            continue;
        Drive drive;
        drive.Device = std::string(fields[2]);
        drive.MountPoint = Unescape(fields[4]);
        drive.FileSystem = std::string(separator[1]);
        drive.Source = Unescape(separator[2]);
        std::string options(1, ',');
        options += fields[5];
        options += ',';
        drive.ReadOnly = options.find(",ro,") != std::string::npos;
        drive.Type = TypeOf(drive.FileSystem);
        if (drive.MountPoint.empty() || drive.MountPoint.front() != '/' || !ShownAsDrive(drive))
            continue;
        // A later mount on the same point hides the earlier one.
        std::erase_if(drives, [&](const Drive& d) { return d.MountPoint == drive.MountPoint; });
        drives.push_back(std::move(drive));
    }
    if (!FindDrive(drives, "/")) {
        Drive root;
        root.MountPoint = "/";
        drives.push_back(std::move(root));
    }
    std::stable_sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) {
        if ((a.MountPoint == "/") != (b.MountPoint == "/"))
            return a.MountPoint == "/";
        return a.MountPoint < b.MountPoint;
    });
    return drives;
}

namespace {

    std::mutex s_imageMutex;
    DriveList s_imageDrives;
    std::atomic<unsigned> s_imageGeneration { 0 };

} // namespace

void AddImageDrive(Drive drive)
{
    std::lock_guard lock(s_imageMutex);
    drive.Image = true;
    drive.ReadOnly = true;
    std::erase_if(s_imageDrives, [&](const Drive& d) { return d.MountPoint == drive.MountPoint; });
    s_imageDrives.push_back(std::move(drive));
    ++s_imageGeneration;
}

void RemoveImageDrive(std::string_view mountPoint)
{
    std::lock_guard lock(s_imageMutex);
    std::erase_if(s_imageDrives, [&](const Drive& d) { return d.MountPoint == mountPoint; });
    ++s_imageGeneration;
}

std::shared_ptr<const DriveList> CurrentDrives(bool askTable)
{
    static std::mutex mutex;
    static std::shared_ptr<const DriveList> drives;
    static unsigned imageGeneration = 0;
    static const int table = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    static std::int64_t polledAt = -1;
    std::lock_guard lock(mutex);
    bool changed = drives == nullptr || imageGeneration != s_imageGeneration;
    // Resolving each item of a long list reaches here: the table is asked at most once a
    // millisecond, so a mount may be seen a millisecond late by those not told of it.
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t ms = std::int64_t { now.tv_sec } * 1000 + now.tv_nsec / 1000000;
    if (table < 0) {
        changed = true;
    } else if (changed || askTable || ms != polledAt) {
        polledAt = ms;
        pollfd event { table, POLLPRI, 0 };
        if (::poll(&event, 1, 0) > 0 && (event.revents & (POLLPRI | POLLERR))) {
            changed = true;
            // Reading the table to its end re-arms the notification.
            char buffer[4096];
            ::lseek(table, 0, SEEK_SET);
            while (::read(table, buffer, sizeof buffer) > 0) { }
        }
    }
    if (changed) {
        DriveList list = ReadDrives();
        std::lock_guard images(s_imageMutex);
        imageGeneration = s_imageGeneration;
        list.insert(list.end(), s_imageDrives.begin(), s_imageDrives.end());
        drives = std::make_shared<const DriveList>(std::move(list));
    }
    return drives;
}

const Drive* DriveOfPath(const DriveList& drives, std::string_view path)
{
    const Drive* best = nullptr;
    for (const Drive& drive : drives) {
        if (IsUnder(path, drive.MountPoint)
            && (best == nullptr || drive.MountPoint.size() > best->MountPoint.size()))
            best = &drive;
    }
    return best;
}

const Drive* FindDrive(const DriveList& drives, std::string_view mountPoint)
{
    const auto found = std::find_if(drives.begin(), drives.end(),
        [&](const Drive& drive) { return drive.MountPoint == mountPoint; });
    return found == drives.end() ? nullptr : &*found;
}

} // namespace sondrel::platform
