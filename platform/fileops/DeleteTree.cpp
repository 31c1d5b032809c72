#include "DeleteTree.h"

#include "NodeCopy.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::fileops {

namespace {

    using detail::Fd;

    class Deleter
    {
    public:
        Deleter(Questions& questions, Progress& progress)
            : m_questions(questions)
            , m_progress(progress)
        {
        }

        // false once cancelled
        bool Delete(int dirFd, const std::string& name, const BytePath& path)
        {
            if (m_progress.Cancelled() || m_cancelled)
                return false;
            m_progress.BeginItem(path);
            struct stat st
            {
            };
            if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                return Failed(path, errno);
            if (S_ISDIR(st.st_mode)) {
                const Fd folder(::openat(dirFd, name.c_str(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
                struct stat opened
                {
                };
                if (!folder.Valid())
                    return Failed(path, errno);
                if (::fstat(folder.Get(), &opened) != 0 || opened.st_ino != st.st_ino
                    || opened.st_dev != st.st_dev)
                    return Failed(path, EAGAIN);
                int error = 0;
                for (const std::string& child : detail::ListNames(folder.Get(), error)) {
                    if (!Delete(folder.Get(), child, JoinPath(path, child)))
                        return false;
                }
            }
            if (::unlinkat(dirFd, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0)
                return Failed(path, errno);
            m_progress.EndItem();
            return true;
        }

        Outcome m_outcome;

    private:
        bool Failed(const BytePath& path, int error)
        {
            const Failure failure { path, Problem::System, error };
            m_outcome.Failures.push_back(failure);
            if (!m_skipAll) {
                const Answer<ErrorAction> answer = m_questions.OnError(failure);
                if (answer.Choice == ErrorAction::Cancel) {
                    m_cancelled = true;
                    return false;
                }
                m_skipAll = answer.ForAll;
            }
            m_progress.EndItem();
            return true;
        }

        Questions& m_questions;
        Progress& m_progress;
        bool m_cancelled = false;
        bool m_skipAll = false;
    };

} // namespace

Outcome DeletePermanently(
    const std::vector<BytePath>& paths, Questions& questions, Progress& progress)
{
    Deleter deleter(questions, progress);
    progress.SetTotals(paths.size(), 0);
    for (BytePath path : paths) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        const std::size_t slash = path.rfind('/');
        const BytePath folder = slash == 0 ? BytePath("/") : path.substr(0, slash);
        const Fd parent(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (slash == std::string::npos || !parent.Valid()) {
            const int error = parent.Valid() ? EINVAL : errno;
            deleter.m_outcome.Failures.push_back({ path, Problem::System, error });
            continue;
        }
        if (!deleter.Delete(parent.Get(), path.substr(slash + 1), path)) {
            deleter.m_outcome.Cancelled = true;
            break;
        }
    }
    return deleter.m_outcome;
}

} // namespace sondrel::fileops
