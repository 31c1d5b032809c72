// Counting and listing the streams of real files.
#include "StreamWalk.h"

#include "FolderScope.h"
#include "RecentStat.h"
#include "StreamKinds.h"
#include "TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace sondrel::streams;
using sondrel::test::SetXattr;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

struct Item
{
    std::unique_ptr<StreamInfo> Info;
    std::string Caption;
    std::string SizeText;
    int Image;
};

// Collects a listing as the stream list would.
class Collect final : public TStreamSink
{
public:
    void AddStream(std::unique_ptr<StreamInfo> info, const std::string& caption,
        const std::string& sizeText, int image) override
    {
        Items.push_back({ std::move(info), caption, sizeText, image });
    }
    void SelectFirstStream() override { ++Selections; }

    std::vector<Item> Items;
    int Selections = 0;
};

// Runs `body` in a child process (whose privileges it may change) and returns what it returned.
std::string InChild(const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string result = body();
        (void)!::write(pipeFds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (child > 0)
        ::waitpid(child, &status, 0);
    return result;
}

class StreamWalk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!sondrel::test::UserXattrsWork(m_dir.Path()))
            GTEST_SKIP() << "user xattrs do not work in " << m_dir.Path();
    }

    // A file of `size` bytes: a hole but for a pattern in its first and last bytes.
    std::string MakeLarge(const std::string& name, std::uint64_t size)
    {
        const std::string path = m_dir / name;
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        std::vector<char> head(1 << 20, 'h');
        EXPECT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        std::vector<char> tail(1 << 20, 't');
        tail.back() = 'Z';
        EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
            static_cast<ssize_t>(tail.size()));
        // Fill the middle so the file is one allocated range, plain data.
        EXPECT_EQ(::fallocate(fd, 0, 0, static_cast<off_t>(size)), 0);
        ::close(fd);
        return path;
    }

    TempDir m_dir;
};

TEST_F(StreamWalk, CountsAndListsEveryStreamInOrder)
{
    const std::string file = m_dir / "three";
    WriteFile(file, "content");
    ASSERT_TRUE(SetXattr(file, "user.summary", "sum"));
    EXPECT_EQ(WalkStreams(file, false, nullptr), "3");

    Collect list;
    EXPECT_EQ(WalkStreams(file, true, &list), "3");
    ASSERT_EQ(list.Items.size(), 3u);
    EXPECT_EQ(list.Selections, 1);
    EXPECT_EQ(list.Items[0].Caption, "<no name>");
    EXPECT_EQ(list.Items[0].Image, 2);
    EXPECT_EQ(list.Items[1].Caption, "<default>");
    EXPECT_EQ(list.Items[1].Image, 0);
    EXPECT_EQ(list.Items[1].SizeText, "7");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(list.Items[1].Info->Data.get()), 7), "content");
    EXPECT_EQ(list.Items[2].Caption, "summary"); // cut from ":summary:$DATA"
    EXPECT_EQ(list.Items[2].Image, 3);
    for (const Item& item : list.Items)
        EXPECT_TRUE(item.Info->ReadError.empty()) << item.Caption;
}

TEST_F(StreamWalk, ImagesByKind)
{
    EXPECT_EQ(StreamImageIndex(0), 9);
    EXPECT_EQ(StreamImageIndex(1), 0);
    EXPECT_EQ(StreamImageIndex(9), 8);
    EXPECT_EQ(StreamImageIndex(10), 9);
    EXPECT_EQ(StreamImageIndex(0xFFFFFFFF), 9);
}

TEST_F(StreamWalk, EmptyFilesAndFoldersHaveNoDataStream)
{
    const std::string empty = m_dir / "empty";
    WriteFile(empty, "");
    ASSERT_TRUE(SetXattr(empty, "user.zero", ""));
    Collect list;
    EXPECT_EQ(WalkStreams(empty, true, &list), "2");
    ASSERT_EQ(list.Items.size(), 2u);
    EXPECT_EQ(list.Items[1].SizeText, "0");
    EXPECT_EQ(list.Items[1].Info->DataLength, 0u);
    EXPECT_TRUE(list.Items[1].Info->ReadError.empty());

    const std::string folder = m_dir / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(SetXattr(folder, "user.note", "folder stream"));
    Collect folderList;
    EXPECT_EQ(WalkStreams(folder, true, &folderList), "2");
    EXPECT_EQ(folderList.Items[1].Caption, "note");
}

