// A small file system in memory, served over FUSE under the type of a network file system
// ("fuse.sshfs"), for the tests of what the program does on network drives: nothing else here
// can make a mount that the mount table calls remote. It holds a few files and takes what a
// caller could wrongly try there (new files and folders, renames), so a test sees any such try.
//
//   sondrel-test-remotefs MOUNTPOINT
//
// Mounts, then goes to the background as FUSE daemons do; unmounting ends it. Single-threaded.

#define FUSE_USE_VERSION 31
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fuse.h>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Node
{
    bool Folder = false;
    std::string Bytes;
};

// Paths as FUSE hands them ("/a", "/dir/b"); the root is "/".
std::map<std::string, Node> s_nodes;

std::string Parent(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path)
{
    const auto found = s_nodes.find(path);
    return found != s_nodes.end() && found->second.Folder;
}

bool HasChildren(const std::string& path)
{
    const std::string prefix = path == "/" ? "/" : path + "/";
    const auto next = s_nodes.upper_bound(path);
    return next != s_nodes.end() && next->first.starts_with(prefix);
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*)
{
    const auto found = s_nodes.find(path);
    if (found == s_nodes.end())
        return -ENOENT;
    *st = {};
    st->st_uid = ::getuid();
    st->st_gid = ::getgid();
    st->st_nlink = found->second.Folder ? 2 : 1;
    st->st_mode = found->second.Folder ? (S_IFDIR | 0755) : (S_IFREG | 0644);
    st->st_size = static_cast<off_t>(found->second.Bytes.size());
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
    fuse_readdir_flags)
{
    if (!IsFolder(path))
        return -ENOTDIR;
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags {});
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags {});
    for (const auto& [name, node] : s_nodes)
        if (name != "/" && Parent(name) == path)
            fill(buffer, name.substr(name.rfind('/') + 1).c_str(), nullptr, 0,
                fuse_fill_dir_flags {});
    return 0;
}

int Open(const char* path, fuse_file_info*) { return s_nodes.count(path) ? 0 : -ENOENT; }

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*)
{
    const auto found = s_nodes.find(path);
    if (found == s_nodes.end())
        return -ENOENT;
    const std::string& bytes = found->second.Bytes;
    if (static_cast<std::size_t>(offset) >= bytes.size())
        return 0;
    const std::size_t count = std::min(size, bytes.size() - static_cast<std::size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, count);
    return static_cast<int>(count);
}

int Write(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*)
{
    const auto found = s_nodes.find(path);
    if (found == s_nodes.end())
        return -ENOENT;
    std::string& bytes = found->second.Bytes;
    if (bytes.size() < static_cast<std::size_t>(offset) + size)
        bytes.resize(static_cast<std::size_t>(offset) + size);
    std::memcpy(bytes.data() + offset, buffer, size);
    return static_cast<int>(size);
}

int Create(const char* path, mode_t, fuse_file_info*)
{
    if (!IsFolder(Parent(path)))
        return -ENOENT;
    if (!s_nodes.emplace(path, Node {}).second)
        return -EEXIST;
    return 0;
}

int MakeFolder(const char* path, mode_t)
{
    if (!IsFolder(Parent(path)))
        return -ENOENT;
    return s_nodes.emplace(path, Node { true, {} }).second ? 0 : -EEXIST;
}

int Unlink(const char* path)
{
    if (IsFolder(path))
        return -EISDIR;
    return s_nodes.erase(path) ? 0 : -ENOENT;
}

int RemoveFolder(const char* path)
{
    if (!IsFolder(path))
        return -ENOTDIR;
    if (HasChildren(path))
        return -ENOTEMPTY;
    s_nodes.erase(path);
    return 0;
}

int Rename(const char* from, const char* to, unsigned int flags)
{
    if (!s_nodes.count(from))
        return -ENOENT;
    if (IsFolder(from) || !IsFolder(Parent(to)))
        return -EXDEV; // enough for files: a folder would move its children too
    if ((flags & RENAME_NOREPLACE) && s_nodes.count(to))
        return -EEXIST;
    Node node = std::move(s_nodes[from]);
    s_nodes.erase(from);
    s_nodes[to] = std::move(node);
    return 0;
}

int Truncate(const char* path, off_t size, fuse_file_info*)
{
    const auto found = s_nodes.find(path);
    if (found == s_nodes.end())
        return -ENOENT;
    found->second.Bytes.resize(static_cast<std::size_t>(size));
    return 0;
}

int Accepted(const char*, const timespec*, fuse_file_info*) { return 0; }
int Chmod(const char*, mode_t, fuse_file_info*) { return 0; }
int Chown(const char*, uid_t, gid_t, fuse_file_info*) { return 0; }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MOUNTPOINT\n", argv[0]);
        return 2;
    }
    s_nodes["/"] = Node { true, {} };
    s_nodes["/notes.txt"] = Node { false, "notes on the server\n" };
    s_nodes["/report.txt"] = Node { false, std::string(4096, 'r') };
    s_nodes["/folder"] = Node { true, {} };
    s_nodes["/folder/inside.txt"] = Node { false, "inside\n" };

    fuse_operations operations {};
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    operations.create = Create;
    operations.mkdir = MakeFolder;
    operations.unlink = Unlink;
    operations.rmdir = RemoveFolder;
    operations.rename = Rename;
    operations.truncate = Truncate;
    operations.utimens = Accepted;
    operations.chmod = Chmod;
    operations.chown = Chown;
    // The subtype makes the mount table say "fuse.sshfs", as a real network mount would.
    char* arguments[] = { argv[0], argv[1], const_cast<char*>("-s"), const_cast<char*>("-o"),
        const_cast<char*>("fsname=server:/share,subtype=sshfs"), nullptr };
    return fuse_main(5, arguments, &operations, nullptr);
}
