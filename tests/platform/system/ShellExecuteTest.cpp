// The address shell execution opens for what the program hands it.

#include "ShellExecute.h"

#include "TempDir.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using sondrel::platform::ShellTargetUrl;

namespace {

TEST(ShellExecute, AddressesWithoutASchemeAreWebAddresses)
{
    const struct
    {
        const char* file;
        const char* url;
    } rows[] = {
        { "www.example.org", "http://www.example.org" },
        { "example.org/a b?x=1:2", "http://example.org/a%20b?x=1:2" },
        { "localhost:8080/index.html", "http://localhost:8080/index.html" },
        { "https://example.org/", "https://example.org/" },
        { "mailto:someone@example.org", "mailto:someone@example.org" },
        { "/tmp/read me.html", "file:///tmp/read%20me.html" },
        { "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ShellTargetUrl(row.file), row.url) << row.file;
}

TEST(ShellExecute, OnlyOpeningIsKnown)
{
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(
                  win32::ShellExecuteA(nullptr, "print", "www.example.org", "", "", 0)),
        win32::SE_ERR_NOASSOC);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(win32::ShellExecuteA(nullptr, "open", "", "", "", 0)),
        win32::SE_ERR_FNF);
}

TEST(ShellExecute, FifosSocketsAndDevicesNeverReachAnOpener)
{
    sondrel::test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    for (const std::string& path : { fifo, std::string("/dev/null") }) {
        win32::SetLastError(0);
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(
                      win32::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, 1)),
            win32::SE_ERR_NOASSOC)
            << path;
        EXPECT_EQ(win32::GetLastError(), win32::ERROR_BAD_FILE_TYPE) << path;
    }
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the FIFO was opened";
    ::close(watch);
}

} // namespace
