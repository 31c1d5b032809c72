// What the tests make never stays behind: NTFS images are unmounted when the mount is busy,
// and a killed test process's folders and mounts are cleaned up by the next run.
#include "NtfsImage.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using sondrel::test::IsMounted;
using sondrel::test::NtfsImage;

namespace {

TEST(NtfsImageCleanup, ABusyMountIsStillUnmountedInBoundedTime)
{
    NtfsImage image;
    SONDREL_REQUIRE_NTFS(image);
    sondrel::test::WriteFile(image / "held", "x");
    const int held = ::open((image / "held").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    const auto start = std::chrono::steady_clock::now();
    image.Unmount();
    EXPECT_FALSE(IsMounted(image.MountPoint()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    ::close(held);
}

// Runs `work` in a child process, kills the child once it has said something, and returns
// what it said ("" when it said nothing within the bound).
template <typename Work> std::string SaidByAKilledChild(Work work)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::close(channel[0]);
        const std::string said = work();
        (void)!::write(channel[1], said.data(), said.size());
        ::close(channel[1]);
        ::pause();
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string said;
    char buffer[4096];
    pollfd readable { channel[0], POLLIN, 0 };
    while (::poll(&readable, 1, 120000) > 0) {
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        said.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return said;
}

TEST(NtfsImageCleanup, WhatAKilledRunLeftIsCleanedUpByTheNext)
{
    // A test process that mounts an image and is then killed before it can unmount.
    const std::string said = SaidByAKilledChild([] {
        const auto* image = new NtfsImage; // the kill ends it, never the destructor
        return image->Usable() ? image->MountPoint() : "!" + image->Problem();
    });
    if (said.empty() || said[0] == '!')
        GTEST_SKIP() << "no NTFS volume here: " << (said.empty() ? "" : said.substr(1));
    const std::string folder = std::filesystem::path(said).parent_path().string();
    // Another test program starting now may clean it up first: either way it must go.
    sondrel::test::CleanUpAfterKilledRuns();
    EXPECT_FALSE(IsMounted(said));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(TempDirCleanup, AKilledRunsFoldersGoAndALiveRunsStay)
{
    sondrel::test::TempDir mine;
    sondrel::test::WriteFile(mine / "kept", "x");
    // Killed with a folder it had locked itself out of, and a tmpfs where it may mount one.
    const std::string said = SaidByAKilledChild([] {
        auto* dir = new sondrel::test::TempDir; // the kill ends it, never the destructor
        std::filesystem::create_directories(*dir / "locked/inner");
        sondrel::test::WriteFile(*dir / "locked/inner/file", "x");
        ::chmod((*dir / "locked").c_str(), 0);
        std::filesystem::create_directory(*dir / "mnt");
        (void)::mount("sondrel-test", (*dir / "mnt").c_str(), "tmpfs", 0, "size=1m");
        return dir->Path();
    });
    ASSERT_FALSE(said.empty()) << "the child said nothing";
    // Another test program starting now may clean it up first: either way it must go.
    sondrel::test::CleanUpAfterKilledRuns();
    EXPECT_FALSE(std::filesystem::exists(said));
    EXPECT_FALSE(IsMounted(said + "/mnt"));
    EXPECT_TRUE(std::filesystem::exists(mine / "kept"));
}

} // namespace
