#include "FileOperation.h"

#include "NodeCopy.h"
#include "Win32Error.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::fileops {

namespace {

    using detail::Fd;

    // Names tried for "NAME (copy N)" before giving up.
    constexpr int kMaxCopyNames = 10000;
    constexpr int kMaxDepth = 4096;

    enum class Result { Done, Kept, Skipped, Failed, Cancelled, Exists };

    std::string CopyName(const std::string& name, int n)
    {
        return n == 1 ? name + " (copy)" : name + " (copy " + std::to_string(n) + ")";
    }

    bool SameNode(const struct stat& a, const struct stat& b)
    {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }

    struct Split
    {
        BytePath Folder;
        std::string Name;
    };

    Split SplitPath(BytePath path)
    {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return { ".", path };
        return { slash == 0 ? BytePath("/") : path.substr(0, slash), path.substr(slash + 1) };
    }

    // Everything below the operation's answers and the walk: one per operation.
    class Engine
    {
    public:
        Engine(const Request& request, Questions& questions, Progress& progress)
            : m_request(request)
            , m_questions(questions)
            , m_progress(progress)
        {
        }

        Outcome Run();

    private:
        struct Node
        {
            int Dir;
            std::string Name;
            BytePath Path;
            struct stat St;
        };
        struct Place
        {
            int Dir;
            BytePath Folder;
        };

        Result Transfer(const Node& source, const Place& target, const std::string& name,
            bool copySeries, bool tryRename, BytePath* made);
        Result PlaceNode(const Node& source, const Place& target, const std::string& name,
            bool replace, bool tryRename);
        Result CopyFile(
            const Node& source, const Place& target, const std::string& name, bool replace);
        Result CopyOther(
            const Node& source, const Place& target, const std::string& name, bool replace);
        Result CopyFolder(const Node& source, const Place& target, const std::string& name);
        Result Merge(const Node& source, const Place& target, const std::string& name);
        Result Children(int sourceFd, const BytePath& sourcePath, int targetFd,
            const BytePath& targetPath, bool tryRename);
        Result DeleteSource(const Node& source);
        Result AskAboutStreams(
            const Node& source, const BytePath& target, const std::vector<std::string>& lost);
        Result Fail(const BytePath& path, Problem kind, int error);
        void Scan(int dirFd, const std::string& name, int depth, std::uint64_t& items,
            std::uint64_t& bytes);
        [[nodiscard]] bool Inside(int folderFd, const struct stat& st) const;
        std::string TempName();

        [[nodiscard]] bool Moving() const { return m_request.Op == Operation::Move; }

        const Request& m_request;
        Questions& m_questions;
        Progress& m_progress;
        Outcome m_outcome;
        std::optional<ClashAction> m_clashForAll;
        std::optional<LossAction> m_lossForAll;
        std::optional<ErrorAction> m_errorForAll;
        bool m_cancelled = false;
        bool m_streamsDropped = false; // for the item being placed
        std::mt19937_64 m_random { std::random_device {}() };
    };

    Result Engine::Fail(const BytePath& path, Problem kind, int error)
    {
        const Failure failure { path, kind, error };
        m_outcome.Failures.push_back(failure);
        ErrorAction action = ErrorAction::Skip;
        if (m_errorForAll) {
            action = *m_errorForAll;
        } else {
            const Answer<ErrorAction> answer = m_questions.OnError(failure);
            action = answer.Choice;
            if (answer.ForAll)
                m_errorForAll = action;
        }
        if (action == ErrorAction::Cancel) {
            m_cancelled = true;
            return Result::Cancelled;
        }
        return Result::Failed;
    }

    Result Engine::AskAboutStreams(
        const Node& source, const BytePath& target, const std::vector<std::string>& lost)
    {
        LossAction action = LossAction::DropStreams;
        if (m_lossForAll) {
            action = *m_lossForAll;
        } else {
            const Answer<LossAction> answer = m_questions.OnStreamsLost(source.Path, target, lost);
            action = answer.Choice;
            if (answer.ForAll)
                m_lossForAll = action;
        }
        switch (action) {
        case LossAction::DropStreams:
            m_streamsDropped = true;
            return Result::Done;
        case LossAction::Skip:
            return Result::Skipped;
        case LossAction::Cancel:
            break;
        }
        m_cancelled = true;
        return Result::Cancelled;
    }

