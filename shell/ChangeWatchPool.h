#pragma once
// TChangeWatchPool: as many change workers as a control's watches need. One worker waits on at
// most TChangeHandlerThread::kSlotCount watches; a tree watching every folder node it has
// filled can need more, so the pool starts another worker when all of its workers are full.
// A watch is named by one number (the worker's index times the slot count plus the slot).
//
// Owned by its control, whose destructor destroys it (joining every worker); every call is
// for the owner's thread.

#include "ChangeHandlerThread.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sondrel::shell {

// The watches that saw a change since the last asking, worker by worker.
class TChangedWatches
{
public:
    [[nodiscard]] bool Contains(int watch) const;
    [[nodiscard]] bool Empty() const;

private:
    friend class TChangeWatchPool;
    std::vector<std::uint64_t> m_slots;
};

class TChangeWatchPool
{
public:
    // Every worker posts `message` to `target` for its changes.
    TChangeWatchPool(QObject* target, int message);

    // Watches `path` (not its subtree); the watch, or -1 when the folder cannot be watched or
    // the system has no worker to give.
    [[nodiscard]] int Watch(const std::string& path, win32::DWORD filter);
    void Unwatch(int watch);
    void UnwatchAll();
    // The watches that changed since the last call, forgotten by the workers.
    [[nodiscard]] TChangedWatches TakeChanged();

private:
    struct TWorker
    {
        std::unique_ptr<TChangeHandlerThread> Thread;
        int Watches = 0; // slots taken, dead watches included until let go
    };
    QObject* m_target;
    int m_message;
    std::vector<TWorker> m_workers;
};

} // namespace sondrel::shell
