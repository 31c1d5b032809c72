#include "ChangeHandlerThread.h"

#include "ChangeNotify.h"
#include "Messages.h"
#include "WaitApi.h"

#include <algorithm>
#include <system_error>

namespace sondrel::shell {

using namespace win32;

namespace {

    // The change message; when it has been handled (and so is deleted) the worker may post the
    // next one.
    class TChangeNotifyEvent final : public framework::TMessageEvent
    {
    public:
        TChangeNotifyEvent(int message, int slot, std::shared_ptr<std::atomic<bool>> onItsWay)
            : framework::TMessageEvent(message, static_cast<std::uintptr_t>(slot), 0)
            , m_onItsWay(std::move(onItsWay))
        {
        }
        ~TChangeNotifyEvent() override { m_onItsWay->store(false); }
        TChangeNotifyEvent(const TChangeNotifyEvent&) = delete;
        TChangeNotifyEvent& operator=(const TChangeNotifyEvent&) = delete;

    private:
        std::shared_ptr<std::atomic<bool>> m_onItsWay;
    };

    HANDLE NewEvent()
    {
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event)
            throw std::system_error(ENFILE, std::generic_category(), "change watching");
        return event;
    }

} // namespace

TChangeHandlerThread::TChangeHandlerThread(QObject* target, int message)
    : m_commandEvent(NewEvent())
    , m_doneEvent(nullptr)
    , m_pending(INVALID_HANDLE_VALUE)
    , m_target(target)
    , m_message(message)
    , m_messageOnItsWay(std::make_shared<std::atomic<bool>>(false))
{
    try {
        m_doneEvent = NewEvent();
    } catch (...) {
        CloseEvent(m_commandEvent);
        throw;
    }
    m_slots.fill(INVALID_HANDLE_VALUE);
    try {
        m_thread = std::thread([this] {
            Execute();
            m_ended.set_value();
        });
    } catch (...) {
        CloseEvent(m_commandEvent);
        CloseEvent(m_doneEvent);
        throw;
    }
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    m_command = cmdQuit;
    SetEvent(m_commandEvent);
    (void)m_ended.get_future().wait_for(std::chrono::milliseconds(kQuitTimeout));
    m_thread.join();
    // Every handle is closed once: by the worker when it dropped it, else here.
    for (HANDLE& slot : m_slots)
        if (slot != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(std::exchange(slot, INVALID_HANDLE_VALUE));
    if (HANDLE pending = m_pending.exchange(INVALID_HANDLE_VALUE); pending != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(pending);
    CloseEvent(m_commandEvent);
    CloseEvent(m_doneEvent);
}

// ---- The owner's side

bool TChangeHandlerThread::Settle()
{
    if (!m_awaitingAnswer)
        return true;
    if (WaitForSingleObject(m_doneEvent, kCommandTimeout) != WAIT_OBJECT_0)
        return false;
    m_awaitingAnswer = false;
    return true;
}

bool TChangeHandlerThread::Send(Command command)
{
    m_command = command;
    ResetEvent(m_doneEvent);
    SetEvent(m_commandEvent);
    if (WaitForSingleObject(m_doneEvent, kCommandTimeout) != WAIT_OBJECT_0) {
        m_awaitingAnswer = true;
        return false;
    }
    return true;
}

bool TChangeHandlerThread::WatchFolder(
    const std::string& path, DWORD filter, int& slot, bool subtree)
{
    if (path.empty() || !Settle())
        return false;
    HANDLE change = FindFirstChangeNotificationA(path.c_str(), subtree ? TRUE : FALSE, filter);
    if (change == INVALID_HANDLE_VALUE)
        return false;
    m_pending = change;
    if (!Send(cmdAdd))
        return false; // the worker takes the handle when it gets to the command
    slot = m_resultSlot;
    return slot != -1;
}

bool TChangeHandlerThread::UnwatchFolder(int slot)
{
    if (slot < 0 || slot >= kSlotCount || !Settle())
        return false;
    m_commandSlot = slot;
    return Send(cmdRemove);
}

void TChangeHandlerThread::UnwatchAll()
{
    if (Settle())
        (void)Send(cmdRemoveAll);
}

// ---- The worker's side

void TChangeHandlerThread::Execute()
{
    for (;;) {
        HANDLE waitSet[kSlotCount + 1];
        int slotAt[kSlotCount + 1];
        DWORD count = 0;
        waitSet[count++] = m_commandEvent;
        for (int slot = 0; slot < kSlotCount; ++slot)
            if (m_slots[slot] != INVALID_HANDLE_VALUE) {
                slotAt[count] = slot;
                waitSet[count++] = m_slots[slot];
            }
        const DWORD result = WaitForMultipleObjects(count, waitSet, FALSE, DeferredTimeout());
        if (result == WAIT_TIMEOUT) {
            PostNow(std::exchange(m_deferredSlot, -1));
        } else if (result == WAIT_OBJECT_0) {
            const Command command = m_command;
            if (command == cmdQuit)
                return;
            CarryOut(command);
            SetEvent(m_doneEvent);
        } else if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count) {
            const int slot = slotAt[result - WAIT_OBJECT_0];
            Post(slot);
            if (!FindNextChangeNotification(m_slots[slot]))
                DropSlot(slot, true);
        } else if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
            DropSlot(slotAt[result - WAIT_ABANDONED_0], true);
        } else {
            // Only handles closed behind the worker's back fail a wait: drop those; when the
            // command event itself is gone, no command can reach the worker any more.
            if (WaitForSingleObject(m_commandEvent, 0) == WAIT_FAILED)
                return;
            for (DWORD at = 1; at < count; ++at)
                if (WaitForSingleObject(waitSet[at], 0) == WAIT_FAILED) {
                    m_slots[slotAt[at]] = INVALID_HANDLE_VALUE;
                    m_spent[slotAt[at]] = true;
                }
        }
    }
}

