// The companion over NTFS volumes that others made on Windows and with ntfs-3g: the streams it
// lists and the bytes it dumps must be exactly the ones the fixtures' README vouches for.

#include "NtfsImage.h"
#include "Run.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace sondrel::test {

namespace {

    struct Row
    {
        int Kind = 0;
        std::uint64_t Size = 0;
        std::string Caption;

        bool operator==(const Row&) const = default;
    };

    void PrintTo(const Row& row, std::ostream* out)
    {
        *out << "{" << row.Kind << ", " << row.Size << ", \"" << row.Caption << "\"}";
    }

    // `-l PATH`: INDEX, KIND, SIZE, CAPTION per line, indexes counting from 0.
    std::vector<Row> ListRows(const std::string& path)
    {
        const RunResult listed = RunCompanion({ "-l", path });
        EXPECT_EQ(listed.Status, 0) << path << ": " << listed.Err;
        std::vector<Row> rows;
        std::istringstream lines(listed.Out);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string index, kind, size, caption;
            std::getline(fields, index, '\t');
            std::getline(fields, kind, '\t');
            std::getline(fields, size, '\t');
            std::getline(fields, caption);
            EXPECT_EQ(index, std::to_string(rows.size())) << line;
            rows.push_back({ std::stoi(kind), std::stoull(size), caption });
        }
        return rows;
    }

    // The bytes of a `-d` dump: each line is an offset, up to 16 hex bytes (a "-" after the
    // eighth) and the characters column, which starts with "|".
    std::string DumpedBytes(const std::string& dump)
    {
        std::string bytes;
        std::istringstream lines(dump);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream tokens(line);
            std::string token;
            tokens >> token; // the offset
            EXPECT_EQ(std::stoul(token, nullptr, 16), bytes.size()) << line;
            while (tokens >> token && token[0] != '|') {
                if (token != "-")
                    bytes += static_cast<char>(std::stoi(token, nullptr, 16));
            }
        }
        return bytes;
    }

    struct Dump
    {
        int Status = -1;
        std::string Bytes;
        std::string Err;
    };

    Dump DumpStream(int index, const std::string& path)
    {
        const RunResult dumped = RunCompanion({ "-d", std::to_string(index), path });
        return { dumped.Status, DumpedBytes(dumped.Out), dumped.Err };
    }

    const Row Security80 { 3, 80, "<no name>" };
    const Row Security160 { 3, 160, "<no name>" };
    const Row Security248 { 3, 248, "<no name>" };

    Row Data(std::uint64_t size) { return { 1, size, "<default>" }; }
    Row Named(std::uint64_t size, const std::string& name) { return { 4, size, name }; }

} // namespace

// One shared fixture image, mounted read-only once for all the tests of a suite.
template <const char* ImageName, long long PartitionOffset>
class MountedFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_image = std::make_unique<NtfsImage>(ImageName, PartitionOffset);
    }
    static void TearDownTestSuite() { s_image.reset(); }
    void SetUp() override { SONDREL_REQUIRE_NTFS(*s_image); }

    static std::string At(const std::string& name) { return *s_image / name; }

    static inline std::unique_ptr<NtfsImage> s_image;
};

// Named streams on files and on a folder, written partly by Windows, partly by ntfs-3g; the
// volume is a partition inside a disk image, reached through a read-only loop device.
constexpr char kGrrImage[] = "grr_ntfs_img.dd.xz";
using NtfsFixtureGrr = MountedFixture<kGrrImage, 32256>;