    std::string Engine::TempName()
    {
        char text[32];
        std::snprintf(text, sizeof text, ".sondrel-%016llx.part",
            static_cast<unsigned long long>(m_random()));
        return text;
    }

    bool Engine::Inside(int folderFd, const struct stat& st) const
    {
        Fd current(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (int depth = 0; current.Valid() && depth < kMaxDepth; ++depth) {
            struct stat here
            {
            };
            if (::fstat(current.Get(), &here) != 0)
                return false;
            if (SameNode(here, st))
                return true;
            Fd up(::openat(current.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat above
            {
            };
            if (!up.Valid() || ::fstat(up.Get(), &above) != 0 || SameNode(above, here))
                return false;
            current = std::move(up);
        }
        return false;
    }

    void Engine::Scan(
        int dirFd, const std::string& name, int depth, std::uint64_t& items, std::uint64_t& bytes)
    {
        struct stat st
        {
        };
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        ++items;
        if (S_ISREG(st.st_mode))
            bytes += static_cast<std::uint64_t>(st.st_size);
        if (!S_ISDIR(st.st_mode) || depth >= kMaxDepth)
            return;
        const Fd folder(
            ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.Valid())
            return;
        int error = 0;
        for (const std::string& child : detail::ListNames(folder.Get(), error))
            Scan(folder.Get(), child, depth + 1, items, bytes);
    }

    Outcome Engine::Run()
    {
        const Fd target(
            ::open(m_request.TargetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
        struct stat targetSt
        {
        };
        if (!target.Valid() || ::fstat(target.Get(), &targetSt) != 0) {
            m_outcome.Refused = true;
            m_outcome.Failures.push_back({ m_request.TargetFolder, Problem::System, errno });
            return m_outcome;
        }
        // Refuse before anything starts, so that no half of the request is done.
        std::vector<std::pair<Split, Fd>> parents;
        std::uint64_t items = 0;
        std::uint64_t bytes = 0;
        for (const BytePath& path : m_request.Sources) {
            Split split = SplitPath(path);
            Fd parent(::open(split.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat st
            {
            };
            if (parent.Valid()
                && ::fstatat(parent.Get(), split.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISDIR(st.st_mode) && Inside(target.Get(), st)) {
                m_outcome.Refused = true;
                m_outcome.Failures.push_back({ path, Problem::IntoItself, 0 });
                return m_outcome;
            }
            if (parent.Valid())
                Scan(parent.Get(), split.Name, 0, items, bytes);
            parents.emplace_back(std::move(split), std::move(parent));
        }
        m_progress.SetTotals(items, bytes);

        const Place place { target.Get(), m_request.TargetFolder };
        for (std::size_t i = 0; i < parents.size() && !m_cancelled; ++i) {
            const auto& [split, parent] = parents[i];
            const BytePath& path = m_request.Sources[i];
            Node node { parent.Get(), split.Name, path, {} };
            if (!parent.Valid()
                || ::fstatat(parent.Get(), split.Name.c_str(), &node.St, AT_SYMLINK_NOFOLLOW)
                    != 0) {
                (void)Fail(path, Problem::System, errno);
                continue;
            }
            struct stat parentSt
            {
            };
            const bool sameFolder
                = ::fstat(parent.Get(), &parentSt) == 0 && SameNode(parentSt, targetSt);
            if (sameFolder && Moving())
                continue; // already there
            BytePath made;
            const std::string& name
                = i < m_request.TargetNames.size() ? m_request.TargetNames[i] : split.Name;
            const Result result = Transfer(node, place, name, sameFolder, true, &made);
            if (result == Result::Done || result == Result::Kept)
                m_outcome.Made.push_back(made);
        }
        m_outcome.Cancelled = m_cancelled || m_progress.Cancelled();
        return m_outcome;
    }

    Result Engine::Transfer(const Node& source, const Place& target, const std::string& name,
        bool copySeries, bool tryRename, BytePath* made)
    {
        if (m_progress.Cancelled())
            m_cancelled = true;
        if (m_cancelled)
            return Result::Cancelled;
        m_progress.BeginItem(source.Path);
        m_streamsDropped = false;
        auto finish = [&](Result result, const std::string& madeName) {
            if (result == Result::Done && m_streamsDropped && Moving())
                result = Result::Kept;
            if (result == Result::Kept)
                m_outcome.Kept.push_back(source.Path);
            if ((result == Result::Done || result == Result::Kept) && made != nullptr)
                *made = JoinPath(target.Folder, madeName);
            m_progress.EndItem();
            return result;
        };
        auto series = [&]() {
            for (int n = 1; n <= kMaxCopyNames; ++n) {
                const std::string copyName = CopyName(name, n);
                const Result result = PlaceNode(source, target, copyName, false, tryRename);
                if (result != Result::Exists)
                    return finish(result, copyName);
            }
            return finish(Fail(source.Path, Problem::System, EEXIST), {});
        };
        if (copySeries)
            return series();
        const Result first = PlaceNode(source, target, name, false, tryRename);
        if (first != Result::Exists)
            return finish(first, name);

        struct stat existing
        {
        };
        if (::fstatat(target.Dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
            return finish(Fail(JoinPath(target.Folder, name), Problem::System, errno), {});
        const Clash clash { source.Path, JoinPath(target.Folder, name), S_ISDIR(source.St.st_mode),
            S_ISDIR(existing.st_mode) };
        ClashAction action = ClashAction::Skip;
        if (m_clashForAll) {
            action = *m_clashForAll;
        } else {
            const Answer<ClashAction> answer = m_questions.OnClash(clash);
            action = answer.Choice;
            if (answer.ForAll)
                m_clashForAll = action;
        }
        switch (action) {
        case ClashAction::Skip:
            return finish(Result::Skipped, {});
        case ClashAction::Cancel:
            m_cancelled = true;
            return finish(Result::Cancelled, {});
        case ClashAction::KeepBoth:
            return series();
        case ClashAction::Replace:
            break;
        }
        if (clash.SourceIsFolder && clash.TargetIsFolder)
            return finish(Merge(source, target, name), name);
        if (clash.SourceIsFolder != clash.TargetIsFolder)
            return finish(Fail(clash.Target, Problem::KindDiffers, 0), {});
        return finish(PlaceNode(source, target, name, true, tryRename), name);
    }

    Result Engine::PlaceNode(const Node& source, const Place& target, const std::string& name,
        bool replace, bool tryRename)
    {
        if (Moving() && tryRename) {
            // Within one file system a move is a rename: nothing is copied, nothing can be lost.
            const int done = replace
                ? ::renameat(source.Dir, source.Name.c_str(), target.Dir, name.c_str())
                : ::renameat2(
                    source.Dir, source.Name.c_str(), target.Dir, name.c_str(), RENAME_NOREPLACE);
            if (done == 0) {
                if (S_ISREG(source.St.st_mode))
                    m_progress.AddBytes(static_cast<std::uint64_t>(source.St.st_size));
                return Result::Done;
            }
            if (errno == EEXIST && !replace)
                return Result::Exists;
            if (errno != EXDEV && !(errno == EINVAL && !replace))
                return Fail(source.Path, Problem::System, errno);
            // EXDEV, or a file system without RENAME_NOREPLACE (FUSE): copy, then delete.
        }
        Result result = Result::Failed;
        if (S_ISDIR(source.St.st_mode))
            result = CopyFolder(source, target, name);
        else if (S_ISREG(source.St.st_mode))
            result = CopyFile(source, target, name, replace);
        else
            result = CopyOther(source, target, name, replace);
        if (result == Result::Done && Moving() && !m_streamsDropped)
            return DeleteSource(source);
        return result;
    }

    Result Engine::DeleteSource(const Node& source)
    {
        struct stat now
        {
        };
        if (::fstatat(source.Dir, source.Name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(source.Path, Problem::System, errno);
        if (!SameNode(now, source.St))
            return Fail(source.Path, Problem::SourceChanged, 0);
        if (S_ISDIR(now.st_mode)) {
            // What was skipped or kept inside stays, and so does its folder.
            if (::unlinkat(source.Dir, source.Name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOTEMPTY
                && errno != EEXIST)
                return Fail(source.Path, Problem::System, errno);
            return Result::Done;
        }
        if (::unlinkat(source.Dir, source.Name.c_str(), 0) != 0)
            return Fail(source.Path, Problem::System, errno);
        return Result::Done;
    }

    Result Engine::CopyFile(
        const Node& source, const Place& target, const std::string& name, bool replace)
    {
        // O_NONBLOCK: should the name have become a FIFO meanwhile, opening it must not wait.
        const Fd in(::openat(source.Dir, source.Name.c_str(),
            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!in.Valid())
            return Fail(source.Path, Problem::System, errno);
        struct stat st
        {
        };
        if (::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode) || !SameNode(st, source.St))
            return Fail(source.Path, Problem::SourceChanged, 0);

        // A replacement is written beside the target and renamed over it when whole.
        std::string made = replace ? TempName() : name;
        Fd out;
        for (int attempt = 0; attempt < 100 && !out.Valid(); ++attempt) {
            out = Fd(::openat(target.Dir, made.c_str(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
            if (out.Valid())
                break;
            if (errno != EEXIST)
                return Fail(JoinPath(target.Folder, name), Problem::System, errno);
            if (!replace)
                return Result::Exists;
            made = TempName();
        }
        if (!out.Valid())
            return Fail(JoinPath(target.Folder, name), Problem::System, EEXIST);
        // Only what this operation made is ever removed, and only while it is still there.
        auto removeMade = [&](Result result) {
            struct stat ours
            {
            };
            struct stat there
            {
            };
            if (::fstat(out.Get(), &ours) == 0
                && ::fstatat(target.Dir, made.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0
                && SameNode(ours, there))
                ::unlinkat(target.Dir, made.c_str(), 0);
            return result;
        };

        std::vector<detail::Xattr> xattrs;
        if (const int error = detail::ReadXattrs(in.Get(), xattrs); error != 0)
            return Fail(source.Path, Problem::System, error);
        std::vector<std::string> lost;
        if (const int error = detail::WriteNamedStreams(out.Get(), xattrs, lost); error != 0) {
            removeMade(Result::Failed);
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        if (!lost.empty()) {
            const Result answer = AskAboutStreams(source, JoinPath(target.Folder, name), lost);
            if (answer != Result::Done)
                return removeMade(answer);
        }
        std::uint64_t copied = 0;
        if (const int error = detail::CopyData(in.Get(), out.Get(), st, m_progress, copied);
            error != 0) {
            removeMade(Result::Failed);
            if (error == ECANCELED) {
                m_cancelled = true;
                return Result::Cancelled;
            }
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        if (copied != static_cast<std::uint64_t>(st.st_size)) {
            removeMade(Result::Failed);
            return Fail(source.Path, Problem::SourceChanged, 0);
        }
        if (const int error = detail::ApplyAttributes(out.Get(), st, xattrs); error != 0) {
            removeMade(Result::Failed);
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        // A move deletes its source next: the copy must be on the disk first. A replacement
        // likewise, since the rename ends the old target.
        if ((Moving() || replace) && ::fsync(out.Get()) != 0) {
            const int error = errno;
            removeMade(Result::Failed);
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        if (replace && ::renameat(target.Dir, made.c_str(), target.Dir, name.c_str()) != 0) {
            const int error = errno;
            removeMade(Result::Failed);
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        return Result::Done;
    }

    Result Engine::CopyOther(
        const Node& source, const Place& target, const std::string& name, bool replace)
    {
        std::string made = replace ? TempName() : name;
        int error = 0;
        if (S_ISLNK(source.St.st_mode)) {
            std::string link(static_cast<std::size_t>(source.St.st_size) + 1, '\0');
            for (;;) {
                const ssize_t got
                    = ::readlinkat(source.Dir, source.Name.c_str(), link.data(), link.size());
                if (got < 0)
                    return Fail(source.Path, Problem::System, errno);
                if (static_cast<std::size_t>(got) < link.size()) {
                    link.resize(static_cast<std::size_t>(got));
                    break;
                }
                link.resize(link.size() * 2);
            }
            error = ::symlinkat(link.c_str(), target.Dir, made.c_str()) == 0 ? 0 : errno;
        } else if (S_ISFIFO(source.St.st_mode)) {
            // Recreated, never opened: opening a FIFO would wait for a writer.
            error = ::mkfifoat(target.Dir, made.c_str(), 0600) == 0 ? 0 : errno;
        } else {
            error = ::mknodat(target.Dir, made.c_str(), (source.St.st_mode & S_IFMT) | 0600,
                        source.St.st_rdev)
                    == 0
                ? 0
                : errno;
        }
        if (error == EEXIST && !replace)
            return Result::Exists;
        if (error != 0)
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        error = detail::ApplyAttributesAt(target.Dir, made.c_str(), source.St);
        if (error == 0 && replace
            && ::renameat(target.Dir, made.c_str(), target.Dir, name.c_str()) != 0)
            error = errno;
        if (error != 0) {
            ::unlinkat(target.Dir, made.c_str(), 0);
            return Fail(JoinPath(target.Folder, name), Problem::System, error);
        }
        return Result::Done;
    }

    Result Engine::CopyFolder(const Node& source, const Place& target, const std::string& name)
    {
        const Fd in(::openat(
            source.Dir, source.Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st
        {
        };
        if (!in.Valid())
            return Fail(source.Path, Problem::System, errno);
        if (::fstat(in.Get(), &st) != 0 || !SameNode(st, source.St))
            return Fail(source.Path, Problem::SourceChanged, 0);
        if (::mkdirat(target.Dir, name.c_str(), 0700) != 0) {
            if (errno == EEXIST)
                return Result::Exists;
            return Fail(JoinPath(target.Folder, name), Problem::System, errno);
        }
        const BytePath path = JoinPath(target.Folder, name);
        const Fd out(
            ::openat(target.Dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!out.Valid())
            return Fail(path, Problem::System, errno);
        std::vector<detail::Xattr> xattrs;
        if (const int error = detail::ReadXattrs(in.Get(), xattrs); error != 0)
            return Fail(source.Path, Problem::System, error);
        std::vector<std::string> lost;
        if (const int error = detail::WriteNamedStreams(out.Get(), xattrs, lost); error != 0)
            return Fail(path, Problem::System, error);
        if (!lost.empty()) {
            if (const Result answer = AskAboutStreams(source, path, lost); answer != Result::Done) {
                ::unlinkat(target.Dir, name.c_str(), AT_REMOVEDIR); // still empty: ours
                return answer;
            }
        }
        const bool dropped = m_streamsDropped;
        // A folder is copied only where a rename could not move it: nor can its items.
        const Result children = Children(in.Get(), source.Path, out.Get(), path, false);
        m_streamsDropped = dropped;
        if (const int error = detail::ApplyAttributes(out.Get(), st, xattrs); error != 0)
            return Fail(path, Problem::System, error);
        return children == Result::Cancelled ? Result::Cancelled : Result::Done;
    }

    Result Engine::Merge(const Node& source, const Place& target, const std::string& name)
    {
        const Fd in(::openat(
            source.Dir, source.Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.Valid())
            return Fail(source.Path, Problem::System, errno);
        const BytePath path = JoinPath(target.Folder, name);
        const Fd out(
            ::openat(target.Dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!out.Valid())
            return Fail(path, Problem::System, errno);
        const Result children = Children(in.Get(), source.Path, out.Get(), path, true);
        if (children == Result::Cancelled)
            return Result::Cancelled;
        if (Moving())
            return DeleteSource(source);
        return Result::Done;
    }

    Result Engine::Children(int sourceFd, const BytePath& sourcePath, int targetFd,
        const BytePath& targetPath, bool tryRename)
    {
        int error = 0;
        const std::vector<std::string> names = detail::ListNames(sourceFd, error);
        if (error != 0)
            return Fail(sourcePath, Problem::System, error);
        bool anyKept = false;
        for (const std::string& childName : names) {
            Node child { sourceFd, childName, JoinPath(sourcePath, childName), {} };
            if (::fstatat(sourceFd, childName.c_str(), &child.St, AT_SYMLINK_NOFOLLOW) != 0) {
                if (Fail(child.Path, Problem::System, errno) == Result::Cancelled)
                    return Result::Cancelled;
                continue;
            }
            const Result result
                = Transfer(child, { targetFd, targetPath }, childName, false, tryRename, nullptr);
            if (result == Result::Cancelled)
                return Result::Cancelled;
            anyKept = anyKept || result == Result::Kept;
        }
        return anyKept ? Result::Kept : Result::Done;
    }

} // namespace

std::string FailureText(const Failure& failure)
{
    switch (failure.Kind) {
    case Problem::IntoItself:
        return "A folder cannot be copied or moved into itself.";
    case Problem::KindDiffers:
        return "A folder and a file cannot replace each other.";
    case Problem::SourceChanged:
        return "The item changed while it was being copied.";
    case Problem::System:
        break;
    }
    std::string text = win32::SystemMessageText(win32::Win32ErrorFromErrno(failure.Error));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

Outcome RunFileOperation(const Request& request, Questions& questions, Progress& progress)
{
    return Engine(request, questions, progress).Run();
}

} // namespace sondrel::fileops
