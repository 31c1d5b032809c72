// The backup calls over real files on the machine's own file system.
#include "BackupApi.h"
#include "TempDir.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace win32;
using sondrel::test::TempDir;
using namespace std::string_literals;

namespace {

struct Stream
{
    DWORD Id;
    DWORD Attributes;
    std::uint64_t Size;
    std::u16string Name;
    std::string Content;
};

HANDLE Open(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Every stream of `path`, contents included, read as a backup program reads them.
std::vector<Stream> ReadStreams(const std::string& path, bool processSecurity = true)
{
    HANDLE h = Open(path);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path << ": " << SystemMessageText(GetLastError());
    std::vector<Stream> streams;
    if (h == INVALID_HANDLE_VALUE)
        return streams;
    LPVOID context = nullptr;
    for (;;) {
        BYTE header[kStreamHeaderSize];
        DWORD read = 0;
        if (!BackupRead(h, header, kStreamHeaderSize, &read, FALSE, processSecurity, &context)
            || read != kStreamHeaderSize)
            break;
        const WIN32_STREAM_ID id = DecodeStreamHeader(header);
        std::string name(id.dwStreamNameSize, '\0');
        EXPECT_TRUE(BackupRead(h, reinterpret_cast<BYTE*>(name.data()), id.dwStreamNameSize, &read,
            FALSE, processSecurity, &context));
        Stream s { id.dwStreamId, id.dwStreamAttributes,
            static_cast<std::uint64_t>(id.Size.QuadPart), {}, {} };
        for (std::size_t i = 0; i + 1 < name.size(); i += 2)
            s.Name += static_cast<char16_t>(
                static_cast<unsigned char>(name[i]) | static_cast<unsigned char>(name[i + 1]) << 8);
        s.Content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(s.Size, 1 << 20)));
        EXPECT_TRUE(BackupRead(h, reinterpret_cast<BYTE*>(s.Content.data()),
            static_cast<DWORD>(s.Content.size()), &read, FALSE, processSecurity, &context));
        s.Content.resize(read);
        if (s.Size > s.Content.size()) {
            DWORD low = 0, high = 0;
            const std::uint64_t rest = s.Size - s.Content.size();
            EXPECT_TRUE(BackupSeek(h, static_cast<DWORD>(rest), static_cast<DWORD>(rest >> 32),
                &low, &high, &context));
        }
        streams.push_back(std::move(s));
    }
    EXPECT_TRUE(BackupRead(h, nullptr, 0, nullptr, TRUE, processSecurity, &context));
    EXPECT_EQ(context, nullptr);
    EXPECT_TRUE(CloseHandle(h));
    return streams;
}

std::vector<DWORD> Kinds(const std::vector<Stream>& streams)
{
    std::vector<DWORD> kinds;
    for (const Stream& s : streams)
        kinds.push_back(s.Id);
    return kinds;
}

class BackupRead_ : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!sondrel::test::UserXattrsWork(m_dir.Path()))
            GTEST_SKIP() << "user xattrs do not work in " << m_dir.Path();
    }
    TempDir m_dir;
};

TEST_F(BackupRead_, StreamsComeInWindowsOrderWithTheirContents)
{
    const std::string file = m_dir / "f";
    sondrel::test::WriteFile(file, "main data");
    ASSERT_TRUE(sondrel::test::SetXattr(file, "user.first", "one"));
    ASSERT_TRUE(sondrel::test::SetXattr(file, "user.a:b", "colon"));
    const bool trusted = sondrel::test::SetXattr(file, "trusted.sondrel", "ea value");
    const std::vector<Stream> s = ReadStreams(file);
    std::vector<DWORD> expected { BACKUP_SECURITY_DATA, BACKUP_DATA };
    if (trusted)
        expected.push_back(BACKUP_EA_DATA);
    expected.insert(expected.end(), { BACKUP_ALTERNATE_DATA, BACKUP_ALTERNATE_DATA });
    ASSERT_EQ(Kinds(s), expected);
    EXPECT_EQ(s[0].Attributes, STREAM_CONTAINS_SECURITY);
    EXPECT_EQ(s[1].Content, "main data");
    EXPECT_TRUE(s[1].Name.empty());
    const std::size_t ads = trusted ? 3 : 2;
    // listxattr order is the file system's; both names must be there.
    std::vector<std::u16string> names { s[ads].Name, s[ads + 1].Name };
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names[0], u":a\uFF1Ab:$DATA");
    EXPECT_EQ(names[1], u":first:$DATA");
    if (trusted) {
        EXPECT_EQ(s[2].Size, s[2].Content.size());
        EXPECT_NE(s[2].Content.find("trusted.sondrel"), std::string::npos);
        EXPECT_NE(s[2].Content.find("ea value"), std::string::npos);
    }
}

