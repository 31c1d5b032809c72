// Events and waits: auto-reset and manual-reset events, the lowest signalled handle winning, the
// time limit, handles that are not (or no longer) handles, and a wait woken from another thread.

#include "WaitApi.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace win32;

namespace {

// An event closed at the end of the scope.
struct Event
{
    HANDLE Handle;
    Event(bool manualReset, bool initialState)
        : Handle(CreateEventA(nullptr, manualReset, initialState, nullptr))
    {
    }
    ~Event() { CloseEvent(Handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
};

} // namespace

TEST(Events, AnAutoResetEventWakesOneWaitAndResetsItself)
{
    Event event(false, false);
    ASSERT_NE(event.Handle, nullptr);
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event.Handle));
    EXPECT_TRUE(SetEvent(event.Handle)); // setting a set event adds nothing
    EXPECT_EQ(WaitForSingleObject(event.Handle, 1000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_TIMEOUT);

    Event initiallySet(false, true);
    EXPECT_EQ(WaitForSingleObject(initiallySet.Handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(initiallySet.Handle, 0), WAIT_TIMEOUT);
}

TEST(Events, AManualResetEventStaysSetUntilReset)
{
    Event event(true, false);
    EXPECT_TRUE(SetEvent(event.Handle));
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(event.Handle));
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_TIMEOUT);

    // Resetting an auto-reset event drops a signal nobody took.
    Event automatic(false, true);
    EXPECT_TRUE(ResetEvent(automatic.Handle));
    EXPECT_EQ(WaitForSingleObject(automatic.Handle, 0), WAIT_TIMEOUT);
}

TEST(Waits, TheLowestSignalledHandleWinsAndOnlyItIsReset)
{
    Event first(false, false);
    Event second(false, false);
    Event third(false, false);
    const HANDLE handles[] = { first.Handle, second.Handle, third.Handle };
    SetEvent(third.Handle);
    SetEvent(second.Handle);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 1000), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 1000), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 30), WAIT_TIMEOUT);
}

TEST(Waits, RefusesWhatIsNoHandleAndWhatItDoesNotOffer)
{
    int notAHandle = 0;
    EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(&notAHandle));
    EXPECT_FALSE(CloseEvent(INVALID_HANDLE_VALUE));

    HANDLE closed = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(CloseEvent(closed));
    EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseEvent(closed));

    Event event(false, true);
    HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
    std::fill(std::begin(many), std::end(many), event.Handle);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, many, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(1, many, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, "shared"), nullptr);
    // The refused waits took nothing.
    EXPECT_EQ(WaitForSingleObject(event.Handle, 0), WAIT_OBJECT_0);
}

TEST(Waits, AnEventSetOnAnotherThreadWakesAWaitWithoutEnd)
{
    Event quit(false, false);
    Event work(false, false);
    std::future<DWORD> waited = std::async(std::launch::async, [&] {
        const HANDLE handles[] = { quit.Handle, work.Handle };
        return WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    });
    SetEvent(work.Handle);
    const std::future_status status = waited.wait_for(std::chrono::seconds(10));
    SetEvent(quit.Handle); // a wait that missed its event still ends
    ASSERT_EQ(status, std::future_status::ready);
    EXPECT_EQ(waited.get(), WAIT_OBJECT_0 + 1);
}
