// The companion as installed on a server: it names its version and needs no GUI library.
#include "Run.h"

#include <gtest/gtest.h>

using sondrel::test::RunCompanion;

TEST(CompanionProgram, NamesItsVersion)
{
    const auto run = RunCompanion({ "--version" });
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "sondrel-streams " SONDREL_VERSION "\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_NE(RunCompanion({ "--help" }).Out.find("--version"), std::string::npos);
}

TEST(CompanionProgram, LinksNoQt)
{
    if (!sondrel::test::HaveProgram("ldd"))
        GTEST_SKIP() << "ldd is not installed";
    const auto run = sondrel::test::Run({ "ldd", SONDREL_STREAMS_TOOL });
    ASSERT_EQ(run.Status, 0) << run.Err;
    // The C++ library at least, so that an empty answer does not pass.
    EXPECT_NE(run.Out.find("libstdc++"), std::string::npos) << run.Out;
    for (const char* gui : { "libQt", "libX11", "libxcb", "libGL", "libEGL", "libfontconfig" })
        EXPECT_EQ(run.Out.find(gui), std::string::npos) << gui << " in\n" << run.Out;
}
