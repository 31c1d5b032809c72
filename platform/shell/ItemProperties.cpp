#include "ItemProperties.h"

#include "BackupApi.h"
#include "FileTypes.h"
#include "MountTable.h"
#include "ShellEnvironment.h"
#include "ShellItems.h"
#include "Win32Error.h"

#include <cerrno>
#include <grp.h>
#include <pwd.h>

#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    std::string UserName(uid_t uid)
    {
        passwd entry {};
        passwd* found = nullptr;
        char buffer[1024];
        if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
            return found->pw_name;
        return std::to_string(uid);
    }

    std::string GroupName(gid_t gid)
    {
        group entry {};
        group* found = nullptr;
        char buffer[1024];
        if (::getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
            return found->gr_name;
        return std::to_string(gid);
    }

    // The number of streams a backup read delivers, each skipped unread.
    int CountStreams(const BytePath& path)
    {
        using namespace win32;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_POSIX_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return -1;
        void* context = nullptr;
        int count = 0;
        for (;;) {
            BYTE header[kStreamHeaderSize] {};
            DWORD read = 0;
            if (!BackupRead(file, header, kStreamHeaderSize, &read, FALSE, TRUE, &context)
                || read != kStreamHeaderSize)
                break;
            ++count;
            const WIN32_STREAM_ID id = DecodeStreamHeader(header);
            const auto size = static_cast<std::uint64_t>(id.Size.QuadPart);
            // The name is passed by reading it; a seek only moves inside the content.
            std::string name(id.dwStreamNameSize, '\0');
            if (!name.empty())
                (void)BackupRead(file, reinterpret_cast<BYTE*>(name.data()),
                    static_cast<DWORD>(name.size()), &read, FALSE, TRUE, &context);
            DWORD low = 0;
            DWORD high = 0;
            if (size > 0)
                (void)BackupSeek(file, static_cast<DWORD>(size), static_cast<DWORD>(size >> 32),
                    &low, &high, &context);
        }
        (void)BackupRead(file, nullptr, 0, nullptr, TRUE, TRUE, &context);
        CloseHandle(file);
        return count;
    }

} // namespace

std::string ModeText(unsigned mode)
{
    std::string text = S_ISDIR(mode) ? "d"
        : S_ISLNK(mode)              ? "l"
        : S_ISFIFO(mode)             ? "p"
        : S_ISSOCK(mode)             ? "s"
        : S_ISCHR(mode)              ? "c"
        : S_ISBLK(mode)              ? "b"
                                     : "-";
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) != 0 ? letters[bit] : '-';
    if (mode & S_ISUID)
        text[3] = (mode & S_IXUSR) ? 's' : 'S';
    if (mode & S_ISGID)
        text[6] = (mode & S_IXGRP) ? 's' : 'S';
    if (mode & S_ISVTX)
        text[9] = (mode & S_IXOTH) ? 't' : 'T';
    return text;
}

ItemProperties GatherProperties(const BytePath& path)
{
    ItemProperties item;
    item.Path = path;
    const std::size_t slash = path.rfind('/');
    item.Name = slash == std::string::npos ? path : path.substr(slash + 1);
    item.Location = slash == 0 ? BytePath("/") : path.substr(0, slash);
    struct stat st
    {
    };
    if (const int error = StatPath(path, st); error != 0) {
        item.Error = win32::SystemMessageText(win32::Win32ErrorFromErrno(error));
        return item;
    }
    item.Link = S_ISLNK(st.st_mode);
    if (item.Link) {
        std::string target(4096, '\0');
        const ssize_t got = ::readlink(path.c_str(), target.data(), target.size());
        target.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        item.LinkTarget = target;
        struct stat followed
        {
        };
        if (::stat(path.c_str(), &followed) == 0)
            st.st_size = followed.st_size;
    }
    item.Folder = S_ISDIR(st.st_mode);
    item.Size = static_cast<std::uint64_t>(st.st_size);
    item.Allocated = static_cast<std::uint64_t>(st.st_blocks) * 512;
    item.Modified = st.st_mtim;
    item.Accessed = st.st_atim;
    item.Changed = st.st_ctim;
    item.Owner = UserName(st.st_uid);
    item.Group = GroupName(st.st_gid);
    item.Mode = st.st_mode;
    item.ModeText = ModeText(st.st_mode);
    item.Type = EntryType(item.Name, item.Folder, item.Link).Comment.toStdString();
    const auto drives = CurrentDrives();
    if (const Drive* drive = DriveOfPath(*drives, NormalizePath(path))) {
        item.FileSystem = drive->FileSystem;
        item.MountPoint = drive->MountPoint;
    }
    // FIFOs, sockets and devices are never opened; the backup reader knows that too.
    item.StreamCount = CountStreams(path);
    return item;
}

} // namespace sondrel::platform
