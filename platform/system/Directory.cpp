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

} // namespace sondrel::platform
