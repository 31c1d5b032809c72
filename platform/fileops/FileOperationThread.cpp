#include "FileOperationThread.h"

namespace sondrel::fileops {

FileOperationThread::FileOperationThread(
    Request request, Questions& questions, Progress& progress, std::function<void()> finished)
    : m_request(std::move(request))
    , m_questions(questions)
    , m_progress(progress)
    , m_onFinished(std::move(finished))
{
    m_thread = std::thread([this] {
        m_outcome = RunFileOperation(m_request, m_questions, m_progress);
        m_finished.store(true, std::memory_order_release);
        if (m_onFinished)
            m_onFinished();
    });
}

FileOperationThread::~FileOperationThread()
{
    m_progress.Cancel();
    Wait();
}

void FileOperationThread::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace sondrel::fileops