TEST_F(StreamWalk, StreamsAtAndAroundTheCap)
{
    {
        Collect exact;
        ASSERT_EQ(WalkStreams(MakeLarge("exact", kStreamDataCap), true, &exact), "2");
        const StreamInfo& data = *exact.Items[1].Info;
        EXPECT_EQ(data.DataLength, kStreamDataCap);
        EXPECT_EQ(data.Data[kStreamDataCap - 1], 'Z'); // whole, no marker
        EXPECT_EQ(data.Data[kTruncationMarkerOffset], 't');
    }
    {
        const std::string over = MakeLarge("over", kStreamDataCap + 1);
        ASSERT_TRUE(SetXattr(over, "user.after", "still found"));
        Collect list;
        ASSERT_EQ(WalkStreams(over, true, &list), "3");
        const StreamInfo& data = *list.Items[1].Info;
        EXPECT_EQ(list.Items[1].SizeText, "16777217");
        EXPECT_EQ(data.DataLength, kStreamDataCap);
        EXPECT_TRUE(data.ReadError.empty());
        EXPECT_EQ(std::memcmp(data.Data.get() + kTruncationMarkerOffset, kTruncationMarker,
                      sizeof kTruncationMarker),
            0);
        EXPECT_EQ(data.Data[kStreamDataCap - 1], 't'); // the stream's own byte
        EXPECT_EQ(std::string(reinterpret_cast<char*>(list.Items[2].Info->Data.get()), 11),
            "still found");
    }
}

TEST_F(StreamWalk, SizesAboveFourGigabytesKeepAllTheirBits)
{
    // A 5 GiB file that is one hole: plain data to the reader, no disk space needed.
    const std::string path = m_dir / "huge";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const std::uint64_t size = 5ull << 30;
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
    ASSERT_TRUE(SetXattr(path, "user.behind", "b"));
    EXPECT_EQ(WalkStreams(path, false, nullptr), "3");
    Collect list;
    ASSERT_EQ(WalkStreams(path, true, &list), "3");
    EXPECT_EQ(list.Items[1].SizeText, "5368709120");
    EXPECT_EQ(list.Items[1].Info->Size(), size);
    EXPECT_EQ(list.Items[1].Info->DataLength, kStreamDataCap);
    EXPECT_EQ(list.Items[2].Caption, "behind");
}

TEST_F(StreamWalk, OneListingLoadsAtMostSixtyFourMegabytes)
{
    // Five allocated ranges of 14 MiB each: 70 MiB of sparse blocks.
    const std::string path = m_dir / "ranges";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const std::uint64_t range = 14ull << 20;
    const std::vector<char> bytes(range, 'r');
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(2 * range * i)),
            static_cast<ssize_t>(range));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(10 * range)), 0);
    ::close(fd);
    Collect list;
    ASSERT_EQ(WalkStreams(path, true, &list), "8"); // security, data, 5 blocks, end block
    std::uint64_t loaded = 0;
    int notLoaded = 0;
    for (const Item& item : list.Items) {
        loaded += item.Info->DataLength;
        if (!item.Info->ReadError.empty()) {
            ++notLoaded;
            EXPECT_EQ(item.Info->Data, nullptr);
        }
    }
    EXPECT_LE(loaded, kListingLoadCap);
    EXPECT_EQ(notLoaded, 1);
    EXPECT_EQ(list.Items[6].Info->ReadError.rfind("Not loaded", 0), 0u);
    EXPECT_EQ(list.Items[7].Info->DataLength, 8u); // the end block still fits
}

TEST_F(StreamWalk, OddNamesAreKeptWholeAndLossless)
{
    const std::string file = m_dir / "names";
    WriteFile(file, "x");
    const std::string longName(250, 'L');
    ASSERT_TRUE(SetXattr(file, "user.tab\there", "1"));
    ASSERT_TRUE(SetXattr(file, "user.bad\xFF\xFE", "2"));
    ASSERT_TRUE(SetXattr(file, "user.a:b:c", "3"));
    ASSERT_TRUE(SetXattr(file, "user." + longName, "4"));
    Collect list;
    ASSERT_EQ(WalkStreams(file, true, &list), "6");
    std::vector<std::string> captions;
    for (std::size_t i = 2; i < list.Items.size(); ++i)
        captions.push_back(list.Items[i].Caption);
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions[0], std::string(250, 'L'));
    EXPECT_EQ(captions[1],
        "a\xEF\xBC\x9A"
        "b\xEF\xBC\x9A"
        "c"); // fullwidth colons
    EXPECT_EQ(captions[2], "bad\xFF\xFE");
    EXPECT_EQ(captions[3], "tab\there");
}

