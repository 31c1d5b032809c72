// The companion as scripts use it: a real process over real files.
#include "HexDump.h"
#include "Run.h"
#include "StreamInfo.h"
#include "StreamWalk.h"
#include "TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using sondrel::test::RunCompanion;
using sondrel::test::SetXattr;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;
namespace streams = sondrel::streams;

namespace {

class Companion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!sondrel::test::UserXattrsWork(m_dir.Path()))
            GTEST_SKIP() << "user xattrs do not work in " << m_dir.Path();
        m_file = m_dir / "file";
        WriteFile(m_file, "Hello world\n");
        ASSERT_TRUE(SetXattr(m_file, "user.ads", "I am a real ADS\n"));
    }
    TempDir m_dir;
    std::string m_file;
};

TEST_F(Companion, CountsOneLinePerPathAndReportsFailures)
{
    const auto ok = RunCompanion({ m_file });
    EXPECT_EQ(ok.Status, 0);
    EXPECT_EQ(ok.Out, m_file + "\t3\n");

    const auto mixed = RunCompanion({ m_file, m_dir / "missing" });
    EXPECT_EQ(mixed.Status, 1);
    EXPECT_EQ(
        mixed.Out, m_file + "\t3\n" + (m_dir / "missing") + "\t" + std::strerror(ENOENT) + "\n");
    EXPECT_NE(mixed.Err.find(std::strerror(ENOENT)), std::string::npos);
}

TEST_F(Companion, ListsStreamsWithKindSizeAndCaption)
{
    const auto listed = RunCompanion({ "-l", m_file });
    EXPECT_EQ(listed.Status, 0);
    const std::string expected = "0\t3\t"; // the security descriptor first
    ASSERT_EQ(listed.Out.rfind(expected, 0), 0u);
    EXPECT_NE(
        listed.Out.find("\t<no name>\n1\t1\t12\t<default>\n2\t4\t16\tads\n"), std::string::npos);
}

TEST_F(Companion, DumpsAStreamAsTheViewShowsIt)
{
    const auto dumped = RunCompanion({ "-d", "2", m_file });
    EXPECT_EQ(dumped.Status, 0);
    EXPECT_EQ(dumped.Out,
        "0000  49 20 61 6D 20 61 20 72 - 65 61 6C 20 41 44 53 0A  |I am a real ADS.|\n");
    const auto none = RunCompanion({ "-d", "9", m_file });
    EXPECT_EQ(none.Status, 1);
    EXPECT_TRUE(none.Out.empty());
}

// Past the 16 MB the dump shows, through several 64 KiB pieces: the dump ends in the marker,
// line for line what the formatter makes of the capped bytes; -c and --hash take every byte.
TEST_F(Companion, LongStreamsAreDumpedCappedAndCopiedWhole)
{
    std::string content(streams::kStreamDataCap + 70000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>((i * 7 + i / 4093) & 0xFF);
    const std::string big = m_dir / "big";
    WriteFile(big, content);

    std::string capped = content.substr(0, streams::kStreamDataCap);
    streams::MarkTruncation(
        reinterpret_cast<std::uint8_t*>(capped.data()), 0, capped.size(), content.size());
    std::string expected;
    for (std::size_t at = 0; at < capped.size(); at += 16) {
        streams::AppendDumpLine(expected, reinterpret_cast<const std::uint8_t*>(capped.data()) + at,
            static_cast<int>(std::min<std::size_t>(16, capped.size() - at)),
            static_cast<std::uint32_t>(at));
        expected += '\n';
    }
    const auto dumped = RunCompanion({ "-d", "1", big });
    EXPECT_EQ(dumped.Status, 0) << dumped.Err;
    EXPECT_TRUE(dumped.Out == expected) << "the dump differs from the formatter's lines";
    EXPECT_NE(dumped.Out.find("FFFFE0  "), std::string::npos);
    EXPECT_NE(dumped.Out.find("|fter 16MB has be|"), std::string::npos);

    const auto copied = RunCompanion({ "-c", "1", big });
    EXPECT_EQ(copied.Status, 0) << copied.Err;
    EXPECT_TRUE(copied.Out == content) << "copied " << copied.Out.size() << " bytes";
    EXPECT_EQ(RunCompanion({ "-c", "2", m_file }).Out, "I am a real ADS\n");
    const auto none = RunCompanion({ "-c", "3", m_file });
    EXPECT_EQ(none.Status, 1);
    EXPECT_NE(none.Err.find("no such stream: 3"), std::string::npos) << none.Err;
    EXPECT_EQ(RunCompanion({ "-c", "x", m_file }).Status, 2);
    EXPECT_EQ(RunCompanion({ "--hash", m_file }).Status, 2);
    EXPECT_EQ(RunCompanion({ "--hash", "-c", "1", m_file }).Status, 2);

    if (!sondrel::test::HaveProgram("sha256sum"))
        GTEST_SKIP() << "sha256sum is not installed";
    const auto hashed = RunCompanion({ "-l", "--hash", big });
    EXPECT_EQ(hashed.Status, 0) << hashed.Err;
    EXPECT_NE(hashed.Out.find("\n1\t1\t" + std::to_string(content.size()) + "\t"
                  + sondrel::test::Sha256Hex(content) + "\t<default>\n"),
        std::string::npos)
        << hashed.Out;
}

TEST_F(Companion, RecursesWithoutFollowingLinksAndFilters)
{
    const std::string sub = m_dir / "sub";
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    WriteFile(sub + "/plain", "p");
    WriteFile(sub + "/odd\tname\xFF", "o");
    ASSERT_TRUE(SetXattr(sub + "/odd\tname\xFF", "user.x", "y"));
    ASSERT_EQ(::symlink("sub", (m_dir / "link").c_str()), 0);
    const auto all = RunCompanion({ "-r", m_dir.Path() });
    EXPECT_EQ(all.Status, 0);
    const std::string root = m_dir.Path();
    EXPECT_EQ(all.Out,
        root + "\t1\n" + root + "/file\t3\n" + root + "/link\t1\n" + root + "/sub\t1\n" + root
            + "/sub/odd\\tname\\xFF\t3\n" + root + "/sub/plain\t2\n");
    const auto named = RunCompanion({ "-r", "-s", m_dir.Path() });
    EXPECT_EQ(named.Out, root + "/file\t3\n" + root + "/sub/odd\\tname\\xFF\t3\n");
}

TEST_F(Companion, FifosNeitherBlockNorFail)
{
    const std::string fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto result = RunCompanion({ fifo });
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out, fifo + "\t1\n");
}

