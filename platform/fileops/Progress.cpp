#include "Progress.h"

namespace sondrel::fileops {

void Progress::SetTotals(std::uint64_t items, std::uint64_t bytes)
{
    m_itemsTotal.store(items, std::memory_order_relaxed);
    m_bytesTotal.store(bytes, std::memory_order_relaxed);
    Changed();
}

void Progress::BeginItem(const BytePath& path)
{
    {
        const std::lock_guard lock(m_mutex);
        m_current = path;
    }
    Changed();
}

void Progress::AddBytes(std::uint64_t bytes)
{
    m_bytesDone.fetch_add(bytes, std::memory_order_relaxed);
    Changed();
}

void Progress::EndItem()
{
    m_itemsDone.fetch_add(1, std::memory_order_relaxed);
    Changed();
}

ProgressSnapshot Progress::Snapshot() const
{
    ProgressSnapshot snapshot;
    snapshot.ItemsDone = m_itemsDone.load(std::memory_order_relaxed);
    snapshot.ItemsTotal = m_itemsTotal.load(std::memory_order_relaxed);
    snapshot.BytesDone = m_bytesDone.load(std::memory_order_relaxed);
    snapshot.BytesTotal = m_bytesTotal.load(std::memory_order_relaxed);
    const std::lock_guard lock(m_mutex);
    snapshot.Current = m_current;
    return snapshot;
}

} // namespace sondrel::fileops
