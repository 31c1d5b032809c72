// What a desktop and a package manager read: the desktop entry, the metainfo and the manual
// pages pass their validators where those are installed, and `cmake --install` puts exactly
// the expected files in place, the programs runnable from there.
#include "Run.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using sondrel::test::HaveProgram;
using sondrel::test::ReadWholeFile;
namespace test = sondrel::test;

namespace {

const std::string kData = SONDREL_SOURCE_DIR "/data/";
const std::string kAppId = "example.vaskel.Sondrel";

} // namespace

TEST(DesktopFiles, TheEntryValidatesAndNamesTheIconAndProgram)
{
    const std::string entry = kData + kAppId + ".desktop";
    const std::string text = ReadWholeFile(entry);
    EXPECT_NE(text.find("\nExec=sondrel %f\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=" + kAppId + "\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(kData + kAppId + ".svg"));
    if (!HaveProgram("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed (Debian's desktop-file-utils)";
    const auto run = test::Run({ "desktop-file-validate", entry });
    EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
    EXPECT_EQ(run.Out.find("error:"), std::string::npos) << run.Out;
}

TEST(DesktopFiles, TheMetainfoValidatesAndCarriesThisRelease)
{
    const std::string metainfo = kData + kAppId + ".metainfo.xml";
    const std::string text = ReadWholeFile(metainfo);
    EXPECT_NE(text.find("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"),
        std::string::npos);
    // The newest release comes first, and a new version needs its own entry, here and in the
    // package's change log.
    EXPECT_EQ(ReadWholeFile(kData + "changelog").rfind("sondrel (" SONDREL_VERSION ") ", 0), 0u);
    const auto release = text.find("<release ");
    ASSERT_NE(release, std::string::npos);
    EXPECT_EQ(
        text.find("version=\"" SONDREL_VERSION "\"", release), text.find("version=", release));
    if (!HaveProgram("appstreamcli"))
        GTEST_SKIP() << "appstreamcli is not installed (Debian's appstream)";
    const auto run = test::Run({ "appstreamcli", "validate", "--no-net", metainfo });
    EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
}

TEST(DesktopFiles, TheManualPagesFormatWithoutWarnings)
{
    if (!HaveProgram("man"))
        GTEST_SKIP() << "man is not installed (Debian's man-db)";
    for (const char* page : { "sondrel.1", "sondrel-streams.1" }) {
        const auto run = test::Run({ "env", "LC_ALL=C.UTF-8", "MANWIDTH=80", "man", "--warnings",
            "-E", "UTF-8", "-l", "-Tutf8", "-Z", kData + page });
        EXPECT_EQ(run.Status, 0) << page << run.Err;
        EXPECT_EQ(run.Err, "") << page;
    }
}

TEST(Install, PutsExactlyTheExpectedFilesInPlace)
{
    sondrel::test::TempDir prefix;
    const auto install
        = test::Run({ CMAKE_COMMAND, "--install", SONDREL_BINARY_DIR, "--prefix", prefix.Path() });
    ASSERT_EQ(install.Status, 0) << install.Out << install.Err;

    std::set<std::string> installed;
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Path()))
        if (!entry.is_directory() || entry.is_symlink())
            installed.insert(entry.path().lexically_relative(prefix.Path()).string());
    const std::set<std::string> expected {
        "bin/sondrel",
        "bin/sondrel-streams",
        "libexec/sondrel/sondrel",
        "libexec/sondrel/SONDREL.HLP",
        "share/applications/" + kAppId + ".desktop",
        "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/man/man1/sondrel.1.gz",
        "share/man/man1/sondrel-streams.1.gz",
        "share/doc/sondrel/copyright",
        "share/doc/sondrel/changelog.gz",
    };
    EXPECT_EQ(installed, expected);

    // The command on the PATH is a relative link to the program beside its help file, so that
    // the prefix can move.
    const fs::path link = prefix / "bin/sondrel";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::read_symlink(link).is_relative());
    EXPECT_TRUE(fs::equivalent(link, prefix / "libexec/sondrel/sondrel"));
    EXPECT_EQ(ReadWholeFile(prefix / "libexec/sondrel/SONDREL.HLP"),
        ReadWholeFile(SONDREL_SOURCE_DIR "/app/SONDREL.HLP"));

    for (const char* program : { "sondrel", "sondrel-streams" }) {
        const auto run = test::Run({ "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "timeout",
            "60", prefix / ("bin/" + std::string(program)), "--version" });
        EXPECT_EQ(run.Status, 0) << program << run.Err;
        EXPECT_EQ(run.Out, program + std::string(" " SONDREL_VERSION "\n"));
    }
    const auto page = test::Run({ "gzip", "-dc", prefix / "share/man/man1/sondrel.1.gz" });
    EXPECT_EQ(page.Out, ReadWholeFile(kData + "sondrel.1"));
}
