// The companion with --image: paths inside a disk image's NTFS volume, read without mounting,
// with every option working as it does on files.

#include "Run.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace sondrel::test {

namespace {

    class ImageCompanion : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            s_dir = new TempDir;
            s_image = *s_dir / "grr.dd";
            const RunResult unpacked = sondrel::test::Run({ "sh", "-c", "xz -dc \"$0\" > \"$1\"",
                std::string(SONDREL_FIXTURES_DIR) + "/ntfs/grr_ntfs_img.dd.xz", s_image });
            ASSERT_EQ(unpacked.Status, 0) << unpacked.Err;
        }
        static void TearDownTestSuite()
        {
            delete s_dir;
            s_dir = nullptr;
        }

        static RunResult OnImage(std::vector<std::string> args)
        {
            args.insert(args.begin(), { "--image", s_image });
            return RunCompanion(args);
        }

        static inline TempDir* s_dir = nullptr;
        static inline std::string s_image;
    };

} // namespace

TEST_F(ImageCompanion, CountsListsDumpsAndCopiesInsideTheVolume)
{
    const RunResult counted = OnImage({ "/Test Directory/notes.txt", "/adstest/dir" });
    EXPECT_EQ(counted.Status, 0) << counted.Err;
    EXPECT_EQ(counted.Out, "/Test Directory/notes.txt\t3\n/adstest/dir\t2\n");

    const RunResult listed = OnImage({ "-l", "/Test Directory/notes.txt" });
    EXPECT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_EQ(listed.Out, "0\t3\t80\t<no name>\n1\t1\t12\t<default>\n2\t4\t16\tads\n");

    const RunResult copied = OnImage({ "-c", "2", "/Test Directory/notes.txt" });
    EXPECT_EQ(copied.Status, 0) << copied.Err;
    EXPECT_EQ(copied.Out, "I am a real ADS\n");

    const RunResult dumped = OnImage({ "-d", "1", "/adstest/a.txt" });
    EXPECT_EQ(dumped.Status, 0) << dumped.Err;
    EXPECT_NE(dumped.Out.find("This is a.txt"), std::string::npos) << dumped.Out;

    const RunResult hashed = OnImage({ "-l", "--hash", "/adstest/dir/b.txt" });
    EXPECT_EQ(hashed.Status, 0) << hashed.Err;
    EXPECT_NE(hashed.Out.find(
                  "3fade7ce69422bd9bb5ef98b710117506e971919541042265b5837456fcf8c4e\tads.txt\n"),
        std::string::npos)
        << hashed.Out;

    const RunResult json = OnImage({ "--json", "-l", "/adstest/a.txt" });
    ASSERT_EQ(json.Status, 0) << json.Err;
    const auto parsed = nlohmann::json::parse(json.Out);
    EXPECT_EQ(parsed.dump().find("ads.txt") != std::string::npos, true) << json.Out;
}

TEST_F(ImageCompanion, RecursionFromTheRootFindsTheNamedStreams)
{
    const RunResult named = OnImage({ "-r", "-s", "/" });
    EXPECT_EQ(named.Status, 0) << named.Err;
    for (const char* line : { "/Test Directory/notes.txt\t3\n", "/adstest/a.txt\t3\n",
             "/adstest/dir\t2\n", "/adstest/dir/b.txt\t3\n" })
        EXPECT_NE(named.Out.find(line), std::string::npos) << line << " in\n" << named.Out;
    EXPECT_EQ(named.Out.find("/adstest/dir/no_ads.txt"), std::string::npos) << named.Out;

    const RunResult all = OnImage({ "-r", "/adstest" });
    EXPECT_EQ(all.Status, 0) << all.Err;
    EXPECT_EQ(all.Out,
        "/adstest\t1\n/adstest/a.txt\t3\n/adstest/dir\t2\n/adstest/dir/b.txt\t3\n"
        "/adstest/dir/no_ads.txt\t2\n");
}

TEST_F(ImageCompanion, MissingPathsBadImagesAndBadOptionsAreSaid)
{
    const RunResult missing = OnImage({ "/no such file" });
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("/no such file"), std::string::npos) << missing.Err;

    const RunResult noPartition = OnImage({ "--partition", "2", "/" });
    EXPECT_EQ(noPartition.Status, 1);
    EXPECT_NE(noPartition.Err.find("no NTFS partition 2"), std::string::npos) << noPartition.Err;

    TempDir dir;
    WriteFile(dir / "text", std::string(4096, 'x'));
    const RunResult notNtfs = RunCompanion({ "--image", dir / "text", "/" });
    EXPECT_EQ(notNtfs.Status, 1);
    EXPECT_EQ(notNtfs.Out, "");
    EXPECT_NE(notNtfs.Err.find("no NTFS volume"), std::string::npos) << notNtfs.Err;

    const RunResult absent = RunCompanion({ "--image", dir / "absent", "/" });
    EXPECT_EQ(absent.Status, 1);
    EXPECT_EQ(absent.Out, "");
    EXPECT_NE(absent.Err.find(dir / "absent"), std::string::npos) << absent.Err;

    EXPECT_EQ(RunCompanion({ "--partition", "1", "/" }).Status, 2);
    EXPECT_EQ(OnImage({ "--partition", "0", "/" }).Status, 2);
    EXPECT_EQ(RunCompanion({ "/", "--image" }).Status, 2);
}

TEST_F(ImageCompanion, PartitionChoosesTheVolumeOfADisk)
{
    // Partition 1 holds the fixture's volume with named streams, partition 2 the Windows one.
    TempDir dir;
    const std::string disk = dir / "disk";
    const RunResult made = sondrel::test::Run({ "sh", "-c",
        "truncate -s 24M \"$0\" && printf 'label: dos\\nstart=2048, size=4096, type=7\\n"
        "start=8192, size=14336, type=7\\n' | sfdisk -q \"$0\" && "
        "dd if=\"$1\" of=\"$0\" bs=512 skip=63 seek=2048 conv=notrunc status=none && "
        "xz -dc \"$2\" | dd of=\"$0\" bs=512 seek=8192 conv=notrunc status=none",
        disk, s_image,
        std::string(SONDREL_FIXTURES_DIR) + "/ntfs/win7_sample_tiny_volume.raw.xz" });
    if (made.Status != 0)
        GTEST_SKIP() << "cannot make a partitioned disk here: " << made.Err;
    const RunResult first = RunCompanion({ "--image", disk, "-r", "-s", "/adstest" });
    EXPECT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(first.Out, "/adstest/a.txt\t3\n/adstest/dir\t2\n/adstest/dir/b.txt\t3\n");
    const RunResult second
        = RunCompanion({ "--image", disk, "--partition", "2", "-c", "1", "/file1.txt" });
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(second.Out.rfind("Just some bogus", 0), 0U) << second.Out;
    EXPECT_EQ(second.Out.size(), 408U);
    const RunResult third = RunCompanion({ "--image", disk, "--partition", "3", "/" });
    EXPECT_EQ(third.Status, 1);
    EXPECT_NE(third.Err.find("it holds 2"), std::string::npos) << third.Err;
}

} // namespace sondrel::test
