// The window program's command line: what it opens, and help, version and usage errors answered
// by the real program without a display.

#include "CommandLine.h"

#include "Run.h"

#include <gtest/gtest.h>
#include <vector>

using sondrel::app::ReadCommandLine;
using sondrel::app::TCommandLine;

namespace {

TCommandLine Read(std::vector<const char*> args)
{
    args.insert(args.begin(), "sondrel");
    return ReadCommandLine(static_cast<int>(args.size()), args.data());
}

// The program with no display to reach: whatever it answers, it answers without one.
sondrel::test::RunResult RunWithoutDisplay(const std::vector<std::string>& args)
{
    std::vector<std::string> argv { "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
        "QT_QPA_PLATFORM", "timeout", "60", SONDREL_PROGRAM };
    argv.insert(argv.end(), args.begin(), args.end());
    return sondrel::test::Run(argv);
}

} // namespace

TEST(CommandLine, TakesOnePathAsItsBytes)
{
    EXPECT_EQ(Read({}).Action, TCommandLine::caRun);
    EXPECT_FALSE(Read({}).Path);

    const struct
    {
        std::vector<const char*> args;
        const char* path;
    } cases[] = {
        { { "/mnt/windows" }, "/mnt/windows" },
        { { "notes.txt" }, "notes.txt" },
        { { "-" }, "-" },
        { { "--", "--help" }, "--help" },
        { { "--", "-x" }, "-x" },
        { { "caf\xe9 \xff:stream" }, "caf\xe9 \xff:stream" },
    };
    for (const auto& c : cases) {
        const TCommandLine line = Read(c.args);
        EXPECT_EQ(line.Action, TCommandLine::caRun) << c.path;
        ASSERT_TRUE(line.Path) << c.path;
        EXPECT_EQ(*line.Path, c.path);
    }
}

TEST(CommandLine, HelpAndVersionWinOverWhatElseIsWrong)
{
    EXPECT_EQ(Read({ "--help" }).Action, TCommandLine::caHelp);
    EXPECT_EQ(Read({ "-h" }).Action, TCommandLine::caHelp);
    EXPECT_EQ(Read({ "--version" }).Action, TCommandLine::caVersion);
    // Before the toolkit has taken its options out, they read as unknown.
    EXPECT_EQ(Read({ "-platform", "offscreen", "--version" }).Action, TCommandLine::caVersion);
    EXPECT_EQ(Read({ "a", "b", "--help" }).Action, TCommandLine::caHelp);
    EXPECT_FALSE(Read({ "a", "--help" }).Path);
}

TEST(CommandLine, ReportsTheFirstProblemAndOpensNothing)
{
    const TCommandLine unknown = Read({ "--frobnicate", "a", "b" });
    EXPECT_EQ(unknown.Action, TCommandLine::caUsageError);
    EXPECT_EQ(unknown.Problem, "unknown option --frobnicate");
    EXPECT_FALSE(unknown.Path);

    const TCommandLine two = Read({ "a", "b" });
    EXPECT_EQ(two.Action, TCommandLine::caUsageError);
    EXPECT_EQ(two.Problem, "only one PATH can be opened");
    EXPECT_FALSE(two.Path);
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay)
{
    const auto help = RunWithoutDisplay({ "--help" });
    EXPECT_EQ(help.Status, 0) << help.Err;
    EXPECT_EQ(help.Out, sondrel::app::SondrelUsage());
    EXPECT_EQ(help.Err, "");

    const auto version = RunWithoutDisplay({ "/no/such/path", "--version" });
    EXPECT_EQ(version.Status, 0) << version.Err;
    EXPECT_EQ(version.Out, "sondrel " SONDREL_VERSION "\n");
}

TEST(CommandLine, AUsageErrorSaysWhatIsWrongAndOpensNoWindow)
{
    const auto run = sondrel::test::Run(
        { "timeout", "60", SONDREL_PROGRAM, "-platform", "offscreen", "one", "two" });
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    // After whatever the toolkit says as it starts.
    EXPECT_NE(run.Err.find("sondrel: only one PATH can be opened\nUsage: sondrel [PATH]"),
        std::string::npos)
        << run.Err;
}
