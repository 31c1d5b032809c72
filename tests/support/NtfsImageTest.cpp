// The NTFS images the tests mount never stay mounted: not when the mount is busy, and not when
// the test process that made one was killed.
#include "NtfsImage.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>

#include <fcntl.h>
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

TEST(NtfsImageCleanup, WhatAKilledRunLeftIsCleanedUpByTheNext)
{
    int channel[2];
    ASSERT_EQ(::pipe2(channel, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A test process that mounts an image and is then killed before it can unmount.
        ::close(channel[0]);
        NtfsImage image;
        const std::string said = image.Usable() ? image.MountPoint() : "!" + image.Problem();
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
    if (said.empty() || said[0] == '!')
        GTEST_SKIP() << "no NTFS volume here: " << (said.empty() ? "" : said.substr(1));
    const std::string folder = std::filesystem::path(said).parent_path().string();
    EXPECT_TRUE(IsMounted(said));
    sondrel::test::CleanUpAfterKilledRuns();
    EXPECT_FALSE(IsMounted(said));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

} // namespace