TEST_F(Companion, UsageErrorsSayWhatAndPointToHelp)
{
    for (const std::vector<std::string>& args : { std::vector<std::string> {}, { "-x", "p" },
             { "-s", "p" }, { "-d", "a", "p" }, { "-l" }, { "-l", "a", "b" } }) {
        const auto result = RunCompanion(args);
        EXPECT_EQ(result.Status, 2) << (args.empty() ? "" : args[0]);
        // One line saying what is wrong, one pointing to the help; not the whole help.
        EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 2) << result.Err;
        EXPECT_NE(result.Err.find("--help"), std::string::npos);
        EXPECT_EQ(result.Err.find("Usage"), std::string::npos);
    }
    for (const char* option : { "--help", "-h" }) {
        const auto help = RunCompanion({ option });
        EXPECT_EQ(help.Status, 0) << option;
        EXPECT_NE(help.Out.find("-d INDEX PATH"), std::string::npos) << option;
    }
}

TEST_F(Companion, MessagesSayWhatIsMissing)
{
    // An index no number holds is still an index: the stream is what does not exist.
    const auto huge = RunCompanion({ "-d", "99999999999999999999999", m_file });
    EXPECT_EQ(huge.Status, 1);
    EXPECT_EQ(
        huge.Err, "sondrel-streams: " + m_file + ": no such stream: 99999999999999999999999\n");
    const auto none = RunCompanion({ "-d", "9", m_file });
    EXPECT_EQ(none.Err, "sondrel-streams: " + m_file + ": no such stream: 9\n");

    // ls shows a dangling link's name: the message is about its target, not the name.
    ASSERT_EQ(::symlink("nowhere", (m_dir / "dangling").c_str()), 0);
    const auto tree = RunCompanion({ "-r", m_dir.Path() });
    EXPECT_EQ(tree.Status, 1);
    EXPECT_NE(
        tree.Out.find(m_dir / "dangling" + "\tlink target missing: nowhere\n"), std::string::npos)
        << tree.Out;
    EXPECT_NE(
        tree.Err.find(m_dir / "dangling" + ": link target missing: nowhere\n"), std::string::npos)
        << tree.Err;
}

TEST_F(Companion, WriteErrorsAreFailures)
{
    // Standard output on a full disk, then closed: nothing can be written, and it says so.
    const std::string tool = SONDREL_STREAMS_TOOL;
    const struct
    {
        const char* Redirect;
        int Error;
    } cases[] = { { ">/dev/full", ENOSPC }, { ">&-", EBADF } };
    for (const auto& c : cases) {
        for (const std::vector<std::string>& args : { std::vector<std::string> { m_file },
                 { "-l", m_file }, { "-d", "1", m_file }, { "--help" } }) {
            std::vector<std::string> argv { "sh", "-c",
                std::string("exec \"$0\" \"$@\" ") + c.Redirect, tool };
            argv.insert(argv.end(), args.begin(), args.end());
            const auto result = sondrel::test::Run(argv);
            EXPECT_EQ(result.Status, 1) << c.Redirect << " " << args[0];
            EXPECT_EQ(result.Err,
                std::string("sondrel-streams: standard output: ") + std::strerror(c.Error) + "\n")
                << c.Redirect << " " << args[0];
        }
    }
}

TEST_F(Companion, AListingThatCannotBeReadWholeFails)
{
    const sondrel::test::CrowdedFile crowded;
    if (!crowded.Problem.empty())
        GTEST_SKIP() << crowded.Problem;
    const std::string& file = crowded.Path;
    const auto counted = RunCompanion({ file });
    EXPECT_EQ(counted.Status, 1);
    EXPECT_NE(counted.Out.find("64 KiB"), std::string::npos) << counted.Out;
    const auto listed = RunCompanion({ "-l", file });
    EXPECT_EQ(listed.Status, 1);
    EXPECT_NE(listed.Err.find("64 KiB"), std::string::npos) << listed.Err;
}

} // namespace
