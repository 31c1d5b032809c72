#include "BenchMaterial.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    std::string Failed(const std::string& what, const std::string& path)
    {
        return what + " " + path + ": " + std::strerror(errno);
    }

    bool WriteAll(int fd, const char* bytes, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd, bytes, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // Names and values of the kind a user's tools leave behind.
    struct Attribute
    {
        const char* Name;
        const char* Value;
    };
    constexpr Attribute kAttributes[] = {
        { "user.author", "Sondrel benchmark" },
        { "user.comment", "a short note about this file" },
        { "user.checksum", "3f786850e387550fdab836ed7e6dc881de23001b" },
    };

} // namespace

Material MakeXattrFiles(const std::string& folder, int count, std::string& problem)
{
    Material material;
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        problem = Failed("cannot make", folder);
        return {};
    }
    material.Files.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/file%05d.txt", i);
        std::string path = folder + name;
        struct stat st
        {
        };
        if (::stat(path.c_str(), &st) != 0) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) {
                problem = Failed("cannot create", path);
                return {};
            }
            const std::string content = "line " + std::to_string(i) + " of the material\n";
            const bool written = WriteAll(fd, content.data(), content.size());
            bool tagged = true;
            for (const Attribute& a : kAttributes)
                tagged = tagged && ::fsetxattr(fd, a.Name, a.Value, std::strlen(a.Value), 0) == 0;
            const int error = errno;
            ::close(fd);
            if (!written || !tagged) {
                errno = error;
                problem = Failed(written ? "cannot set user.* xattrs on" : "cannot write", path);
                return {};
            }
        }
        material.Files.push_back(std::move(path));
    }
    return material;
}

bool MakeEmptyFiles(const std::string& folder, int count, std::string& problem)
{
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        problem = Failed("cannot make", folder);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/empty%06d", i);
        const std::string path = folder + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
        } else if (errno != EEXIST) {
            problem = Failed("cannot create", path);
            return false;
        }
    }
    return true;
}

bool MakeBigFile(const std::string& path, std::size_t size, std::string& problem)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0 && static_cast<std::size_t>(st.st_size) == size)
        return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem = Failed("cannot create", path);
        return false;
    }
    // Mostly text with some binary runs, so that the dump shows both kinds of character.
    constexpr std::size_t kBlock = 1 << 16;
    std::unique_ptr<char[]> block(new char[kBlock]);
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (std::size_t done = 0; ok && done < size; done += kBlock) {
        for (std::size_t i = 0; i < kBlock; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const auto byte = static_cast<unsigned char>(state >> 24);
            block[i] = (i / 4096) % 4 == 3 ? static_cast<char>(byte)
                                           : static_cast<char>(0x20 + byte % 0x5F);
        }
        ok = WriteAll(fd, block.get(), std::min(kBlock, size - done));
    }
    if (!ok)
        problem = Failed("cannot write", path);
    ::close(fd);
    return ok;
}

void WarmPageCache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    static char buffer[1 << 16];
    while (::read(fd, buffer, sizeof buffer) > 0) { }
    ::close(fd);
}

} // namespace sondrel::bench
