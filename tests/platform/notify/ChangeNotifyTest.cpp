// Change notifications on real inotify: each name filter wakes for its own kind of item only,
// writing into a file wakes neither, re-arming takes in what happened meanwhile, a folder that
// goes signals once and then refuses re-arming, a queue overflow signals, waits on other threads
// wake, and nothing is left open.

#include "ChangeNotify.h"

#include "TempDir.h"
#include "WaitApi.h"

#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace win32;
using sondrel::test::TempDir;

namespace fs = std::filesystem;

namespace {

constexpr DWORD kWait = 5000; // bounds a wait for an event that must come

// A change notification closed at the end of the scope.
struct Change
{
    HANDLE Handle;
    Change(const std::string& path, DWORD filter)
        : Handle(FindFirstChangeNotificationA(path.c_str(), FALSE, filter))
    {
    }
    ~Change()
    {
        if (Handle != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(Handle);
    }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;
    [[nodiscard]] bool Signalled(DWORD milliseconds = 0) const
    {
        return WaitForSingleObject(Handle, milliseconds) == WAIT_OBJECT_0;
    }
};

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace

TEST(ChangeNotify, EachNameFilterWakesForItsOwnKindOnly)
{
    TempDir dir;
    Change files(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME);
    Change folders(dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME);
    Change both(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    ASSERT_NE(files.Handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(folders.Handle, INVALID_HANDLE_VALUE);

    Touch(dir / "file");
    EXPECT_TRUE(files.Signalled(kWait));
    EXPECT_TRUE(both.Signalled(kWait));
    EXPECT_FALSE(folders.Signalled()); // the event that woke the others is in
    ASSERT_TRUE(FindNextChangeNotification(files.Handle));
    ASSERT_TRUE(FindNextChangeNotification(both.Handle));

    fs::create_directory(dir / "sub");
    EXPECT_TRUE(folders.Signalled(kWait));
    EXPECT_TRUE(both.Signalled(kWait));
    EXPECT_FALSE(files.Signalled());
    ASSERT_TRUE(FindNextChangeNotification(folders.Handle));

    // Renames and deletions are name changes too.
    fs::rename(dir / "file", dir / "renamed");
    EXPECT_TRUE(files.Signalled(kWait));
    ASSERT_TRUE(FindNextChangeNotification(files.Handle));
    fs::remove(dir / "sub");
    EXPECT_TRUE(folders.Signalled(kWait));
    EXPECT_FALSE(files.Signalled());
}

TEST(ChangeNotify, WritingIntoAFileIsNoNameChange)
{
    TempDir dir;
    Touch(dir / "file");
    Change names(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    Change writes(dir.Path(), FILE_NOTIFY_CHANGE_LAST_WRITE);
    std::ofstream(dir / "file", std::ios::app) << "more";
    // The write's own filter proves the write's events were read.
    EXPECT_TRUE(writes.Signalled(kWait));
    EXPECT_FALSE(names.Signalled());
}

TEST(ChangeNotify, RearmingTakesInWhatHappenedMeanwhileAndWaitsForTheNextChange)
{
    TempDir dir;
    Change change(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME);
    for (int i = 0; i < 5; ++i)
        Touch(dir / ("f" + std::to_string(i)));
    EXPECT_TRUE(change.Signalled(kWait));
    EXPECT_TRUE(change.Signalled()); // waiting does not reset it
    ASSERT_TRUE(FindNextChangeNotification(change.Handle));
    EXPECT_FALSE(change.Signalled());
    Touch(dir / "next");
    EXPECT_TRUE(change.Signalled(kWait));
}

TEST(ChangeNotify, AFolderThatGoesSignalsOnceThenRefusesRearming)
{
    TempDir dir;
    fs::create_directory(dir / "gone");
    fs::create_directory(dir / "moved");
    Change deleted(dir / "gone", FILE_NOTIFY_CHANGE_FILE_NAME);
    Change moved(dir / "moved", FILE_NOTIFY_CHANGE_FILE_NAME);
    fs::remove(dir / "gone");
    fs::rename(dir / "moved", dir / "elsewhere");
    for (const Change* change : { &deleted, &moved }) {
        EXPECT_TRUE(change->Signalled(kWait));
        EXPECT_FALSE(FindNextChangeNotification(change->Handle));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(change->Signalled());
    }
    // Changes in the moved folder no longer concern its old path.
    Touch(dir / "elsewhere/file");
    EXPECT_FALSE(moved.Signalled(50));
}

TEST(ChangeNotify, AQueueOverflowSignalsEveryWatch)
{
    const char* const limit = "/proc/sys/fs/inotify/max_queued_events";
    std::string saved;
    std::ifstream(limit) >> saved;
    if (::geteuid() != 0 || saved.empty())
        GTEST_SKIP() << "lowering the inotify queue needs root and " << limit;
    TempDir dir;
    // The limit is read when the instance is made, which the first watch does.
    if (!(std::ofstream(limit) << "16"))
        GTEST_SKIP() << "cannot lower " << limit;
    Change folders(dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME);
    std::ofstream(limit) << saved;
    ASSERT_NE(folders.Handle, INVALID_HANDLE_VALUE);
    // Files only: the folder filter can wake for nothing but the overflow.
    for (int i = 0; i < 64; ++i)
        Touch(dir / ("f" + std::to_string(i)));
    EXPECT_TRUE(folders.Signalled(kWait));
}

TEST(ChangeNotify, AWaitOnAnotherThreadWakesWhoeverReadsTheEvents)
{
    TempDir dir;
    fs::create_directory(dir / "a");
    fs::create_directory(dir / "b");
    Change a(dir / "a", FILE_NOTIFY_CHANGE_FILE_NAME);
    Change b(dir / "b", FILE_NOTIFY_CHANGE_FILE_NAME);
    HANDLE quit = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::future<DWORD> waited = std::async(std::launch::async, [&] {
        const HANDLE handles[] = { quit, a.Handle };
        return WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    });
    Touch(dir / "a/file");
    Touch(dir / "b/file");
    EXPECT_TRUE(b.Signalled(kWait));
    const std::future_status status = waited.wait_for(std::chrono::milliseconds(kWait));
    SetEvent(quit);
    ASSERT_EQ(status, std::future_status::ready);
    EXPECT_EQ(waited.get(), WAIT_OBJECT_0 + 1);
    CloseEvent(quit);
}

TEST(ChangeNotify, RefusesWhatItCannotWatchAndLeavesNothingOpen)
{
    TempDir dir;
    Touch(dir / "file");
    const int before = OpenDescriptors();
    EXPECT_EQ(
        FindFirstChangeNotificationA((dir / "missing").c_str(), FALSE, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstChangeNotificationA((dir / "file").c_str(), FALSE, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstChangeNotificationA("", FALSE, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstChangeNotificationA(dir.Path().c_str(), TRUE, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(FindFirstChangeNotificationA(dir.Path().c_str(), FALSE, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstChangeNotificationA(dir.Path().c_str(), FALSE, 0x80), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(OpenDescriptors(), before);

    {
        Change one(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME);
        Change two(dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME);
        EXPECT_GT(OpenDescriptors(), before);
        // A closed notification is no handle any more.
        HANDLE closed = FindFirstChangeNotificationA(dir.Path().c_str(), FALSE, 1);
        ASSERT_TRUE(FindCloseChangeNotification(closed));
        EXPECT_FALSE(FindCloseChangeNotification(closed));
        EXPECT_FALSE(FindNextChangeNotification(closed));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        // Closing one of two notifications of a folder keeps the other's watch.
        Touch(dir / "new");
        EXPECT_TRUE(one.Signalled(kWait));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}
