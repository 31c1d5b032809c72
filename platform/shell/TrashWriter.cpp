#include "TrashWriter.h"

#include "MountTable.h"
#include "ShellEnvironment.h"
#include "UriPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    constexpr std::string_view kInfoSuffix = ".trashinfo";

    // A folder of the user's own that is no link, made (mode 0700) when missing.
    int OwnFolder(const BytePath& path)
    {
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0)
            return errno;
        if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            return EACCES;
        return 0;
    }

    int MakeTrash(const BytePath& trash, bool withParents = false)
    {
        // The home trash's parents ($XDG_DATA_HOME) may not exist yet on a fresh account.
        for (std::size_t slash = trash.find('/', 1); withParents && slash != std::string::npos;
             slash = trash.find('/', slash + 1))
            if (::mkdir(trash.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
                return errno;
        if (const int error = OwnFolder(trash); error != 0)
            return error;
        if (const int error = OwnFolder(trash + "/files"); error != 0)
            return error;
        return OwnFolder(trash + "/info");
    }

    // Whether `trash` is a trash of the user's own already, its two folders included.
    bool HasTrash(const BytePath& trash)
    {
        struct stat st
        {
        };
        for (const BytePath& folder : { trash + "/files", trash + "/info" })
            if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)
                || st.st_uid != ::getuid())
                return false;
        return true;
    }

    // The highest folder above `path` on the same file system as its parent.
    BytePath TopDir(const BytePath& parent, dev_t device)
    {
        BytePath top = parent;
        while (top != "/") {
            const std::size_t slash = top.rfind('/');
            const BytePath up = slash == 0 ? BytePath("/") : top.substr(0, slash);
            struct stat st
            {
            };
            if (::stat(up.c_str(), &st) != 0 || st.st_dev != device)
                break;
            top = up;
        }
        return top;
    }

    int TopDirTrash(const BytePath& top, BytePath& trash)
    {
        const std::string uid = std::to_string(::getuid());
        const BytePath base = top == "/" ? BytePath() : top;
        struct stat shared
        {
        };
        const BytePath admin = base + "/.Trash";
        if (::lstat(admin.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode)
            && (shared.st_mode & S_ISVTX) != 0) {
            trash = admin + "/" + uid;
            if (MakeTrash(trash) == 0)
                return 0;
        }
        trash = base + "/.Trash-" + uid;
        return MakeTrash(trash);
    }

    std::string DeletionDate()
    {
        const std::time_t now = std::time(nullptr);
        std::tm local {};
        ::localtime_r(&now, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
        return text;
    }

    int WriteAll(int fd, const std::string& text)
    {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? errno : EIO;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

} // namespace

TrashPlan TrashPlanner::Plan(const BytePath& path)
{
    TrashPlan plan;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        plan.Error = EINVAL;
        return plan;
    }
    // An item lies on its folder's file system unless it is a mount point, which no rename
    // moves (EBUSY): the folder's facts decide, and the items of one folder share them.
    const BytePath parent = slash == 0 ? BytePath("/") : path.substr(0, slash);
    if (const auto known = m_byFolder.find(parent); known != m_byFolder.end())
        return known->second;
    plan = PlanFolder(parent);
    m_byFolder.emplace(parent, plan);
    return plan;
}

