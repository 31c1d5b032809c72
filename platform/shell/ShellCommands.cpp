#include "ShellCommands.h"

#include "CommandUi.h"
#include "DeleteTree.h"
#include "Directory.h"
#include "ImageDrives.h"
#include "ShellEnvironment.h"
#include "ShellExecute.h"
#include "ShellItems.h"
#include "TrashWriter.h"
#include "Win32Error.h"

#include <QString>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    using fileops::Outcome;

    std::string Name(const BytePath& path) { return path.substr(path.rfind('/') + 1); }

    // Names are bytes; the user reads them decoded.
    std::string Shown(const BytePath& path)
    {
        return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()))
            .toStdString();
    }

    std::string Quoted(const BytePath& path) { return "\"" + Shown(Name(path)) + "\""; }

    std::string Subject(const std::vector<BytePath>& paths)
    {
        return paths.size() == 1 ? Quoted(paths[0])
                                 : "these " + std::to_string(paths.size()) + " items";
    }

    std::string Megabytes(std::uint64_t bytes)
    {
        return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
    }

    // What a copy into the home trash would carry, without following links.
    std::uint64_t TreeBytes(const BytePath& path, int depth = 0)
    {
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0)
            return 0;
        if (!S_ISDIR(st.st_mode) || depth > 256)
            return S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        std::vector<DirectoryEntry> entries;
        (void)ReadDirectory(path, entries);
        std::uint64_t sum = 0;
        for (const DirectoryEntry& entry : entries)
            sum += TreeBytes(JoinPath(path, entry.Name), depth + 1);
        return sum;
    }

    win32::HRESULT Report(const std::string& title, const Outcome& outcome)
    {
        if (outcome.Failures.empty())
            return outcome.Cancelled ? win32::E_ABORT : win32::S_OK;
        std::string text;
        for (const fileops::Failure& failure : outcome.Failures)
            text += Shown(failure.Path) + ": " + fileops::FailureText(failure) + "\n";
        for (const BytePath& kept : outcome.Kept)
            text += Shown(kept) + ": kept, since its named streams did not arrive\n";
        CurrentCommandUi().Tell(title, text);
        return E_REPORTED;
    }

    // The questions of a transfer whose files were made for it alone: a clash takes a new name
    // without asking, so nothing where they land is ever replaced.
    class NewNamesOnly final : public fileops::Questions
    {
    public:
        explicit NewNamesOnly(fileops::Questions& asked)
            : m_asked(asked)
        {
        }
        fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash&) override
        {
            return { fileops::ClashAction::KeepBoth, true };
        }
        fileops::Answer<fileops::LossAction> OnStreamsLost(const BytePath& source,
            const BytePath& target, const std::vector<std::string>& streams) override
        {
            return m_asked.OnStreamsLost(source, target, streams);
        }
        fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure& failure) override
        {
            return m_asked.OnError(failure);
        }

    private:
        fileops::Questions& m_asked;
    };

    // Whether `path` is an item of the home trash, whose files folder is `files`.
    bool InTrash(const BytePath& path, const BytePath& files)
    {
        return path.size() > files.size() + 1 && path.starts_with(files)
            && path[files.size()] == '/' && path.find('/', files.size() + 1) == std::string::npos;
    }

    // The deletion record of an item of the home trash.
    BytePath RecordOf(const BytePath& trashed)
    {
        const BytePath& files = CurrentEnvironment().TrashFiles;
        return files.substr(0, files.size() - 5) + "info/" + Name(trashed) + ".trashinfo";
    }

} // namespace

win32::HRESULT OpenPaths(const std::vector<BytePath>& paths)
{
    win32::HRESULT result = win32::S_OK;
    for (const BytePath& path : paths) {
        const auto answer = reinterpret_cast<std::intptr_t>(
            win32::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, 1));
        if (answer <= 32) {
            // The opener's own reason: no application, or an item that is never handed on.
            const win32::DWORD error = win32::GetLastError();
            std::string reason = win32::SystemMessageText(error);
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
                reason.pop_back();
            CurrentCommandUi().Tell(
                "Open", "Cannot open \u201C" + Shown(Name(path)) + "\u201D: " + reason);
            result = E_REPORTED;
        }
    }
    return result;
}

win32::HRESULT PutPathsOnClipboard(const std::vector<BytePath>& paths, bool cut)
{
    if (paths.empty())
        return win32::E_INVALIDARG;
    PutOnClipboard({ paths, cut });
    return win32::S_OK;
}

win32::HRESULT PasteInto(const BytePath& folder, bool toTrash)
{
    const auto transfer = ReadClipboard();
    if (!transfer)
        return win32::S_FALSE;
    const win32::HRESULT result = TransferInto(*transfer, folder, toTrash);
    // A cut is done once it moved; pasting it again would find nothing.
    if (transfer->Cut && win32::SUCCEEDED(result))
        ClearClipboard();
    return result;
}

win32::HRESULT TransferInto(const FileTransfer& transfer, const BytePath& folder, bool toTrash)
{
    if (toTrash)
        return DeletePaths(transfer.Paths, false);
    const fileops::Request request { transfer.Cut ? fileops::Operation::Move
                                                  : fileops::Operation::Copy,
        transfer.Paths, folder, {} };
    const std::string title = transfer.Cut ? "Moving" : "Copying";
    const Outcome outcome = CurrentCommandUi().RunWithProgress(
        title, [&](fileops::Questions& questions, fileops::Progress& progress) {
            if (!transfer.NewNames)
                return fileops::RunFileOperation(request, questions, progress);
            NewNamesOnly keepingBoth(questions);
            return fileops::RunFileOperation(request, keepingBoth, progress);
        });
    return Report(title, outcome);
}

