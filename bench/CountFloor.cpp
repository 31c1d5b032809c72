// sondrel-count-floor [-r] PATH...
//
// The whole-process baseline of the companion's counting: what a hand-written C program with
// the same knowledge does to print "PATH<tab>COUNT" for every item (depth first, names in byte
// order, links to folders counted but not entered). Per item it makes the calls that carry the
// count: one fstatat relative to the open folder and one listing of the xattr names (listxattrat
// of the name where the kernel has it, as the product inside a folder), plus the size of a
// trusted.* or security.* value (they pack into the extended-attribute stream) and the hole
// search of a file whose blocks do not cover its size. Names are written as they are; the
// product escapes odd ones, which the material of the comparisons does not have.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

int s_status = 0;

// Allocated ranges of a file with holes: 1 stands for plain data.
long Ranges(int folder, const char* name, off_t size)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return 1;
    long ranges = 0;
    for (off_t at = 0; at < size;) {
        const off_t start = ::lseek(fd, at, SEEK_DATA);
        if (start < 0)
            break;
        const off_t end = ::lseek(fd, start, SEEK_HOLE);
        if (end <= start)
            break;
        ++ranges;
        at = end;
    }
    ::close(fd);
    return ranges;
}

// The item's xattr names: listxattrat (Linux 6.13) resolves the one name in the open folder;
// older kernels take the whole path.
ssize_t ListNames(int folder, const char* name, const char* path, char* names, size_t size)
{
    static bool noListAt = false;
    if (!noListAt) {
        const long got = ::syscall(465, folder, name, 0, names, size);
        if (got >= 0 || errno != ENOSYS)
            return got;
        noListAt = true;
    }
    return ::listxattr(path, names, size);
}

// Counts one item and prints its line; returns whether it is a folder to enter.
bool CountOne(int folder, const char* name, const char* path)
{
    struct stat st;
    if (::fstatat(folder, name, &st, 0) != 0) {
        std::printf("%s\t%s\n", path, std::strerror(errno));
        s_status = 1;
        return false;
    }
    unsigned long streams = 1; // the security stream, built from the stat
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        long ranges = 1;
        if (st.st_blocks * 512 < st.st_size)
            ranges = Ranges(folder, name, st.st_size);
        streams += ranges <= 1 ? 1 : static_cast<unsigned long>(ranges) + 2;
    }
    char names[65536];
    const ssize_t listed = ListNames(folder, name, path, names, sizeof names);
    bool ea = false;
    for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const char* n = names + at;
        if (std::strncmp(n, "user.", 5) == 0) {
            ++streams;
        } else if (std::strncmp(n, "trusted.", 8) == 0 || std::strncmp(n, "security.", 9) == 0) {
            const ssize_t size = ::getxattr(path, n, nullptr, 0);
            ea = ea || (size >= 0 && size <= 65535 && std::strlen(n) <= 255);
        }
    }
    streams += ea;
    std::printf("%s\t%lu\n", path, streams);
    return S_ISDIR(st.st_mode);
}

bool IsRealFolder(int folder, const char* name, unsigned char type)
{
    if (type != DT_UNKNOWN)
        return type == DT_DIR;
    struct stat st;
    return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

void Walk(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    char** names = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (count == capacity) {
            capacity = capacity ? capacity * 2 : 64;
            names = static_cast<char**>(std::realloc(names, capacity * sizeof *names));
        }
        const std::size_t length = std::strlen(entry->d_name);
        names[count] = static_cast<char*>(std::malloc(length + 2));
        names[count][0] = static_cast<char>(entry->d_type);
        std::memcpy(names[count] + 1, entry->d_name, length + 1);
        ++count;
    }
    // Sorted by name; the type travels in the first byte.
    std::qsort(names, count, sizeof *names, [](const void* a, const void* b) {
        return std::strcmp(*static_cast<char* const*>(a) + 1, *static_cast<char* const*>(b) + 1);
    });
    const std::size_t base = std::strlen(path);
    for (std::size_t i = 0; i < count; ++i) {
        const char* name = names[i] + 1;
        const std::size_t length = std::strlen(name);
        char* child = static_cast<char*>(std::malloc(base + length + 2));
        std::memcpy(child, path, base);
        child[base] = '/';
        std::memcpy(child + base + 1, name, length + 1);
        const bool folder = CountOne(::dirfd(dir), name, child);
        // Only real folders are entered; a link to one is counted only.
        if (folder && IsRealFolder(::dirfd(dir), name, static_cast<unsigned char>(names[i][0])))
            Walk(child);
        std::free(child);
        std::free(names[i]);
    }
    std::free(names);
    ::closedir(dir);
}

} // namespace

int main(int argc, char** argv)
{
    bool recurse = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-r") == 0) {
            recurse = true;
            continue;
        }
        if (CountOne(AT_FDCWD, argv[i], argv[i]) && recurse)
            Walk(argv[i]);
    }
    return s_status;
}
