#pragma once
// One file operation on a thread of its own. The owner keeps the questions and the progress
// alive while the thread runs; destroying the owner cancels the operation and joins the thread,
// so no thread outlives what it writes to. `finished` is called on the worker as its last act
// (a GUI owner posts itself an event from there).

#include "FileOperation.h"

#include <atomic>
#include <functional>
#include <thread>

namespace sondrel::fileops {

class FileOperationThread
{
public:
    FileOperationThread(Request request, Questions& questions, Progress& progress,
        std::function<void()> finished = {});
    ~FileOperationThread();
    FileOperationThread(const FileOperationThread&) = delete;
    FileOperationThread& operator=(const FileOperationThread&) = delete;

    [[nodiscard]] bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Waits for the end; then the outcome may be read.
    void Wait();
    [[nodiscard]] const Outcome& Result() const { return m_outcome; }

private:
    Request m_request;
    Questions& m_questions;
    Progress& m_progress;
    std::function<void()> m_onFinished;
    Outcome m_outcome;
    std::atomic<bool> m_finished { false };
    std::thread m_thread;
};

} // namespace sondrel::fileops
