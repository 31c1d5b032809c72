// Damaged images: truncated, bit-flipped, or holding no NTFS at all. Each gives a message and
// nothing else: never a crash, a hang or an allocation without bound.

#include "BackupSource.h"
#include "ImageTestSupport.h"
#include "NtfsSource.h"
#include "VolumeWalk.h"

#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace sondrel::test {

namespace {

    std::string Bytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    void Write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    // Opens `path`; when it opens, walks all of it (bounded) and says how the walk went.
    std::string OpenAndWalk(const std::string& path, std::string& error)
    {
        auto source = image::OpenImageVolume(path, 1, error);
        if (!source)
            return "refused";
        backup::RegisterBackupSource("/damaged", std::move(source));
        const VolumeWalkResult walked = WalkVolume("/damaged", 5000);
        backup::UnregisterBackupSource("/damaged");
        return walked.Failures == 0 ? "clean" : "failures";
    }

} // namespace

TEST(CorruptImageTest, ImagesWithoutNtfsAreRefusedWithTheReason)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(image::OpenImageVolume(dir / "absent", 1, error));
    EXPECT_FALSE(error.empty());

    Write(dir / "empty", "");
    error.clear();
    EXPECT_FALSE(image::OpenImageVolume(dir / "empty", 1, error));
    EXPECT_FALSE(error.empty());

    Write(dir / "zeros", std::string(1 << 20, '\0'));
    error.clear();
    EXPECT_FALSE(image::OpenImageVolume(dir / "zeros", 1, error));
    EXPECT_EQ(error, "no NTFS volume in the image");

    // The signature alone is no volume: the library says what it found wrong.
    std::string fake(1 << 20, '\0');
    fake.replace(3, 8, "NTFS    ");
    Write(dir / "fake", fake);
    error.clear();
    EXPECT_FALSE(image::OpenImageVolume(dir / "fake", 1, error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error, "no NTFS volume in the image");
}

TEST(CorruptImageTest, TruncatedImagesOpenOrFailButAlwaysEnd)
{
    TempDir dir;
    const std::string whole = Bytes(DecompressFixture(dir, "grr_ntfs_img.dd"));
    ASSERT_EQ(whole.size(), 2129408U);
    // Inside the table, the boot sector, the MFT and the data, and one byte short of the end.
    for (const std::size_t length : { std::size_t { 300 }, std::size_t { 32256 + 200 },
             std::size_t { 40000 }, whole.size() / 4, whole.size() / 2, whole.size() - 1 }) {
        SCOPED_TRACE(length);
        Write(dir / "cut", whole.substr(0, length));
        std::string error;
        const std::string outcome = OpenAndWalk(dir / "cut", error);
        if (outcome == "refused") {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(CorruptImageTest, BitFlippedVolumesNeverCrashOrHang)
{
    TempDir dir;
    const std::string whole = Bytes(DecompressFixture(dir, "grr_ntfs_img.dd"));
    ASSERT_FALSE(whole.empty());
    std::mt19937 random(24); // the same damage on every run
    int opened = 0;
    for (int round = 0; round < 40; ++round) {
        std::string damaged = whole;
        // A few flips in the volume's first 256 KiB, where the boot sector, MFT and indexes are.
        for (int flip = 0; flip < 8; ++flip) {
            const std::size_t at = 32256 + random() % (256 * 1024);
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
        }
        Write(dir / "flipped", damaged);
        std::string error;
        if (OpenAndWalk(dir / "flipped", error) != "refused")
            ++opened;
        else
            EXPECT_FALSE(error.empty());
    }
    EXPECT_GT(opened, 0) << "some slightly damaged volumes still open";
}

} // namespace sondrel::test