TEST_F(BackupRead_, SecurityIsOnlyThereWhenAskedFor)
{
    const std::string file = m_dir / "f";
    sondrel::test::WriteFile(file, "x");
    EXPECT_EQ(Kinds(ReadStreams(file, false)), std::vector<DWORD> { BACKUP_DATA });
}

TEST_F(BackupRead_, PosixAclShowsInTheDescriptor)
{
    const std::string file = m_dir / "acl";
    sondrel::test::WriteFile(file, "x");
    if (std::system(("setfacl -m u:4242:rw " + file + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "setfacl is missing or ACLs do not work here";
    const std::vector<Stream> s = ReadStreams(file);
    ASSERT_FALSE(s.empty());
    ASSERT_EQ(s[0].Id, BACKUP_SECURITY_DATA);
    const std::string& sd = s[0].Content;
    EXPECT_EQ(static_cast<unsigned char>(sd[3]), 0x90); // self-relative, protected
    // S-1-22-1-4242 somewhere in the ACL.
    const std::string sid = std::string("\x01\x02\0\0\0\0\0\x16\x01\0\0\0", 12) + "\x92\x10\0\0"s;
    EXPECT_NE(sd.find(sid), std::string::npos);
}

TEST_F(BackupRead_, SparseFilesComeAsBlocksWithTheirOffsets)
{
    const std::string file = m_dir / "sparse";
    const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const std::uint64_t mib = 1 << 20;
    for (const std::uint64_t at : { 0 * mib, 3 * mib, 7 * mib })
        ASSERT_EQ(::pwrite(fd, "DATA", 4, static_cast<off_t>(at)), 4);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(10 * mib)), 0);
    ::close(fd);
    const std::vector<Stream> s = ReadStreams(file);
    ASSERT_GE(s.size(), 2u);
    if (s[1].Attributes != STREAM_SPARSE_ATTRIBUTE)
        GTEST_SKIP() << "this file system reports no holes";
    EXPECT_EQ(s[1].Id, BACKUP_DATA);
    EXPECT_EQ(s[1].Size, 0u);
    ASSERT_EQ(s.size(), 2u + 3u + 1u);
    const std::uint64_t offsets[] = { 0, 3 * mib, 7 * mib };
    for (int i = 0; i < 3; ++i) {
        const Stream& block = s[2 + static_cast<std::size_t>(i)];
        EXPECT_EQ(block.Id, BACKUP_SPARSE_BLOCK);
        std::uint64_t offset = 0;
        std::memcpy(&offset, block.Content.data(), 8);
        EXPECT_EQ(offset, offsets[i]);
        EXPECT_EQ(block.Content.substr(8, 4), "DATA");
        EXPECT_EQ(block.Size, block.Content.size());
    }
    const Stream& end = s.back();
    EXPECT_EQ(end.Size, 8u);
    std::uint64_t offset = 0;
    std::memcpy(&offset, end.Content.data(), 8);
    EXPECT_EQ(offset, 10 * mib);
}

TEST_F(BackupRead_, FifosSocketsAndDevicesAreNeverOpened)
{
    const std::string fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string socketPath = m_dir / "sock";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> items { fifo, socketPath };
    const std::string device = m_dir / "dev";
    if (::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        items.push_back(device);

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (const std::string& item : items)
        ASSERT_GE(::inotify_add_watch(watch, item.c_str(), IN_OPEN | IN_ACCESS), 0);
    for (const std::string& item : items) {
        const std::vector<Stream> s = ReadStreams(item);
        ASSERT_FALSE(s.empty()) << item;
        EXPECT_EQ(s[0].Id, BACKUP_SECURITY_DATA) << item;
        for (const Stream& stream : s)
            EXPECT_NE(stream.Id, BACKUP_DATA) << item;
    }
    std::array<char, 4096> events {};
    EXPECT_LT(::read(watch, events.data(), events.size()), 0) << "an item was opened";
    ::close(watch);
    ::close(sock);
    if (items.size() < 3)
        GTEST_SKIP() << "could not make a device node (needs CAP_MKNOD); FIFO and socket passed";
}

TEST_F(BackupRead_, AnEntrySwappedForAFifoWhileBeingOpenedIsNeverOpened)
{
    // The name flips between a regular file and a FIFO as fast as the kernel allows while the
    // item is opened again and again: whatever the open lands on, the FIFO is never opened.
    const std::string path = m_dir / "item";
    const std::string other = m_dir / "other";
    sondrel::test::WriteFile(path, "regular");
    ASSERT_EQ(::mkfifo(other.c_str(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, other.c_str(), IN_OPEN), 0);
    std::atomic<bool> stop { false };
    std::thread swapper([&] {
        while (!stop)
            (void)::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE);
    });
    int opened = 0;
    for (int i = 0; i < 3000; ++i) {
        HANDLE h = Open(path);
        if (h != INVALID_HANDLE_VALUE) {
            ++opened;
            EXPECT_TRUE(CloseHandle(h));
        }
    }
    stop = true;
    swapper.join();
    EXPECT_GT(opened, 0);
    std::array<char, 4096> events {};
    EXPECT_LT(::read(watch, events.data(), events.size()), 0) << "the FIFO was opened";
    ::close(watch);
}

TEST_F(BackupRead_, FailuresCarryWin32Codes)
{
    EXPECT_EQ(Open(m_dir / "missing"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(::symlink("nowhere", (m_dir / "dangling").c_str()), 0);
    EXPECT_EQ(Open(m_dir / "dangling"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(std::string(5000, 'n')), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(CreateFileA(m_dir.Path().c_str(), GENERIC_READ, 0, nullptr, 2, 0, nullptr),
        INVALID_HANDLE_VALUE); // anything but opening an existing item would write

    HANDLE h = Open(m_dir.Path());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    LPVOID context = nullptr;
    BYTE b[20];
    DWORD read = 7;
    EXPECT_FALSE(BackupRead(h, b, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(read, 0u);
}

// A thread remembers the handle it used last; a close on another thread must still make the
// handle stale here, and a new handle must not pass for it.
TEST_F(BackupRead_, AHandleClosedOnAnotherThreadIsStaleHere)
{
    HANDLE h = Open(m_dir.Path());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LPVOID context = nullptr;
    BYTE b[20];
    DWORD read = 0;
    ASSERT_TRUE(BackupRead(h, b, 20, &read, FALSE, TRUE, &context));
    EXPECT_TRUE(BackupRead(h, nullptr, 0, nullptr, TRUE, TRUE, &context));
    BOOL closed = FALSE;
    std::thread([&] { closed = CloseHandle(h); }).join();
    ASSERT_TRUE(closed);
    EXPECT_FALSE(BackupRead(h, b, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    HANDLE other = Open(m_dir.Path());
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(other));
    EXPECT_FALSE(BackupRead(other, b, 20, &read, FALSE, TRUE, &context));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(BackupRead_, FoldersAndSymbolicLinksAreOpenedAsWhatTheyLeadTo)
{
    const std::string folder = m_dir / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(sondrel::test::SetXattr(folder, "user.dirstream", "on a folder"));
    const std::vector<Stream> s = ReadStreams(folder);
    ASSERT_EQ(Kinds(s), (std::vector<DWORD> { BACKUP_SECURITY_DATA, BACKUP_ALTERNATE_DATA }));
    EXPECT_EQ(s[1].Content, "on a folder");
    ASSERT_EQ(::symlink("folder", (m_dir / "link").c_str()), 0);
    EXPECT_EQ(ReadStreams(m_dir / "link")[1].Content, "on a folder");
}

} // namespace
