// What every stream content promises the backup reader, written once and run against each kind:
// bytes in memory, a range of a file, an xattr's value (as it is and in Samba's form), the packed
// EA list, and contents that fail because the item changed after its streams were collected.
#include "BackupApi.h"
#include "BackupItem.h"
#include "ItemStreams.h"
#include "TempDir.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace sondrel::backup;
using sondrel::test::SetXattr;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

// One content under test and what reading it must give.
struct Made
{
    std::shared_ptr<BackupItem> Item; // keeps the descriptor the content reads through
    BackupStreams Streams;
    std::size_t Index = 0;
    std::string Expected; // every byte, or those before the failure
    bool Fails = false;
    std::string Skip; // why the machine cannot make it

    [[nodiscard]] StreamContent& Content() const { return *Streams[Index].Content; }
    [[nodiscard]] Offset Size() const { return Streams[Index].Size; }
};

std::string Patterned(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

std::shared_ptr<BackupItem> Item(const std::string& path)
{
    auto item = std::make_shared<BackupItem>();
    item->Path = path;
    item->Fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st
    {
    };
    EXPECT_EQ(::fstat(item->Fd, &st), 0) << path;
    item->Size = static_cast<std::uint64_t>(st.st_size);
    item->AllocatedBytes = static_cast<std::uint64_t>(st.st_blocks) * 512;
    item->Mode = st.st_mode & 07777;
    item->Device = st.st_dev;
    return item;
}

// The stream of kind `id` (the first such) of `path`'s collected streams.
Made Collected(const std::string& path, win32::DWORD id, bool processSecurity = false)
{
    Made made;
    made.Item = Item(path);
    made.Streams = CollectStreams(made.Item, processSecurity).Streams;
    const auto found = std::find_if(made.Streams.begin(), made.Streams.end(),
        [id](const BackupStream& s) { return s.Id == id; });
    EXPECT_NE(found, made.Streams.end()) << path;
    made.Index = static_cast<std::size_t>(found - made.Streams.begin());
    return made;
}

struct Kind
{
    const char* Name;
    std::function<Made(const TempDir&)> Make;
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.Name; }

const Kind kKinds[] = {
    { "memory",
        [](const TempDir&) {
            Made made;
            made.Expected = Patterned(1000);
            BackupStream s;
            s.Size = made.Expected.size();
            s.Content = std::make_unique<MemoryContent>(
                std::vector<win32::BYTE>(made.Expected.begin(), made.Expected.end()));
            made.Streams.push_back(std::move(s));
            return made;
        } },
    { "file",
        [](const TempDir& dir) {
            WriteFile(dir / "f", Patterned(300000));
            Made made = Collected(dir / "f", win32::BACKUP_DATA);
            made.Expected = Patterned(300000);
            return made;
        } },
    { "xattr",
        [](const TempDir& dir) {
            WriteFile(dir / "x", "");
            Made made;
            if (!SetXattr(dir / "x", "user.stream", Patterned(3000)))
                made.Skip = "user xattrs do not work here";
            else
                made = Collected(dir / "x", win32::BACKUP_ALTERNATE_DATA);
            made.Expected = Patterned(3000);
            return made;
        } },
    { "samba-xattr",
        [](const TempDir& dir) {
            WriteFile(dir / "s", "");
            Made made;
            // Samba keeps a zero after the stream's bytes, which is not the stream's.
            if (!SetXattr(dir / "s", "user.DosStream.note:$DATA", Patterned(500) + '\0'))
                made.Skip = "user xattrs do not work here";
            else
                made = Collected(dir / "s", win32::BACKUP_ALTERNATE_DATA);
            made.Expected = Patterned(500);
            return made;
        } },
    { "ea-list",
        [](const TempDir& dir) {
            WriteFile(dir / "e", "");
            Made made;
            if (!SetXattr(dir / "e", "trusted.sondrel", "value")) {
                made.Skip = "trusted xattrs need root";
                return made;
            }
            made = Collected(dir / "e", win32::BACKUP_EA_DATA);
            // One entry: next offset 0, flags 0, name length, value length, name, zero, value,
            // padded to four bytes.
            made.Expected = std::string("\0\0\0\0\0\x0f\x05\0trusted.sondrel\0value\0\0\0", 32);
            return made;
        } },
    { "file-cut-after-collecting",
        [](const TempDir& dir) {
            WriteFile(dir / "cut", Patterned(5000));
            Made made = Collected(dir / "cut", win32::BACKUP_DATA);
            EXPECT_EQ(::truncate((dir / "cut").c_str(), 1200), 0);
            made.Expected = Patterned(1200);
            made.Fails = true;
            return made;
        } },
    { "xattr-removed-after-collecting",
        [](const TempDir& dir) {
            WriteFile(dir / "gone", "");
            Made made;
            if (!SetXattr(dir / "gone", "user.stream", "soon gone")) {
                made.Skip = "user xattrs do not work here";
                return made;
            }
            made = Collected(dir / "gone", win32::BACKUP_ALTERNATE_DATA);
            EXPECT_EQ(::removexattr((dir / "gone").c_str(), "user.stream"), 0);
            made.Fails = true;
            return made;
        } },
};

class StreamContentContract : public ::testing::TestWithParam<Kind>
{
protected:
    void SetUp() override
    {
        m_made = GetParam().Make(m_dir);
        if (!m_made.Skip.empty())
            GTEST_SKIP() << m_made.Skip;
        ASSERT_LT(m_made.Index, m_made.Streams.size());
        ASSERT_TRUE(m_made.Streams[m_made.Index].Content);
    }

    // Reads [offset, offset + count) in pieces of `piece`, stopping at the first short read.
    ContentRead ReadPieces(Offset offset, std::size_t count, std::size_t piece, std::string& out)
    {
        ContentRead total;
        while (total.Bytes < count) {
            const std::size_t want = std::min(piece, count - total.Bytes);
            std::string buffer(want, '\xAA');
            const ContentRead got = m_made.Content().Read(
                offset + total.Bytes, reinterpret_cast<win32::BYTE*>(buffer.data()), want);
            EXPECT_LE(got.Bytes, want);
            out.append(buffer, 0, got.Bytes);
            total.Bytes += got.Bytes;
            total.Error = got.Error;
            if (got.Bytes < want)
                break;
        }
        return total;
    }

    TempDir m_dir;
    Made m_made;
};

TEST_P(StreamContentContract, TheStatedSizeReadsWholeOrFailsWithAReasonAndNoInventedBytes)
{
    std::string bytes;
    const ContentRead got
        = ReadPieces(0, static_cast<std::size_t>(m_made.Size()), m_made.Size() + 1, bytes);
    EXPECT_EQ(bytes, m_made.Expected);
    if (m_made.Fails) {
        EXPECT_LT(got.Bytes, m_made.Size());
        EXPECT_NE(got.Error, 0u);
    } else {
        EXPECT_EQ(got.Bytes, m_made.Size());
        EXPECT_EQ(got.Error, 0u);
    }
}

TEST_P(StreamContentContract, PiecesReadForwardAgreeWithOneRead)
{
    for (const std::size_t piece : { std::size_t { 1 }, std::size_t { 7 }, std::size_t { 4096 } }) {
        std::string bytes;
        const std::size_t size = static_cast<std::size_t>(std::min<Offset>(m_made.Size(), 20000));
        const ContentRead got = ReadPieces(0, size, piece, bytes);
        EXPECT_EQ(bytes, m_made.Expected.substr(0, size)) << piece;
        EXPECT_EQ(got.Error != 0, m_made.Fails && size > m_made.Expected.size()) << piece;
    }
}

TEST_P(StreamContentContract, AReadMaySkipForward)
{
    if (m_made.Fails || m_made.Size() < 4)
        GTEST_SKIP() << "only whole contents are read from their middle";
    const Offset middle = m_made.Size() / 2;
    std::string bytes;
    const ContentRead got
        = ReadPieces(middle, static_cast<std::size_t>(m_made.Size() - middle), 999, bytes);
    EXPECT_EQ(got.Error, 0u);
    EXPECT_EQ(bytes, m_made.Expected.substr(static_cast<std::size_t>(middle)));
}

// Copied into a file (inside the kernel where the content is a file's), a content gives the
// same bytes as read, from its start or its middle, and fails where reading fails.
TEST_P(StreamContentContract, ACopyToAFileHoldsWhatAReadGives)
{
    for (const Offset from : { Offset { 0 }, m_made.Size() / 2 }) {
        if (from > 0 && m_made.Fails)
            break;
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        const int fd = ::fileno(out);
        const auto size = static_cast<std::size_t>(m_made.Size() - from);
        const ContentRead got = m_made.Content().CopyTo(from, fd, size);
        std::string bytes(got.Bytes, '\0');
        EXPECT_EQ(::pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(got.Bytes));
        std::fclose(out);
        EXPECT_EQ(bytes, m_made.Expected.substr(static_cast<std::size_t>(from))) << from;
        EXPECT_EQ(got.Error != 0, m_made.Fails) << from;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, StreamContentContract, ::testing::ValuesIn(kKinds),
    [](const ::testing::TestParamInfo<Kind>& kind) {
        std::string name = kind.param.Name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

} // namespace
