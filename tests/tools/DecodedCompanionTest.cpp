// The companion's decoded views (-x) and JSON (--json with -l and -x), over real files: the JSON
// parses, agrees with the lines scripts already read, and says what the window's view says.
#include "Run.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using nlohmann::json;
using sondrel::test::RunCompanion;
using sondrel::test::SetXattr;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

class DecodedCompanion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!sondrel::test::UserXattrsWork(m_dir.Path()))
            GTEST_SKIP() << "user xattrs do not work in " << m_dir.Path();
        m_file = m_dir / "setup.exe";
        WriteFile(m_file, "MZ");
        ASSERT_TRUE(SetXattr(m_file, "user.Zone.Identifier",
            "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/setup.exe\r\n"));
        ASSERT_TRUE(SetXattr(m_file, "user.xdg.tags", "tools,windows"));
    }

    // The row named `field` anywhere in the nested rows.
    static const json* FindRow(const json& rows, const std::string& field)
    {
        for (const json& row : rows) {
            if (row.at("field") == field)
                return &row;
            if (const json* below = FindRow(row.at("rows"), field))
                return below;
        }
        return nullptr;
    }

    TempDir m_dir;
    std::string m_file;
};

TEST_F(DecodedCompanion, ListingAsJsonAgreesWithTheLines)
{
    const auto lines = RunCompanion({ "-l", m_file });
    const auto asJson = RunCompanion({ "-l", "--json", m_file });
    ASSERT_EQ(lines.Status, 0);
    ASSERT_EQ(asJson.Status, 0) << asJson.Err;
    const json listing = json::parse(asJson.Out);
    EXPECT_EQ(listing.at("path"), m_file);
    EXPECT_FALSE(listing.contains("error"));
    std::istringstream in(lines.Out);
    std::string line;
    std::size_t i = 0;
    while (std::getline(in, line)) {
        ASSERT_LT(i, listing.at("streams").size());
        const json& s = listing.at("streams")[i];
        EXPECT_EQ(line,
            std::to_string(s.at("index").get<int>()) + "\t"
                + std::to_string(s.at("kind").get<int>()) + "\t"
                + std::to_string(s.at("size").get<std::uint64_t>()) + "\t"
                + s.at("caption").get<std::string>());
        ++i;
    }
    EXPECT_EQ(i, listing.at("streams").size());
    EXPECT_EQ(i, 4u); // security, data, two named streams

    const auto missing = RunCompanion({ "--json", "-l", m_dir / "gone" });
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(json::parse(missing.Out).contains("error"));
}

TEST_F(DecodedCompanion, DecodedViewAsTextAndJson)
{
    const auto security = RunCompanion({ "-x", "0", m_file });
    ASSERT_EQ(security.Status, 0) << security.Err;
    EXPECT_EQ(security.Out.rfind("0\t3\t", 0), 0u) << security.Out;
    EXPECT_NE(security.Out.find("\nSecurity descriptor\n"), std::string::npos) << security.Out;
    EXPECT_NE(security.Out.find("  SDDL: O:S-1-22-1-"), std::string::npos) << security.Out;
    EXPECT_NE(security.Out.find("(Everyone)"), std::string::npos);

    // Find the zone by its caption in the listing, not by where the file system put it.
    const json listing = json::parse(RunCompanion({ "-l", "--json", m_file }).Out);
    std::string zoneIndex;
    for (const json& s : listing.at("streams"))
        if (s.at("caption") == "Zone.Identifier")
            zoneIndex = std::to_string(s.at("index").get<int>());
    ASSERT_FALSE(zoneIndex.empty());
    const auto zone = RunCompanion({ "--json", "-x", zoneIndex, m_file });
    ASSERT_EQ(zone.Status, 0) << zone.Err;
    const json decoded = json::parse(zone.Out);
    EXPECT_EQ(decoded.at("form"), "Download zone");
    EXPECT_TRUE(decoded.at("refusal").is_null());
    const json* host = FindRow(decoded.at("rows"), "Host URL");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->at("value"), "https://example.org/setup.exe");
    EXPECT_EQ(FindRow(decoded.at("rows"), "Zone")->at("value"), "3: Internet");

    // The security descriptor's entries nest under the DACL.
    const json sd = json::parse(RunCompanion({ "-x", "0", "--json", m_file }).Out);
    const json* dacl = FindRow(sd.at("rows"), "DACL");
    ASSERT_TRUE(dacl);
    EXPECT_EQ(FindRow(dacl->at("rows"), "Entries")->at("value"), "3");

    // The main data has no decoded view; the dump is its view.
    const auto data = RunCompanion({ "-x", "1", m_file });
    EXPECT_EQ(data.Status, 0);
    EXPECT_NE(data.Out.find("No decoded view"), std::string::npos);
    EXPECT_TRUE(
        json::parse(RunCompanion({ "--json", "-x", "1", m_file }).Out).at("form").is_null());
}

TEST_F(DecodedCompanion, MistakesAreUsageErrorsOrFailures)
{
    EXPECT_EQ(RunCompanion({ "-x", "7", m_file }).Status, 1);
    EXPECT_NE(RunCompanion({ "-x", "7", m_file }).Err.find("no such stream: 7"), std::string::npos);
    EXPECT_EQ(RunCompanion({ "-x", "99999999999999999999999", m_file }).Status, 1);
    EXPECT_EQ(RunCompanion({ "-x", "-1", m_file }).Status, 2);
    EXPECT_EQ(RunCompanion({ "-x", "0" }).Status, 2);
    EXPECT_EQ(RunCompanion({ "--json", m_file }).Status, 2);
    EXPECT_EQ(RunCompanion({ "--json", "-d", "0", m_file }).Status, 2);
    EXPECT_EQ(RunCompanion({ "-x", "0", m_dir / "gone" }).Status, 1);
    // After "--" it is a path like any other.
    EXPECT_EQ(RunCompanion({ "--", "--json" }).Status, 1);
}

} // namespace
