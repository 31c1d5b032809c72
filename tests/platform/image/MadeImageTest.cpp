// A volume made with mkntfs and filled through an ntfs-3g mount with the Windows stream
// interface (a 5 MB named stream, an EA, an object id, a reparse point), then read as an image
// without mounting, and through a mount with the default interface, whose xattrs stop at 64 KiB.

#include "BackupSource.h"
#include "EaList.h"
#include "ImageTestSupport.h"
#include "LiveVolume.h"
#include "NtfsImage.h"
#include "NtfsSource.h"
#include "Privileges.h"
#include "Run.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace win32;

namespace sondrel::test {

namespace {

    std::string FixtureAttribute(const std::string& name)
    {
        std::ifstream in(std::string(SONDREL_FIXTURES_DIR) + "/attrs/" + name, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // Sets an ntfs-3g metadata attribute and gives back what the mount then reads (ntfs-3g
    // keeps an object id whose birth ids are zero as the 16-byte id alone).
    std::string SetSystemXattr(const std::string& path, const char* name, const std::string& value)
    {
        if (::lsetxattr(path.c_str(), name, value.data(), value.size(), 0) != 0)
            return {};
        std::string back(4096, '\0');
        const ssize_t size = ::lgetxattr(path.c_str(), name, back.data(), back.size());
        back.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        return back;
    }

    class MadeImage : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            SONDREL_REQUIRE_NTFS(m_volume);
            ASSERT_TRUE(m_volume.Mount("streams_interface=windows")) << m_volume.Problem();
            m_big.resize(5 * 1024 * 1024);
            for (std::size_t i = 0; i < m_big.size(); ++i)
                m_big[i] = static_cast<char>((i * 7919) >> 8);
            WriteFile(m_volume / "file", "main data\n");
            std::ofstream(m_volume / "file:big", std::ios::binary) << m_big;
            m_ea
                = SetSystemXattr(m_volume / "file", "system.ntfs_ea", FixtureAttribute("ea-1.bin"));
            ASSERT_FALSE(m_ea.empty());
            m_objectId = SetSystemXattr(
                m_volume / "file", "system.ntfs_object_id", FixtureAttribute("object_id.bin"));
            ASSERT_FALSE(m_objectId.empty());
            // Two written ranges with a hole of 10 MiB between them: ntfs-3g keeps it sparse.
            m_head.assign(65536, 'h');
            m_tail.assign(65536, 't');
            {
                std::ofstream sparse(m_volume / "sparse", std::ios::binary);
                sparse << m_head;
                sparse.seekp(kTailOffset);
                sparse << m_tail;
            }
            WriteFile(m_volume / "link", "");
            m_reparse = SetSystemXattr(
                m_volume / "link", "system.ntfs_reparse_data", FixtureAttribute("rp.bin.reparse"));
            ASSERT_FALSE(m_reparse.empty());
            m_volume.Unmount();
        }

        static constexpr std::uint64_t kTailOffset = 160 * 65536;
        NtfsImage m_volume { 32 };
        std::string m_head;
        std::string m_tail;
        std::string m_big;
        std::string m_ea;
        std::string m_objectId;
        std::string m_reparse;
    };

} // namespace

TEST_F(MadeImage, EveryStreamWholeWhenReadAsAnImage)
{
    std::string error;
    auto source = image::OpenImageVolume(m_volume.ImagePath(), 1, error);
    ASSERT_TRUE(source) << error;
    backup::RegisterBackupSource("/made", std::move(source));
    const auto file = ReadAllStreams("/made/file", error);
    const auto link = ReadAllStreams("/made/link", error);
    backup::UnregisterBackupSource("/made");
    EXPECT_EQ(error, "");

    ASSERT_NE(FindStream(file, BACKUP_DATA), nullptr);
    EXPECT_EQ(FindStream(file, BACKUP_DATA)->Content, "main data\n");
    const ReadStream* big = FindStream(file, BACKUP_ALTERNATE_DATA, "big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->Size, m_big.size());
    EXPECT_TRUE(big->Content == m_big) << "the 5 MB stream whole";
    ASSERT_NE(FindStream(file, BACKUP_EA_DATA), nullptr);
    // The list as the backup format has it: the last entry's next offset 0.
    std::vector<std::uint8_t> ea(m_ea.begin(), m_ea.end());
    backup::TerminateEaList(ea);
    EXPECT_EQ(FindStream(file, BACKUP_EA_DATA)->Content, std::string(ea.begin(), ea.end()));
    ASSERT_NE(FindStream(file, BACKUP_OBJECT_ID), nullptr);
    EXPECT_EQ(FindStream(file, BACKUP_OBJECT_ID)->Content, m_objectId);
    ASSERT_NE(FindStream(link, BACKUP_REPARSE_DATA), nullptr);
    EXPECT_EQ(FindStream(link, BACKUP_REPARSE_DATA)->Content, m_reparse);
    // Windows' order: security, data, EA, named, reparse, object id.
    std::vector<DWORD> kinds;
    for (const ReadStream& stream : file)
        kinds.push_back(stream.Id);
    EXPECT_EQ(kinds,
        (std::vector<DWORD> { BACKUP_SECURITY_DATA, BACKUP_DATA, BACKUP_EA_DATA,
            BACKUP_ALTERNATE_DATA, BACKUP_OBJECT_ID }));
}

TEST_F(MadeImage, AFileWithAHoleComesAsSparseBlocks)
{
    std::string error;
    auto source = image::OpenImageVolume(m_volume.ImagePath(), 1, error);
    ASSERT_TRUE(source) << error;
    backup::RegisterBackupSource("/made-sparse", std::move(source));
    const auto streams = ReadAllStreams("/made-sparse/sparse", error);
    backup::UnregisterBackupSource("/made-sparse");
    EXPECT_EQ(error, "");
    auto offsetBytes = [](std::uint64_t offset) {
        std::string bytes(8, '\0');
        for (int i = 0; i < 8; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<char>(offset >> (8 * i));
        return bytes;
    };
    // The data stream empty and flagged sparse, a block per written range (its offset first),
    // then the terminating block at the file's size.
    ASSERT_EQ(streams.size(), 5U);
    EXPECT_EQ(streams[1].Id, BACKUP_DATA);
    EXPECT_EQ(streams[1].Attributes, STREAM_SPARSE_ATTRIBUTE);
    EXPECT_EQ(streams[1].Size, 0U);
    EXPECT_EQ(streams[2].Id, BACKUP_SPARSE_BLOCK);
    EXPECT_TRUE(streams[2].Content == offsetBytes(0) + m_head);
    EXPECT_EQ(streams[3].Id, BACKUP_SPARSE_BLOCK);
    EXPECT_TRUE(streams[3].Content == offsetBytes(kTailOffset) + m_tail);
    EXPECT_EQ(streams[4].Id, BACKUP_SPARSE_BLOCK);
    EXPECT_EQ(streams[4].Content, offsetBytes(kTailOffset + m_tail.size()));
}

TEST_F(MadeImage, TheMountsXattrLimitIsPassedThroughTheVolume)
{
    ASSERT_TRUE(m_volume.Mount()) << m_volume.Problem();
    std::string error;
    // Without the volume reader the mount proves only "at least 64 KiB".
    const auto limited = ReadAllStreams(m_volume / "file", error);
    const ReadStream* cut = FindStream(limited, BACKUP_ALTERNATE_DATA, "big");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->Size, 65536U);
    EXPECT_NE(error, "") << "its bytes were not read";

    image::InstallLiveVolumeReader();
    error.clear();
    const auto whole = ReadAllStreams(m_volume / "file", error);
    backup::InstallNtfsVolumeReader(nullptr);
    EXPECT_EQ(error, "");
    const ReadStream* big = FindStream(whole, BACKUP_ALTERNATE_DATA, "big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->Size, m_big.size());
    EXPECT_TRUE(big->Content == m_big) << "read whole from the image beneath the mount";
}

TEST_F(MadeImage, AnImageTheUserMayNotReadLeavesTheStreamAsTheMountShowsIt)
{
    ASSERT_TRUE(m_volume.Mount()) << m_volume.Problem();
    // The mount keeps the image open; a user who may not open it again cannot read beneath.
    ASSERT_EQ(::chmod(m_volume.ImagePath().c_str(), 0), 0);
    image::InstallLiveVolumeReader();
    std::string error;
    std::vector<ReadStream> streams;
    {
        const TWithoutDacOverride asUser;
        streams = ReadAllStreams(m_volume / "file", error);
    }
    backup::InstallNtfsVolumeReader(nullptr);
    ::chmod(m_volume.ImagePath().c_str(), 0644);
    const ReadStream* big = FindStream(streams, BACKUP_ALTERNATE_DATA, "big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->Size, 65536U) << "at least 64 KiB, as the mount proves";
    EXPECT_EQ(big->Content, "") << "no bytes that were not read";
    EXPECT_NE(error.find("64 KiB"), std::string::npos) << error;
}

} // namespace sondrel::test
