#pragma once
// How far a file operation has come: written by the operation's worker thread, read by whoever
// shows it (a dialog polls it on a timer, so the copy loop pays a few atomic adds, never a
// message), and the request to stop. The operation's caller owns it and keeps it alive until
// the operation has ended.

#include "BytePath.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace sondrel::fileops {

struct ProgressSnapshot
{
    std::uint64_t ItemsDone = 0;
    std::uint64_t ItemsTotal = 0;
    std::uint64_t BytesDone = 0;
    std::uint64_t BytesTotal = 0;
    BytePath Current;
};

class Progress
{
public:
    Progress() = default;
    virtual ~Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void SetTotals(std::uint64_t items, std::uint64_t bytes);
    void BeginItem(const BytePath& path);
    void AddBytes(std::uint64_t bytes);
    void EndItem();
    [[nodiscard]] ProgressSnapshot Snapshot() const;

    // Any thread: the operation stops at its next check (between chunks and between items).
    void Cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    [[nodiscard]] bool Cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

protected:
    // Called on the worker after every change, so an observer can act at an exact point.
    virtual void Changed() { }

private:
    std::atomic<std::uint64_t> m_itemsDone { 0 };
    std::atomic<std::uint64_t> m_itemsTotal { 0 };
    std::atomic<std::uint64_t> m_bytesDone { 0 };
    std::atomic<std::uint64_t> m_bytesTotal { 0 };
    std::atomic<bool> m_cancelled { false };
    mutable std::mutex m_mutex; // guards m_current
    BytePath m_current;
};

} // namespace sondrel::fileops
