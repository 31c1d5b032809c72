// The shared fixtures read as images, without mounting: every stream their README vouches for,
// with its size and SHA-256, through the same backup calls a walk of files on disk makes.

#include "BackupSource.h"
#include "DiskImage.h"
#include "ImageTestSupport.h"
#include "NtfsImage.h"
#include "NtfsSource.h"
#include "Run.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace win32;

namespace sondrel::test {

namespace {

    // Registers the first NTFS volume of a fixture under a prefix of its own for one test.
    class FixtureVolume
    {
    public:
        FixtureVolume(const std::string& name, std::string prefix)
            : m_prefix(std::move(prefix))
        {
            m_image = DecompressFixture(m_dir, name);
            std::string error;
            auto source = image::OpenImageVolume(m_image, 1, error);
            EXPECT_TRUE(source) << error;
            if (source)
                backup::RegisterBackupSource(m_prefix, std::move(source));
        }
        ~FixtureVolume() { backup::UnregisterBackupSource(m_prefix); }
        FixtureVolume(const FixtureVolume&) = delete;
        FixtureVolume& operator=(const FixtureVolume&) = delete;

        [[nodiscard]] std::string operator/(const std::string& path) const
        {
            return m_prefix + "/" + path;
        }
        [[nodiscard]] const std::string& Image() const { return m_image; }

    private:
        TempDir m_dir;
        std::string m_image;
        std::string m_prefix;
    };

    std::vector<ReadStream> Streams(const std::string& path)
    {
        std::string error;
        auto streams = ReadAllStreams(path, error);
        EXPECT_EQ(error, "") << path;
        return streams;
    }

    struct Listed
    {
        const char* Path;
        const char* Stream; // "" for the main data
        std::uint64_t Size;
        const char* Sha256;
    };

} // namespace

TEST(FixtureImageTest, FindsThePartitionOfAnMbrDiskAndTheBareVolume)
{
    TempDir dir;
    std::string error;
    const auto disk = image::DiskImage::Open(DecompressFixture(dir, "grr_ntfs_img.dd"), error);
    ASSERT_TRUE(disk) << error;
    ASSERT_EQ(disk->NtfsVolumes().size(), 1U);
    EXPECT_EQ(disk->NtfsVolumes()[0].Start, 32256U);
    const auto bare
        = image::DiskImage::Open(DecompressFixture(dir, "win7_sample_tiny_volume.raw"), error);
    ASSERT_TRUE(bare) << error;
    ASSERT_EQ(bare->NtfsVolumes().size(), 1U);
    EXPECT_EQ(bare->NtfsVolumes()[0].Start, 0U);
    EXPECT_EQ(bare->NtfsVolumes()[0].Length, 7340032U);
}

TEST(FixtureImageTest, EveryListedStreamWithItsSizeAndDigest)
{
    FixtureVolume volume("grr_ntfs_img.dd", "/grr-image");
    const Listed listed[] = {
        { "Test Directory/notes.txt", "", 12,
            "1894a19c85ba153acbf743ac4e43fc004c891604b26f8c69e1e83ea2afc7c48f" },
        { "Test Directory/notes.txt", "ads", 16,
            "ed8b2207c20d1972d171f132d1b47c005e9292a8c89eb6505a4c9369ed5ae6c6" },
        { "adstest/a.txt", "", 13,
            "72309e45d8ff22f89ad30d7e8aca1eda475fddb9bc6edf88cbf66919dd204ccb" },
        { "adstest/a.txt", "ads.txt", 25,
            "a822420b529f7e54aceb9500990252bb9de546eb248b081df4c913472f60d6e8" },
        { "adstest/dir", "ads.txt", 19,
            "5d21b8891425b66b87904318d0b0023c9a4d627f7ef5154f99bfd9592d8d83e1" },
        { "adstest/dir/b.txt", "", 13,
            "1ca557de7b33d3bb3098e750b69a2329d1a345fd0ff8fa057db27ae6c668a48c" },
        { "adstest/dir/b.txt", "ads.txt", 25,
            "3fade7ce69422bd9bb5ef98b710117506e971919541042265b5837456fcf8c4e" },
    };
    for (const Listed& row : listed) {
        SCOPED_TRACE(std::string(row.Path) + ":" + row.Stream);
        const auto streams = Streams(volume / row.Path);
        const ReadStream* stream
            = FindStream(streams, *row.Stream ? BACKUP_ALTERNATE_DATA : BACKUP_DATA, row.Stream);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->Size, row.Size);
        EXPECT_EQ(Sha256Hex(stream->Content), row.Sha256);
    }
    EXPECT_EQ(FindStream(Streams(volume / "Test Directory/notes.txt"), BACKUP_DATA)->Content,
        "Hello world\n");
}

