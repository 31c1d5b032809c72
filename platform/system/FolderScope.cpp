#include "FolderScope.h"

#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    thread_local TFolderScope* t_innermost = nullptr;

} // namespace

TFolderScope::TFolderScope(const std::string& folder)
    : m_folder(folder)
    , m_fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC))
    , m_outer(t_innermost)
{
    t_innermost = this;
}

TFolderScope::~TFolderScope()
{
    t_innermost = m_outer;
    if (m_fd >= 0)
        ::close(m_fd);
}

int ScopedFolder(const std::string& path, const char*& name)
{
    const TFolderScope* scope = t_innermost;
    if (scope == nullptr || scope->m_fd < 0)
        return -1;
    const std::string& folder = scope->m_folder;
    // "/" holds "/name"; any other folder holds "folder/name".
    const std::size_t prefix = folder == "/" ? 1 : folder.size() + 1;
    if (path.size() <= prefix || path.compare(0, folder.size(), folder) != 0
        || path[prefix - 1] != '/' || path.find('/', prefix) != std::string::npos)
        return -1;
    const std::string_view rest(path.c_str() + prefix);
    if (rest == "." || rest == "..")
        return -1;
    name = path.c_str() + prefix;
    return scope->m_fd;
}

int StatEntry(int folder, const char* name, const std::string& path, struct stat& st, bool follow)
{
    if (folder >= 0)
        return ::fstatat(folder, name, &st, follow ? 0 : AT_SYMLINK_NOFOLLOW);
    return follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
}

} // namespace sondrel::platform
