#include "Directory.h"

#include <cerrno>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

int ReadDirectory(const BytePath& folder, std::vector<DirectoryEntry>& entries)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        DirectoryEntry item;
        item.Name = std::string(name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st
            {
            };
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        item.IsFolder = type == DT_DIR;
        item.IsLink = type == DT_LNK;
        entries.push_back(std::move(item));
        errno = 0;
    }
    return errno;
}

bool IsDanglingLink(const BytePath& path, BytePath& target)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    if (::stat(path.c_str(), &st) == 0 || errno != ENOENT)
        return false;
    std::string text(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
    if (length < 0)
        return false;
    text.resize(static_cast<std::size_t>(length));
    target = std::move(text);
    return true;
}

} // namespace sondrel::platform