TEST_F(NtfsFixtureGrr, ListsExactlyTheStreamsOfTheTable)
{
    const struct
    {
        const char* Path;
        std::vector<Row> Rows;
    } expected[] = {
        { "Test Directory/notes.txt", { Security80, Data(12), Named(16, "ads") } },
        { "adstest/a.txt", { Security160, Data(13), Named(25, "ads.txt") } },
        { "adstest/dir", { Security248, Named(19, "ads.txt") } },
        { "adstest/dir/b.txt", { Security160, Data(13), Named(25, "ads.txt") } },
        // A file whose name holds a colon, not a stream of notes.txt.
        { "Test Directory/notes.txt:ads", { Security80, Data(12) } },
        { "Test Directory/入乡随俗 海外春节别样过法.txt", { Security80, Data(13) } },
        { "adstest/dir/no_ads.txt", { Security160, Data(20) } },
        { "adstest", { Security248 } },
    };
    for (const auto& item : expected)
        EXPECT_EQ(ListRows(At(item.Path)), item.Rows) << item.Path;
}

TEST_F(NtfsFixtureGrr, DumpsTheContentsTheTableHashes)
{
    const struct
    {
        const char* Path;
        int Index;
        const char* Sha256;
    } expected[] = {
        { "Test Directory/notes.txt", 1,
            "1894a19c85ba153acbf743ac4e43fc004c891604b26f8c69e1e83ea2afc7c48f" },
        { "Test Directory/notes.txt", 2,
            "ed8b2207c20d1972d171f132d1b47c005e9292a8c89eb6505a4c9369ed5ae6c6" },
        { "adstest/a.txt", 1, "72309e45d8ff22f89ad30d7e8aca1eda475fddb9bc6edf88cbf66919dd204ccb" },
        { "adstest/a.txt", 2, "a822420b529f7e54aceb9500990252bb9de546eb248b081df4c913472f60d6e8" },
        { "adstest/dir", 1, "5d21b8891425b66b87904318d0b0023c9a4d627f7ef5154f99bfd9592d8d83e1" },
        { "adstest/dir/b.txt", 1,
            "1ca557de7b33d3bb3098e750b69a2329d1a345fd0ff8fa057db27ae6c668a48c" },
        { "adstest/dir/b.txt", 2,
            "3fade7ce69422bd9bb5ef98b710117506e971919541042265b5837456fcf8c4e" },
    };
    if (!HaveProgram("sha256sum"))
        GTEST_SKIP() << "sha256sum is not installed";
    for (const auto& stream : expected) {
        const Dump dump = DumpStream(stream.Index, At(stream.Path));
        EXPECT_EQ(dump.Status, 0) << stream.Path << ": " << dump.Err;
        EXPECT_EQ(Sha256Hex(dump.Bytes), stream.Sha256) << stream.Path << " #" << stream.Index;

        const RunResult copied
            = RunCompanion({ "-c", std::to_string(stream.Index), At(stream.Path) });
        EXPECT_EQ(copied.Status, 0) << stream.Path << ": " << copied.Err;
        EXPECT_EQ(Sha256Hex(copied.Out), stream.Sha256) << stream.Path << " #" << stream.Index;

        // The hash column stands before the caption, on the stream's own line.
        const RunResult hashed = RunCompanion({ "-l", "--hash", At(stream.Path) });
        EXPECT_EQ(hashed.Status, 0) << stream.Path << ": " << hashed.Err;
        std::istringstream lines(hashed.Out);
        std::string line;
        for (int i = 0; i <= stream.Index; ++i)
            std::getline(lines, line);
        EXPECT_NE(line.find(std::string("\t") + stream.Sha256 + "\t"), std::string::npos)
            << stream.Path << " #" << stream.Index << ": " << line;
    }
}

TEST_F(NtfsFixtureGrr, DumpsTheTextsTheReadmeQuotes)
{
    EXPECT_EQ(DumpStream(1, At("Test Directory/notes.txt")).Bytes, "Hello world\n");
    EXPECT_EQ(DumpStream(2, At("Test Directory/notes.txt")).Bytes, "I am a real ADS\n");
    EXPECT_EQ(DumpStream(1, At("Test Directory/notes.txt:ads")).Bytes, "I am an ADS\n");
    // A descriptor is self-relative, revision 1, as NTFS stores it.
    const std::string descriptor = DumpStream(0, At("adstest/dir")).Bytes;
    ASSERT_EQ(descriptor.size(), 248u);
    EXPECT_EQ(descriptor[0], 1);
    EXPECT_NE(static_cast<unsigned char>(descriptor[3]) & 0x80, 0);
}

