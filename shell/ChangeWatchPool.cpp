#include "ChangeWatchPool.h"

#include <algorithm>
#include <system_error>

namespace sondrel::shell {

namespace {
    constexpr int kSlots = TChangeHandlerThread::kSlotCount;
}

bool TChangedWatches::Contains(int watch) const
{
    if (watch < 0 || static_cast<std::size_t>(watch / kSlots) >= m_slots.size())
        return false;
    return (m_slots[watch / kSlots] >> (watch % kSlots) & 1) != 0;
}

bool TChangedWatches::Empty() const
{
    return std::all_of(m_slots.begin(), m_slots.end(), [](std::uint64_t s) { return s == 0; });
}

TChangeWatchPool::TChangeWatchPool(QObject* target, int message)
    : m_target(target)
    , m_message(message)
{
}

int TChangeWatchPool::Watch(const std::string& path, win32::DWORD filter)
{
    auto worker = std::find_if(m_workers.begin(), m_workers.end(),
        [](const TWorker& candidate) { return candidate.Watches < kSlots; });
    if (worker == m_workers.end()) {
        try {
            m_workers.push_back({ std::make_unique<TChangeHandlerThread>(m_target, m_message), 0 });
        } catch (const std::system_error&) {
            return -1; // no events or threads left: the folder is refreshed on request only
        }
        worker = m_workers.end() - 1;
    }
    int slot = -1;
    if (!worker->Thread->WatchFolder(path, filter, slot, false))
        return -1;
    ++worker->Watches;
    return static_cast<int>(worker - m_workers.begin()) * kSlots + slot;
}

void TChangeWatchPool::Unwatch(int watch)
{
    if (watch < 0 || static_cast<std::size_t>(watch / kSlots) >= m_workers.size())
        return;
    TWorker& worker = m_workers[watch / kSlots];
    if (worker.Thread->UnwatchFolder(watch % kSlots))
        --worker.Watches;
}

void TChangeWatchPool::UnwatchAll()
{
    for (TWorker& worker : m_workers) {
        worker.Thread->UnwatchAll();
        worker.Watches = 0;
    }
}

TChangedWatches TChangeWatchPool::TakeChanged()
{
    TChangedWatches changed;
    changed.m_slots.reserve(m_workers.size());
    for (TWorker& worker : m_workers)
        changed.m_slots.push_back(worker.Thread->TakeChangedSlots());
    return changed;
}

} // namespace sondrel::shell