TrashPlan TrashPlanner::PlanFolder(const BytePath& parent)
{
    TrashPlan plan;
    struct stat folder
    {
    };
    if (::stat(parent.c_str(), &folder) != 0) {
        plan.Error = errno;
        return plan;
    }
    if (!m_homeChecked) {
        m_homeChecked = true;
        const BytePath& files = CurrentEnvironment().TrashFiles;
        m_home = files.substr(0, files.size() - std::string_view("/files").size());
        struct stat homeSt
        {
        };
        // Made only when missing: most deletions find it there.
        m_homeUsable = (HasTrash(m_home) || MakeTrash(m_home, true) == 0)
            && ::stat(m_home.c_str(), &homeSt) == 0;
        m_homeDevice = homeSt.st_dev;
    }
    if (m_homeUsable && m_homeDevice == folder.st_dev) {
        plan.How = TrashPlan::Kind::SameFileSystem;
        plan.Trash = m_home;
        return plan;
    }
    {
        const std::shared_ptr<const DriveList> drives = CurrentDrives();
        const Drive* drive = DriveOfPath(*drives, parent);
        if (drive && drive->Type == win32::DRIVE_REMOTE) {
            plan.Network = true;
            return plan;
        }
    }
    plan.TopDir = TopDir(parent, folder.st_dev);
    // Folders below one top share its trash: made or found once.
    auto top = std::find_if(m_tops.begin(), m_tops.end(),
        [&](const TopTrash& known) { return known.Top == plan.TopDir; });
    if (top == m_tops.end()) {
        TopTrash found { plan.TopDir, {}, 0 };
        found.Error = TopDirTrash(found.Top, found.Trash);
        top = m_tops.insert(m_tops.end(), std::move(found));
    }
    plan.Error = top->Error;
    if (plan.Error == 0) {
        plan.How = TrashPlan::Kind::SameFileSystem;
        plan.Trash = top->Trash;
        return plan;
    }
    plan.TopDir.clear();
    // A file system that cannot even take a trash folder cannot give up the item either.
    if (m_homeUsable && plan.Error != EROFS) {
        plan.How = TrashPlan::Kind::HomeAcrossFileSystems;
        plan.Trash = m_home;
    }
    return plan;
}

TrashPlan PlanTrash(const BytePath& path) { return TrashPlanner().Plan(path); }

int MoveToTrash(const BytePath& path, const TrashPlan& plan, fileops::Questions& questions,
    fileops::Progress& progress, BytePath* trashedAs)
{
    if (plan.How == TrashPlan::Kind::None)
        return plan.Error != 0 ? plan.Error : EROFS;
    const std::size_t slash = path.rfind('/');
    const std::string base = path.substr(slash + 1);
    std::string recorded = path;
    if (!plan.TopDir.empty() && plan.TopDir != "/")
        recorded = path.substr(plan.TopDir.size() + 1);
    else if (!plan.TopDir.empty())
        recorded = path.substr(1);
    const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(recorded)
        + "\nDeletionDate=" + DeletionDate() + "\n";

    for (int n = 1; n < 100000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const BytePath infoPath = plan.Trash + "/info/" + name + std::string(kInfoSuffix);
        const BytePath filesPath = plan.Trash + "/files/" + name;
        const int fd = ::open(infoPath.c_str(),
            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteAll(fd, info);
        if (error == 0 && ::fsync(fd) != 0)
            error = errno;
        ::close(fd);
        if (error == 0) {
            if (plan.How == TrashPlan::Kind::SameFileSystem) {
                if (::renameat2(
                        AT_FDCWD, path.c_str(), AT_FDCWD, filesPath.c_str(), RENAME_NOREPLACE)
                    == 0) {
                    if (trashedAs != nullptr)
                        *trashedAs = filesPath;
                    return 0;
                }
                error = errno;
            } else {
                const fileops::Outcome outcome = fileops::RunFileOperation(
                    { fileops::Operation::Move, { path }, plan.Trash + "/files", { name } },
                    questions, progress);
                if (outcome.Made.size() == 1 && outcome.Kept.empty()) {
                    if (trashedAs != nullptr)
                        *trashedAs = filesPath;
                    return 0;
                }
                error = outcome.Cancelled      ? ECANCELED
                    : outcome.Failures.empty() ? EEXIST
                                               : outcome.Failures.front().Error;
                if (error == 0)
                    error = EIO;
                // What arrived whole stays in the trash with its record; only a record
                // without an item goes.
                struct stat st
                {
                };
                if (::lstat(filesPath.c_str(), &st) == 0)
                    return error;
            }
        }
        ::unlink(infoPath.c_str());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

} // namespace sondrel::platform