win32::HRESULT DeletePaths(const std::vector<BytePath>& paths, bool permanently)
{
    if (paths.empty())
        return win32::E_INVALIDARG;
    CommandUi& ui = CurrentCommandUi();
    const BytePath files = CurrentEnvironment().TrashFiles;
    const bool allInTrash = std::all_of(
        paths.begin(), paths.end(), [&](const BytePath& p) { return InTrash(p, files); });
    if (permanently || allInTrash) {
        if (!ui.Confirm("Delete permanently",
                "Permanently delete " + Subject(paths) + "? This cannot be undone."))
            return win32::E_ABORT;
        const Outcome outcome = ui.RunWithProgress(
            "Deleting", [&](fileops::Questions& questions, fileops::Progress& progress) {
                return fileops::DeletePermanently(paths, questions, progress);
            });
        for (const BytePath& path : paths) {
            struct stat st
            {
            };
            if (InTrash(path, files) && ::lstat(path.c_str(), &st) != 0)
                ::unlink(RecordOf(path).c_str());
        }
        return Report("Deleting", outcome);
    }

    // Each item's way into a trash is settled, and agreed where it is not a rename, first.
    std::vector<std::pair<BytePath, TrashPlan>> trashed;
    std::vector<BytePath> forGood;
    TrashPlanner planner;
    for (const BytePath& path : paths) {
        TrashPlan plan = planner.Plan(path);
        if (plan.How == TrashPlan::Kind::HomeAcrossFileSystems) {
            if (!ui.Confirm("Move to Trash",
                    "The drive of " + Quoted(path) + " has no trash. Copy it ("
                        + Megabytes(TreeBytes(path))
                        + ") into the trash in your home folder and delete it here?"))
                continue;
        } else if (plan.How == TrashPlan::Kind::None) {
            std::string reason = "it is on a network drive";
            if (!plan.Network) {
                reason = win32::SystemMessageText(
                    win32::Win32ErrorFromErrno(plan.Error != 0 ? plan.Error : EROFS));
                reason = reason.substr(0, reason.find('\r'));
            }
            if (ui.Confirm("Delete permanently",
                    Quoted(path) + " cannot be put in a trash (" + reason
                        + "). Delete it permanently? This cannot be undone."))
                forGood.push_back(path);
            continue;
        }
        trashed.emplace_back(path, std::move(plan));
    }
    if (trashed.empty() && forGood.empty())
        return win32::E_ABORT;
    const Outcome outcome = ui.RunWithProgress(
        "Moving to Trash", [&](fileops::Questions& questions, fileops::Progress& progress) {
            Outcome all;
            for (const auto& [path, plan] : trashed) {
                if (progress.Cancelled()) {
                    all.Cancelled = true;
                    break;
                }
                progress.BeginItem(path);
                if (const int error = MoveToTrash(path, plan, questions, progress); error != 0) {
                    if (error == ECANCELED) {
                        all.Cancelled = true;
                        break;
                    }
                    all.Failures.push_back({ path, fileops::Problem::System, error });
                }
                progress.EndItem();
            }
            if (!forGood.empty() && !all.Cancelled) {
                const Outcome deleted = fileops::DeletePermanently(forGood, questions, progress);
                all.Failures.insert(
                    all.Failures.end(), deleted.Failures.begin(), deleted.Failures.end());
                all.Cancelled = deleted.Cancelled;
            }
            return all;
        });
    return Report("Moving to Trash", outcome);
}

win32::HRESULT LinkPaths(const std::vector<BytePath>& paths, const BytePath& into)
{
    win32::HRESULT result = win32::S_OK;
    for (const BytePath& path : paths) {
        const std::string name = Name(path);
        const BytePath beside = path.substr(0, path.rfind('/'));
        // A link beside its target points at it by name, so it keeps working when the folder
        // moves; one elsewhere needs the whole path.
        const BytePath folder = into.empty() ? (beside.empty() ? "/" : beside) : into;
        const BytePath target = into.empty() ? name : path;
        int error = EEXIST;
        for (int n = 1; n < 1000 && error == EEXIST; ++n) {
            const std::string link
                = "Link to " + name + (n == 1 ? "" : " (" + std::to_string(n) + ")");
            error = ::symlink(target.c_str(), JoinPath(folder, link).c_str()) == 0 ? 0 : errno;
        }
        if (error != 0) {
            Outcome failed;
            failed.Failures.push_back({ path, fileops::Problem::System, error });
            result = Report("Create Link", failed);
        }
    }
    return result;
}

win32::HRESULT ShowPropertiesOf(const BytePath& path)
{
    CurrentCommandUi().ShowProperties(GatherProperties(path));
    return win32::S_OK;
}

win32::HRESULT OpenChosenImage()
{
    CommandUi& ui = CurrentCommandUi();
    const std::string path = ui.ChooseImageFile();
    if (path.empty())
        return win32::S_FALSE;
    const ImageDrives drives = OpenImageDrives(path);
    if (drives.MountPoints.empty()) {
        ui.Tell("Open disk image", path + ": " + drives.Error);
        return win32::E_FAIL;
    }
    ui.ShowFolder(drives.MountPoints.front());
    return win32::S_OK;
}

} // namespace sondrel::platform
