// The folder search over real folders: which names a pattern takes, what is reported of each
// entry, and the errors callers tell apart (nothing matched, no such folder).

#include "FindFile.h"

#include "TempDir.h"
#include "Win32Error.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace win32;
using sondrel::platform::MatchesNamePattern;

namespace {

std::set<std::string> Found(const std::string& pattern, DWORD* error = nullptr)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        if (error)
            *error = GetLastError();
        return names;
    }
    do
        names.insert(data.cFileName);
    while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    return names;
}

} // namespace

TEST(FindFile, PatternsMatchAsTheWindowsSearchDoes)
{
    EXPECT_TRUE(MatchesNamePattern("Report.TXT", "*.txt"));
    EXPECT_TRUE(MatchesNamePattern("report.txt", "REPORT.*"));
    EXPECT_TRUE(MatchesNamePattern("a.b.c", "*.c"));
    EXPECT_FALSE(MatchesNamePattern("report.txt", "*.tx"));
    EXPECT_TRUE(MatchesNamePattern("noext", "*.*"));
    EXPECT_TRUE(MatchesNamePattern("noext", "noext.*"));
    EXPECT_TRUE(MatchesNamePattern("noext", "*."));
    EXPECT_FALSE(MatchesNamePattern("has.ext", "*."));
    EXPECT_TRUE(MatchesNamePattern("abc", "a?c"));
    EXPECT_FALSE(MatchesNamePattern("ac", "a?c"));
    EXPECT_TRUE(MatchesNamePattern("", "*"));
    EXPECT_TRUE(MatchesNamePattern("ÄRGER.txt", "ärger.*"));
}

TEST(FindFile, SearchesListMatchesWithTheirFactsAndTellFailuresApart)
{
    sondrel::test::TempDir dir;
    sondrel::test::WriteFile(dir / "one.txt", "12345");
    sondrel::test::WriteFile(dir / "two.TXT", "");
    sondrel::test::WriteFile(dir / ".hidden.txt", "");
    sondrel::test::WriteFile(dir / "other.dat", "");
    ASSERT_EQ(::mkdir((dir / "folder.txt").c_str(), 0755), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling.txt").c_str()), 0);
    const std::string odd = std::string("\xff\xfe") + ".txt";
    sondrel::test::WriteFile(dir / odd, "");

    EXPECT_EQ(Found(dir / "*.txt"),
        (std::set<std::string> {
            "one.txt", "two.TXT", ".hidden.txt", "folder.txt", "dangling.txt", odd }));
    EXPECT_EQ(Found(dir / "*").size(), 7u); // never "." or ".."

    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir / "one.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "one.txt");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const std::int64_t written = sondrel::platform::FileTimeToUnixSeconds(data.ftLastWriteTime);
    EXPECT_LE(std::llabs(written - static_cast<std::int64_t>(::time(nullptr))), 60);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));

    search = FindFirstFileA((dir / "folder.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    FindClose(search);
    search = FindFirstFileA((dir / ".hidden.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    FindClose(search);

    DWORD error = 0;
    EXPECT_TRUE(Found(dir / "*.none", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Found(dir / "missing/*.txt", &error).empty());
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(Found(dir / "missing.txt", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA("", &data), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}
