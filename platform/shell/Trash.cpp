#include "Trash.h"

#include "MountTable.h"
#include "ShellEnvironment.h"
#include "ShellItems.h"

#include <algorithm>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    constexpr std::string_view kFiles = "/files";

    // A folder of the user's own that is no symbolic link: one that another user made, or a
    // link planted in its place, would show foreign files as the user's thrown-away ones.
    bool OwnFolder(const BytePath& path, struct stat& st)
    {
        return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
    }

    // The trash folders a file system's top may hold for this user, in the convention's order.
    std::vector<BytePath> TrashesAt(const BytePath& top)
    {
        const std::string uid = std::to_string(::getuid());
        const BytePath base = top == "/" ? BytePath() : top;
        std::vector<BytePath> trashes;
        struct stat shared
        {
        };
        const BytePath admin = base + "/.Trash";
        if (::lstat(admin.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode)
            && (shared.st_mode & S_ISVTX) != 0)
            trashes.push_back(admin + "/" + uid);
        trashes.push_back(base + "/.Trash-" + uid);
        return trashes;
    }

} // namespace

std::vector<BytePath> OtherTrashes()
{
    std::vector<std::pair<dev_t, ino_t>> seen;
    struct stat st
    {
    };
    if (::stat(CurrentEnvironment().TrashFiles.c_str(), &st) == 0)
        seen.emplace_back(st.st_dev, st.st_ino);
    std::vector<BytePath> found;
    for (const Drive& drive : *CurrentDrives()) {
        for (const BytePath& trash : TrashesAt(drive.MountPoint)) {
            const BytePath files = trash + std::string(kFiles);
            if (!OwnFolder(trash, st) || !OwnFolder(files, st))
                continue;
            const std::pair<dev_t, ino_t> key { st.st_dev, st.st_ino };
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
            found.push_back(files);
        }
    }
    return found;
}

std::optional<BytePath> OtherTrashTop(std::string_view files)
{
    if (!files.ends_with(kFiles))
        return std::nullopt;
    const std::string_view trash = files.substr(0, files.size() - kFiles.size());
    const std::string uid = std::to_string(::getuid());
    std::string_view top;
    if (const std::string own = "/.Trash-" + uid; trash.ends_with(own))
        top = trash.substr(0, trash.size() - own.size());
    else if (const std::string admin = "/.Trash/" + uid; trash.ends_with(admin))
        top = trash.substr(0, trash.size() - admin.size());
    else
        return std::nullopt;
    const BytePath mountPoint = top.empty() ? BytePath("/") : BytePath(top);
    if (NormalizePath(mountPoint) != mountPoint)
        return std::nullopt;
    const auto drives = CurrentDrives();
    if (FindDrive(*drives, mountPoint) == nullptr)
        return std::nullopt;
    return mountPoint;
}

bool AnyTrashHolds()
{
    if (HasEntries(CurrentEnvironment().TrashFiles))
        return true;
    const auto others = OtherTrashes();
    return std::any_of(
        others.begin(), others.end(), [](const BytePath& f) { return HasEntries(f); });
}

} // namespace sondrel::platform