TEST(FixtureImageTest, ColonAndCjkNamesNoStreamsAndTheSecurityDescriptors)
{
    FixtureVolume volume("grr_ntfs_img.dd", "/grr-names");
    // A file whose name holds a colon is a file, not a stream.
    const auto colon = Streams(volume / "Test Directory/notes.txt:ads");
    ASSERT_NE(FindStream(colon, BACKUP_DATA), nullptr);
    EXPECT_EQ(FindStream(colon, BACKUP_DATA)->Content, "I am an ADS\n");
    const auto cjk = Streams(volume / "Test Directory/入乡随俗 海外春节别样过法.txt");
    ASSERT_NE(FindStream(cjk, BACKUP_DATA), nullptr);
    EXPECT_EQ(FindStream(cjk, BACKUP_DATA)->Size, 13U);
    const auto plain = Streams(volume / "adstest/dir/no_ads.txt");
    EXPECT_EQ(std::count_if(plain.begin(), plain.end(),
                  [](const ReadStream& s) { return s.Id == BACKUP_ALTERNATE_DATA; }),
        0);
    ASSERT_NE(FindStream(plain, BACKUP_DATA), nullptr);
    EXPECT_EQ(FindStream(plain, BACKUP_DATA)->Size, 20U);
    // The descriptors' sizes: ntfs-3g-written, Windows-written, and the folder's.
    const std::pair<const char*, std::uint64_t> descriptors[]
        = { { "Test Directory/notes.txt", 80 }, { "adstest/a.txt", 160 }, { "adstest/dir", 248 } };
    for (const auto& [path, size] : descriptors) {
        const auto streams = Streams(volume / path);
        ASSERT_FALSE(streams.empty()) << path;
        EXPECT_EQ(streams[0].Id, BACKUP_SECURITY_DATA) << path;
        EXPECT_EQ(streams[0].Attributes, STREAM_CONTAINS_SECURITY) << path;
        EXPECT_EQ(streams[0].Content.size(), size) << path;
        // Self-relative, revision 1.
        EXPECT_EQ(streams[0].Content[0], '\x01') << path;
    }
    // A folder has no data stream; its named one is there.
    const auto folder = Streams(volume / "adstest/dir");
    EXPECT_EQ(FindStream(folder, BACKUP_DATA), nullptr);
    EXPECT_NE(FindStream(folder, BACKUP_ALTERNATE_DATA, "ads.txt"), nullptr);
}

TEST(FixtureImageTest, FoldersListTheirEntriesAndMissingPathsFail)
{
    FixtureVolume volume("grr_ntfs_img.dd", "/grr-folders");
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_EQ(backup::ReadFolderEntries(volume / "adstest", entries), 0);
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.Name);
        EXPECT_EQ(entry.IsFolder, entry.Name == "dir") << entry.Name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "a.txt", "dir" }));
    entries.clear();
    EXPECT_EQ(backup::ReadFolderEntries(volume / "adstest/a.txt", entries), ENOTDIR);
    EXPECT_EQ(backup::ReadFolderEntries(volume / "no such folder", entries), ENOENT);
    const std::string missing = volume / "adstest/missing.txt";
    EXPECT_EQ(CreateFileA(missing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // The root is a folder holding the volume's top entries.
    entries.clear();
    ASSERT_EQ(backup::ReadFolderEntries(volume / "", entries), 0);
    EXPECT_TRUE(std::any_of(
        entries.begin(), entries.end(), [](const auto& e) { return e.Name == "adstest"; }));
}

TEST(FixtureImageTest, ExtendStreamsOfTheWindowsVolumeReadWhole)
{
    FixtureVolume volume("win7_sample_tiny_volume.raw", "/win7-image");
    const auto tops = Streams(volume / "$Extend/$RmMetadata/$TxfLog/$Tops");
    const ReadStream* t = FindStream(tops, BACKUP_ALTERNATE_DATA, "$T");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Size, 1048576U);
    EXPECT_EQ(t->Content.size(), 1048576U);
    const auto repair = Streams(volume / "$Extend/$RmMetadata/$Repair");
    ASSERT_NE(FindStream(repair, BACKUP_ALTERNATE_DATA, "$Config"), nullptr);
    EXPECT_EQ(FindStream(repair, BACKUP_ALTERNATE_DATA, "$Config")->Size, 8U);
    const auto file1 = Streams(volume / "file1.txt");
    EXPECT_EQ(std::count_if(file1.begin(), file1.end(),
                  [](const ReadStream& s) { return s.Id == BACKUP_ALTERNATE_DATA; }),
        0);

    // Equal to what the volume holds, as ntfs-3g's stream interface hands it out.
    NtfsImage mounted("win7_sample_tiny_volume.raw.xz", 0);
    if (!mounted.Usable() || !mounted.Mount("streams_interface=windows,show_sys_files"))
        GTEST_SKIP() << "cannot mount the volume to compare: " << mounted.Problem();
    std::ifstream in(mounted / "$Extend/$RmMetadata/$TxfLog/$Tops:$T", std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    EXPECT_EQ(whole.str().size(), 1048576U);
    EXPECT_TRUE(whole.str() == t->Content);
}

TEST(FixtureImageTest, ACountLearnsKindsWithoutReadingContents)
{
    FixtureVolume volume("grr_ntfs_img.dd", "/grr-count");
    const std::string path = volume / "adstest/a.txt";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SONDREL_COUNT_ONLY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LPVOID context = nullptr;
    std::vector<DWORD> kinds;
    BYTE header[kStreamHeaderSize];
    DWORD read = 0;
    while (BackupRead(file, header, kStreamHeaderSize, &read, FALSE, TRUE, &context)
        && read == kStreamHeaderSize) {
        const WIN32_STREAM_ID id = DecodeStreamHeader(header);
        kinds.push_back(id.dwStreamId);
        DWORD low = 0, high = 0;
        const std::uint64_t skip
            = id.dwStreamNameSize + static_cast<std::uint64_t>(id.Size.QuadPart);
        std::vector<BYTE> name(id.dwStreamNameSize);
        ASSERT_TRUE(
            BackupRead(file, name.data(), id.dwStreamNameSize, &read, FALSE, TRUE, &context));
        if (skip > id.dwStreamNameSize)
            (void)BackupSeek(file, static_cast<DWORD>(id.Size.QuadPart), 0, &low, &high, &context);
    }
    (void)BackupRead(file, nullptr, 0, nullptr, TRUE, TRUE, &context);
    CloseHandle(file);
    EXPECT_EQ(
        kinds, (std::vector<DWORD> { BACKUP_SECURITY_DATA, BACKUP_DATA, BACKUP_ALTERNATE_DATA }));
}

} // namespace sondrel::test
