// The image layouts people bring: a volume inside an MBR or a GPT disk (made by sfdisk on a
// sparse file), a raw image split into numbered pieces, and an Expert Witness file made by
// ewfacquire. Each opens to the same volume with the same files.

#include "BackupSource.h"
#include "DiskImage.h"
#include "ImageTestSupport.h"
#include "NtfsSource.h"
#include "Run.h"

#include <gtest/gtest.h>

namespace sondrel::test {

namespace {

    constexpr std::uint64_t kSector = 512;

    class LayoutImage : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            m_volume = DecompressFixture(m_dir, "win7_sample_tiny_volume.raw");
            ASSERT_FALSE(m_volume.empty());
        }

        // A sparse disk of 24 MiB with `table` (sfdisk's input) and the volume copied to each
        // sector in `starts`; "" (and a skip) where sfdisk is missing.
        std::string Disk(const std::string& name, const std::string& table,
            const std::vector<std::uint64_t>& starts)
        {
            const std::string disk = m_dir / name;
            const RunResult made = sondrel::test::Run({ "sh", "-c",
                "truncate -s 24M \"$0\" && printf '" + table + "' | sfdisk -q \"$0\"", disk });
            if (made.Status != 0)
                return {};
            for (const std::uint64_t start : starts) {
                const RunResult copied = sondrel::test::Run({ "dd", "if=" + m_volume, "of=" + disk,
                    "bs=512", "seek=" + std::to_string(start), "conv=notrunc", "status=none" });
                EXPECT_EQ(copied.Status, 0) << copied.Err;
            }
            return disk;
        }

        // Volume `partition` of `image` shows the fixture's files with their contents.
        void ExpectTheVolume(const std::string& image, int partition)
        {
            std::string error;
            auto source = image::OpenImageVolume(image, partition, error);
            ASSERT_TRUE(source) << error;
            backup::RegisterBackupSource("/layout", std::move(source));
            const auto streams = ReadAllStreams("/layout/file1.txt", error);
            backup::UnregisterBackupSource("/layout");
            EXPECT_EQ(error, "");
            const ReadStream* data = FindStream(streams, win32::BACKUP_DATA);
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(data->Size, 408U);
            EXPECT_EQ(data->Content.rfind("Just some bogus", 0), 0U) << data->Content;
        }

        TempDir m_dir;
        std::string m_volume;
    };

} // namespace

TEST_F(LayoutImage, MbrDiskWithTwoNtfsPartitionsAfterAnother)
{
    const std::string disk = Disk("disk.mbr",
        "label: dos\\nstart=2048, size=2048, type=83\\nstart=6144, size=14336, type=7\\n"
        "start=20480, size=14336, type=7\\n",
        { 6144, 20480 });
    if (disk.empty())
        GTEST_SKIP() << "sfdisk cannot make partition tables here";
    std::string error;
    const auto opened = image::DiskImage::Open(disk, error);
    ASSERT_TRUE(opened) << error;
    ASSERT_EQ(opened->NtfsVolumes().size(), 2U) << "the Linux partition is no NTFS volume";
    EXPECT_EQ(opened->NtfsVolumes()[0].Start, 6144 * kSector);
    EXPECT_EQ(opened->NtfsVolumes()[1].Start, 20480 * kSector);
    ExpectTheVolume(disk, 1);
    ExpectTheVolume(disk, 2);
    EXPECT_FALSE(image::OpenImageVolume(disk, 3, error));
    EXPECT_NE(error.find("no NTFS partition 3"), std::string::npos) << error;
}

TEST_F(LayoutImage, GptDiskWithAnEmptyAndAFilledPartition)
{
    const std::string type = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";
    const std::string disk = Disk("disk.gpt",
        "label: gpt\\nstart=2048, size=14336, type=" + type
            + "\\nstart=20480, size=14336, type=" + type + "\\n",
        { 20480 });
    if (disk.empty())
        GTEST_SKIP() << "sfdisk cannot make partition tables here";
    std::string error;
    const auto opened = image::DiskImage::Open(disk, error);
    ASSERT_TRUE(opened) << error;
    // The first partition is typed as a Windows one but holds nothing: not a volume.
    ASSERT_EQ(opened->NtfsVolumes().size(), 1U);
    EXPECT_EQ(opened->NtfsVolumes()[0].Start, 20480 * kSector);
    ExpectTheVolume(disk, 1);
}

TEST_F(LayoutImage, SplitRawImageOpensByItsFirstPiece)
{
    const RunResult split = sondrel::test::Run({ "split", "-b", "1M", "-d", "-a", "3",
        "--numeric-suffixes=1", m_volume, m_dir / "pieces.raw." });
    ASSERT_EQ(split.Status, 0) << split.Err;
    std::string error;
    const auto opened = image::DiskImage::Open(m_dir / "pieces.raw.001", error);
    ASSERT_TRUE(opened) << error;
    EXPECT_EQ(opened->Size(), 7340032U) << "all seven pieces";
    ExpectTheVolume(m_dir / "pieces.raw.001", 1);
}

TEST_F(LayoutImage, ExpertWitnessFileMadeByEwfacquire)
{
    if (!HaveProgram("ewfacquire"))
        GTEST_SKIP() << "ewfacquire (ewf-tools) is not installed";
    const RunResult acquired
        = sondrel::test::Run({ "ewfacquire", "-u", "-q", "-t", m_dir / "evidence", m_volume });
    ASSERT_EQ(acquired.Status, 0) << acquired.Err;
    ExpectTheVolume(m_dir / "evidence.E01", 1);
}

} // namespace sondrel::test
