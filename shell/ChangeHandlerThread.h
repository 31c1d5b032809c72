#pragma once
// TChangeHandlerThread: a worker that watches folders for changes and posts a message to its
// target for every change, so that a control can follow the disk without polling and without
// being called from another thread.
//
// The owner (a control, on the GUI thread) hands commands over through two auto-reset events:
// it writes the command, signals the command event and waits at most 2000 ms for the done
// event. After a command that was not answered in time no new command is given until that
// answer has come, so a late answer is never taken for the next command's. The worker sleeps in
// one wait on the command event and up to 63 watches (the slot table; a slot's index is the
// identity of its watch); for a signalled watch it posts the message (wParam = the slot) and
// re-arms the watch. A watch that cannot be re-armed (its folder went) is closed and its slot
// stays taken until the owner lets it go (UnwatchFolder or UnwatchAll), so that a slot number
// the owner still holds never names someone else's watch.
//
// At most one message is on its way at a time, and at most one is posted per kMessageInterval:
// while one has not been handled, or the interval since the last has not passed, later changes
// only add their slots to the changed set (TakeChangedSlots), which the owner reads when it
// refreshes; a change inside the interval is posted when it ends. A burst of thousands of
// changes costs the owner a handful of messages.
//
// Owned by its control, which destroys it (stopping and joining the worker) in its own
// destructor; every call is for the owner's thread. The target outlives the worker.

#include "Timer.h"
#include "Win32Types.h"

#include <QElapsedTimer>
#include <QObject>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace sondrel::shell {

class TChangeHandlerThread
{
public:
    static constexpr int kSlotCount = 63;
    static constexpr int kCommandTimeout = 2000; // ms the owner waits for an answer
    static constexpr int kQuitTimeout = 30000; // ms the destructor waits before joining anyway
    // ms between two messages: an owner handles a message at once, so without it a burst would
    // cost one message per change the worker sees.
    static constexpr int kMessageInterval = 60;

    // Starts the worker; `target` (may be null) receives `message` for every change. Throws
    // std::system_error when the system has no events left to give.
    TChangeHandlerThread(QObject* target, int message);
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread&) = delete;
    TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

    // Watches `path` for the changes `filter` names (FILE_NOTIFY_CHANGE_...). True with the
    // watch's slot; false when the folder cannot be watched, every slot is taken or the worker
    // did not answer. A subtree cannot be watched.
    bool WatchFolder(const std::string& path, win32::DWORD filter, int& slot, bool subtree);
    // Drops the watch of `slot` (also one that died) and frees the slot; false when the worker
    // did not answer.
    bool UnwatchFolder(int slot);
    // Drops every watch.
    void UnwatchAll();
    // The slots (bit n for slot n) that changed since the last call, and forgets them. A queue
    // overflow marks every watch; a watch that died marks its slot once.
    [[nodiscard]] std::uint64_t TakeChangedSlots() { return m_changedSlots.exchange(0); }

private:
    enum Command : std::uint8_t { cmdAdd = 0, cmdRemove = 1, cmdRemoveAll = 2, cmdQuit = 3 };

    // Waits for the answer to a command that timed out; false when it still has not come.
    bool Settle();
    // Hands `command` over and waits for its answer.
    bool Send(Command command);
    void Execute();
    void CarryOut(Command command);
    void Post(int slot);
    void PostNow(int slot);
    // How long the worker may sleep before a deferred message is due (INFINITE for none).
    [[nodiscard]] win32::DWORD DeferredTimeout() const;
    void DropSlot(int slot, bool keepTaken);

    win32::HANDLE m_commandEvent;
    win32::HANDLE m_doneEvent;
    // Handed over between the events.
    std::atomic<win32::HANDLE> m_pending;
    std::atomic<Command> m_command { cmdAdd };
    std::atomic<int> m_commandSlot { -1 };
    std::atomic<int> m_resultSlot { -1 };
    QObject* m_target;
    int m_message;
    // The worker's own, and the destructor's once the worker has ended.
    std::array<win32::HANDLE, kSlotCount> m_slots;
    std::array<bool, kSlotCount> m_spent {};
    // Shared with the posted message, which clears it when it has been handled.
    std::shared_ptr<std::atomic<bool>> m_messageOnItsWay;
    std::atomic<std::uint64_t> m_changedSlots { 0 };
    // The worker's: when the last message went, and the slot of one held back until the
    // interval ends (-1 for none).
    std::chrono::steady_clock::time_point m_lastPost;
    int m_deferredSlot = -1;
    bool m_awaitingAnswer = false; // the owner's
    std::promise<void> m_ended;
    std::thread m_thread;
};

// Restarts `timer` for a change that came now: each change restarts `delay`, but a folder that
// never stops changing (a download, a build) still refreshes at twice the delay after the
// first change of a burst, which `burst` times from when the timer was idle.
void RestartChangeTimer(framework::TTimer& timer, QElapsedTimer& burst, int delay);

} // namespace sondrel::shell