TEST_F(StreamWalk, UnopenableItemsGiveTheSystemText)
{
    const std::string text = WalkStreams(m_dir / "gone", false, nullptr);
    EXPECT_EQ(text, std::string(std::strerror(ENOENT)) + "\r\n");
    Collect list;
    EXPECT_EQ(WalkStreams(m_dir / "gone", true, &list), text);
    EXPECT_TRUE(list.Items.empty());
    EXPECT_EQ(list.Selections, 0);
}

TEST_F(StreamWalk, AFileTheUserCannotReadIsAnErrorNotACount)
{
    const std::string file = m_dir / "secret";
    WriteFile(file, "x");
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    const std::string result = InChild([&file] {
        // Drop the capabilities that let root read anything, from the effective set only.
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (::syscall(SYS_capget, &header, data) == 0) {
            for (int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH })
                data[cap / 32].effective &= ~(1u << (cap % 32));
            (void)::syscall(SYS_capset, &header, data);
        }
        return WalkStreams(file, false, nullptr);
    });
    EXPECT_EQ(result, std::string(std::strerror(EACCES)) + "\r\n");
}

TEST(StreamWalkLimits, NamesBeyondWhatTheKernelListsAreAnErrorNotASmallerCount)
{
    const sondrel::test::CrowdedFile crowded;
    if (!crowded.Problem.empty())
        GTEST_SKIP() << crowded.Problem;
    const std::string& file = crowded.Path;
    const std::string expected = win32::SystemMessageText(win32::ERROR_SONDREL_XATTR_LIST_TOO_LONG);
    EXPECT_EQ(WalkStreams(file, false, nullptr), expected);
    // A listing keeps what it could read (security and data) and still says it is not whole.
    Collect list;
    EXPECT_EQ(WalkStreams(file, true, &list), expected);
    ASSERT_EQ(list.Items.size(), 2u);
    EXPECT_EQ(list.Items[1].Caption, "<default>");
    EXPECT_EQ(ReadStreamAt(file, 2).OpenError, expected);
}

TEST(StreamWalkLimits, PseudoFilesAreReadToTheirEndWithoutClaimingAChange)
{
    // sysfs states a page for every attribute file and holds a line or two.
    const std::string file = "/sys/devices/system/cpu/online";
    struct stat st
    {
    };
    if (::stat(file.c_str(), &st) != 0 || st.st_size <= 0)
        GTEST_SKIP() << file << " is absent or states no size here";
    const std::string content = sondrel::test::ReadWholeFile(file);
    ASSERT_LT(content.size(), static_cast<std::size_t>(st.st_size));
    Collect list;
    const std::string count = WalkStreams(file, true, &list);
    EXPECT_EQ(count, std::to_string(list.Items.size()));
    const auto data = std::find_if(list.Items.begin(), list.Items.end(),
        [](const Item& item) { return item.Info->Header.dwStreamId == win32::BACKUP_DATA; });
    ASSERT_NE(data, list.Items.end());
    EXPECT_EQ(data->Info->ReadError, "");
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(data->Info->Data.get()), data->Info->DataLength),
        content);
}

TEST_F(StreamWalk, ReadStreamAtLoadsOnlyTheOneAsked)
{
    const std::string file = m_dir / "f";
    WriteFile(file, "main");
    ASSERT_TRUE(SetXattr(file, "user.s", "named"));
    const TSingleStream named = ReadStreamAt(file, 2);
    ASSERT_TRUE(named.Info);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(named.Info->Data.get()), 5), "named");
    EXPECT_FALSE(ReadStreamAt(file, 3).Info);
    EXPECT_FALSE(ReadStreamAt(m_dir / "nothing", 0).OpenError.empty());
}

} // namespace

namespace {

// Each stream a count or a headers walk passes: kind, size and name.
class Passed final : public TStreamSink
{
public:
    void AddStream(
        std::unique_ptr<StreamInfo>, const std::string&, const std::string&, int) override
    {
    }
    void SelectFirstStream() override { }
    void CountedStream(const StreamInfo& info) override
    {
        Kinds.push_back(info.Header.dwStreamId);
        Sizes.push_back(info.Size());
        Names.push_back(info.Name);
    }
    std::vector<win32::DWORD> Kinds;
    std::vector<std::uint64_t> Sizes;
    std::vector<std::u16string> Names;
};

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    for (int fd = 0; fd < 4096; ++fd)
        count += ::fcntl(fd, F_GETFD) != -1;
    return count;
}

} // namespace