void TChangeHandlerThread::CarryOut(Command command)
{
    switch (command) {
    case cmdAdd: {
        HANDLE pending = m_pending.exchange(INVALID_HANDLE_VALUE);
        for (int slot = 0; slot < kSlotCount; ++slot)
            if (m_slots[slot] == INVALID_HANDLE_VALUE && !m_spent[slot]) {
                m_slots[slot] = pending;
                m_resultSlot = slot;
                return;
            }
        // No room: the handle would otherwise belong to nobody.
        if (pending != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(pending);
        m_resultSlot = -1;
        return;
    }
    case cmdRemove:
        if (const int slot = m_commandSlot; slot >= 0 && slot < kSlotCount)
            DropSlot(slot, false);
        return;
    case cmdRemoveAll:
        for (int slot = 0; slot < kSlotCount; ++slot)
            DropSlot(slot, false);
        // What the old watches saw concerns the owner no more.
        m_deferredSlot = -1;
        m_changedSlots = 0;
        return;
    case cmdQuit:
        return;
    }
}

void TChangeHandlerThread::DropSlot(int slot, bool keepTaken)
{
    if (m_slots[slot] != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(std::exchange(m_slots[slot], INVALID_HANDLE_VALUE));
    m_spent[slot] = keepTaken;
}

DWORD TChangeHandlerThread::DeferredTimeout() const
{
    if (m_deferredSlot < 0)
        return INFINITE;
    const auto due = m_lastPost + std::chrono::milliseconds(kMessageInterval);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        due - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<std::int64_t>(left.count(), 0, kMessageInterval));
}

void TChangeHandlerThread::Post(int slot)
{
    m_changedSlots.fetch_or(std::uint64_t { 1 } << slot);
    if (!m_target || m_deferredSlot >= 0)
        return; // a message is already due at the end of the interval
    if (std::chrono::steady_clock::now() - m_lastPost < std::chrono::milliseconds(kMessageInterval))
        m_deferredSlot = slot;
    else
        PostNow(slot);
}

void TChangeHandlerThread::PostNow(int slot)
{
    // While one is unhandled, that one's handling comes after this change and covers it.
    if (m_messageOnItsWay->exchange(true))
        return;
    m_lastPost = std::chrono::steady_clock::now();
    QCoreApplication::postEvent(
        m_target, new TChangeNotifyEvent(m_message, slot, m_messageOnItsWay));
}

void RestartChangeTimer(framework::TTimer& timer, QElapsedTimer& burst, int delay)
{
    if (!timer.Enabled())
        burst.start();
    const qint64 ceiling = 2 * qint64 { delay } - burst.elapsed();
    timer.SetEnabled(false);
    timer.SetInterval(static_cast<int>(std::clamp<qint64>(ceiling, 1, delay)));
    timer.SetEnabled(true);
}

} // namespace sondrel::shell