TEST_F(NtfsFixtureGrr, RecursionWithNamedOnlyFindsTheItemsWithStreams)
{
    const RunResult found = RunCompanion({ "-r", "-s", s_image->MountPoint() });
    EXPECT_EQ(found.Status, 0) << found.Err;
    std::set<std::string> lines;
    std::istringstream out(found.Out);
    for (std::string line; std::getline(out, line);)
        lines.insert(line);
    EXPECT_EQ(lines,
        (std::set<std::string> { At("Test Directory/notes.txt") + "\t3",
            At("adstest/a.txt") + "\t3", At("adstest/dir") + "\t2",
            At("adstest/dir/b.txt") + "\t3" }));
}

// A volume made on Windows with no user streams at all: the negative control.
constexpr char kWin7Image[] = "win7_sample_tiny_volume.raw.xz";
using NtfsFixtureWin7 = MountedFixture<kWin7Image, 0>;

TEST_F(NtfsFixtureWin7, UserFilesHaveSecurityAndDataOnly)
{
    std::vector<std::string> args;
    std::string expectedCounts;
    for (int i = 1; i <= 8; ++i) {
        args.push_back(At("file" + std::to_string(i) + ".txt"));
        expectedCounts += args.back() + "\t2\n";
    }
    const RunResult counted = RunCompanion(args);
    EXPECT_EQ(counted.Status, 0) << counted.Err;
    EXPECT_EQ(counted.Out, expectedCounts);

    for (const std::string& path : args) {
        const std::vector<Row> rows = ListRows(path);
        ASSERT_EQ(rows.size(), 2u) << path;
        EXPECT_EQ(rows[0].Kind, 3) << path;
        EXPECT_EQ(rows[1].Kind, 1) << path;
        const std::string descriptor = DumpStream(0, path).Bytes;
        EXPECT_EQ(descriptor.size(), rows[0].Size) << path;
        EXPECT_EQ(DumpStream(1, path).Bytes, ReadWholeFile(path)) << path;
    }

    const RunResult named = RunCompanion({ "-r", "-s", s_image->MountPoint() });
    EXPECT_EQ(named.Status, 0) << named.Err;
    EXPECT_EQ(named.Out, "") << "no item of this volume has a named stream";
}

TEST_F(NtfsFixtureWin7, SystemFileStreamOverTheXattrLimitIsReadFromTheVolume)
{
    NtfsImage image("win7_sample_tiny_volume.raw.xz", 0);
    SONDREL_REQUIRE_NTFS(image);
    ASSERT_TRUE(image.Mount("streams_interface=xattr,show_sys_files")) << image.Problem();

    const std::string repair = image / "$Extend/$RmMetadata/$Repair";
    ASSERT_EQ(ListRows(repair).size(), 2u);
    EXPECT_EQ(ListRows(repair)[1], Named(8, "$Config"));
    EXPECT_EQ(DumpStream(1, repair).Bytes.size(), 8u);

    // $T holds 1 MiB, more than the xattr interface hands out: the tests run as root, who may
    // read the image beneath the mount, so the companion reads it whole from there.
    const std::string tops = image / "$Extend/$RmMetadata/$TxfLog/$Tops";
    const std::vector<Row> rows = ListRows(tops);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], Named(1048576, "$T"));
    const RunResult copied = RunCompanion({ "-c", "2", tops });
    EXPECT_EQ(copied.Status, 0) << copied.Err;
    EXPECT_EQ(copied.Out.size(), 1048576u);
    const RunResult hashed = RunCompanion({ "-l", "--hash", tops });
    EXPECT_EQ(hashed.Status, 0) << hashed.Err;
    EXPECT_NE(
        hashed.Out.find("2\t4\t1048576\t" + Sha256Hex(copied.Out) + "\t$T\n"), std::string::npos)
        << hashed.Out;
}

} // namespace sondrel::test