TEST_F(StreamWalk, CountHeadersAndListingFindTheSameStreams)
{
    const std::string file = m_dir / "file";
    WriteFile(file, "content");
    ASSERT_TRUE(SetXattr(file, "user.one", "1"));
    ASSERT_TRUE(SetXattr(file, "user.two", "22"));
    // Two allocated ranges with a hole between: sparse blocks, which a count must find too.
    const std::string sparse = m_dir / "sparse";
    {
        const int fd = ::open(sparse.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "a", 1, 0), 1);
        ASSERT_EQ(::pwrite(fd, "b", 1, 8 << 20), 1);
        ::close(fd);
    }
    const std::string folder = m_dir / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::symlink("file", (m_dir / "link").c_str()), 0);
    for (const std::string& path : { file, sparse, folder, m_dir / "link" }) {
        Collect list;
        const TWalkResult listed = WalkItemStreams(path, TWalkMode::List, &list);
        Passed headers;
        const TWalkResult walked = WalkItemStreams(path, TWalkMode::Headers, &headers);
        Passed counted;
        const TWalkResult count = WalkItemStreams(path, TWalkMode::Count, &counted);
        ASSERT_TRUE(listed.Ok() && walked.Ok() && count.Ok()) << path;
        EXPECT_EQ(listed.Count, list.Items.size());
        EXPECT_EQ(walked.Count, listed.Count) << path;
        EXPECT_EQ(count.Count, listed.Count) << path;
        ASSERT_EQ(headers.Kinds.size(), list.Items.size());
        for (std::size_t i = 0; i < list.Items.size(); ++i) {
            EXPECT_EQ(headers.Kinds[i], list.Items[i].Info->Header.dwStreamId) << path << i;
            EXPECT_EQ(counted.Kinds[i], headers.Kinds[i]) << path << i;
            // A count with a sink decodes the names; only one without skips them.
            EXPECT_EQ(counted.Names[i], list.Items[i].Info->Name) << path << i;
            EXPECT_EQ(headers.Sizes[i], list.Items[i].Info->Size()) << path << i;
        }
        EXPECT_EQ(WalkStreams(path, false, nullptr), std::to_string(count.Count));
    }
    EXPECT_EQ(WalkItemStreams(file, TWalkMode::Count, nullptr).Count, 4u);

    const TWalkResult gone = WalkItemStreams(m_dir / "gone", TWalkMode::Count, nullptr);
    EXPECT_FALSE(gone.Ok());
    EXPECT_EQ(gone.Count, 0u);
    EXPECT_EQ(gone.Path, m_dir / "gone");
    EXPECT_EQ(WalkErrorText(gone.Error), WalkStreams(m_dir / "gone", false, nullptr));
}

TEST_F(StreamWalk, ASinkThatThrowsLeavesNoDescriptorOpen)
{
    const std::string file = m_dir / "file";
    WriteFile(file, "content");
    class Throwing final : public TStreamSink
    {
    public:
        explicit Throwing(bool onSelect)
            : m_onSelect(onSelect)
        {
        }
        void AddStream(
            std::unique_ptr<StreamInfo>, const std::string&, const std::string&, int) override
        {
            if (!m_onSelect)
                throw std::runtime_error("add");
        }
        void SelectFirstStream() override { throw std::runtime_error("select"); }

    private:
        bool m_onSelect;
    };
    // The process keeps the mount table open once it has looked at it: walk once first.
    (void)WalkStreams(file, true, nullptr);
    const std::size_t before = OpenDescriptors();
    Throwing onAdd(false);
    EXPECT_THROW((void)WalkStreams(file, true, &onAdd), std::runtime_error);
    Throwing onSelect(true);
    EXPECT_THROW((void)WalkStreams(file, true, &onSelect), std::runtime_error);
    EXPECT_EQ(OpenDescriptors(), before);
}

namespace {

// Runs `walk` in a child process that is the user nobody (65534, group 65534, no other groups)
// and returns what it returned.
std::string AsNobody(const std::function<std::string()>& walk)
{
    return InChild([&walk] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
            || ::setresuid(65534, 65534, 65534) != 0)
            return std::string("cannot become nobody");
        return walk();
    });
}

// An access ACL (the kernel's xattr form): owner rw, the named user `uid` nothing, group, mask
// and others read.
std::string AclDenying(std::uint32_t uid)
{
    std::string bytes;
    auto u16 = [&bytes](unsigned v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    auto u32 = [&u16](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    u32(2); // version
    const std::uint32_t none = 0xFFFFFFFF;
    for (const auto& [tag, perm, id] : { std::tuple { 0x01u, 6u, none }, { 0x02u, 0u, uid },
             { 0x04u, 4u, none }, { 0x10u, 4u, none }, { 0x20u, 4u, none } }) {
        u16(tag);
        u16(perm);
        u32(id);
    }
    return bytes;
}

} // namespace

TEST_F(StreamWalk, ACountRefusesWhatTheUserCouldNotOpen)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "becoming another user needs root";
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0755), 0);
    const std::string denied = std::string(std::strerror(EACCES)) + "\r\n";
    // The others may read it, but the group the user is in may not: the group's bits decide.
    const std::string grouped = m_dir / "grouped";
    WriteFile(grouped, "g");
    ASSERT_EQ(::chown(grouped.c_str(), 0, 65534), 0);
    ASSERT_EQ(::chmod(grouped.c_str(), 0604), 0);
    EXPECT_EQ(AsNobody([&] { return WalkStreams(grouped, false, nullptr); }), denied);
    // The others may read it, but an ACL entry names the user and refuses.
    const std::string named = m_dir / "named";
    WriteFile(named, "n");
    const std::string acl = AclDenying(65534);
    if (::setxattr(named.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "POSIX ACLs do not work in " << m_dir.Path();
    EXPECT_EQ(AsNobody([&] { return WalkStreams(named, false, nullptr); }), denied);
    // What the user may read is counted, as before.
    const std::string open = m_dir / "open";
    WriteFile(open, "o");
    EXPECT_EQ(AsNobody([&] { return WalkStreams(open, false, nullptr); }), "2");
}

TEST_F(StreamWalk, TheNamespacesStatServesOneCountOfThatPathOnly)
{
    const std::string file = m_dir / "file";
    WriteFile(file, "content");
    const std::string other = m_dir / "other";
    WriteFile(other, "");
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    sondrel::platform::RememberLstat(file, st);
    // Another path is counted from its own stat: no data stream for an empty file.
    EXPECT_EQ(WalkStreams(other, false, nullptr), "1");
    // The remembered stat is gone: the file turned folder is seen as it is now.
    ASSERT_EQ(::unlink(file.c_str()), 0);
    ASSERT_EQ(::mkdir(file.c_str(), 0755), 0);
    EXPECT_EQ(WalkStreams(file, false, nullptr), "1");
    ASSERT_EQ(::rmdir(file.c_str()), 0);
    WriteFile(file, "content");
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    sondrel::platform::RememberLstat(file, st);
    EXPECT_EQ(WalkStreams(file, false, nullptr), "2");
    EXPECT_FALSE(sondrel::platform::TakeLstat(file, st)); // taken once
}

TEST_F(StreamWalk, CountsInsideAFolderScopeAgreeWithCountsByPath)
{
    const std::string file = m_dir / "file";
    WriteFile(file, "content");
    ASSERT_TRUE(SetXattr(file, "user.one", "1"));
    const std::string folder = m_dir / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(SetXattr(folder, "user.note", "n"));
    WriteFile(folder + "/inner", "i");
    ASSERT_EQ(::symlink("file", (m_dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink("gone", (m_dir / "dangling").c_str()), 0);
    const std::vector<std::string> paths { file, folder, folder + "/inner", m_dir / "link",
        m_dir / "dangling", m_dir / "missing", m_dir.Path() + "/.", m_dir.Path() };
    std::vector<std::string> byPath;
    for (const std::string& path : paths)
        byPath.push_back(WalkStreams(path, false, nullptr));
    EXPECT_EQ(byPath[0], "3");
    EXPECT_EQ(byPath[3], "3"); // the link's target
    {
        const sondrel::platform::TFolderScope scope(m_dir.Path());
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(WalkStreams(paths[i], false, nullptr), byPath[i]) << paths[i];
        // A name that went away under the scope is missing, as by its path.
        ASSERT_EQ(::unlink(file.c_str()), 0);
        EXPECT_EQ(
            WalkStreams(file, false, nullptr), WalkStreams(m_dir / "missing", false, nullptr));
    }
}
