#include "StreamReader.h"

#include "StreamWalk.h"

#include <algorithm>
#include <limits>

namespace sondrel::streams {

using namespace win32;

TStreamReader::TStreamReader(const BytePath& path)
    : m_file(OpenForBackup(path))
{
    if (m_file == INVALID_HANDLE_VALUE)
        m_openError = WithoutLineBreak(WalkErrorText(GetLastError()));
}

TStreamReader::TStreamReader(const BytePath& path, std::uint64_t index)
    : TStreamReader(path)
{
    for (std::uint64_t i = 0; m_openError.empty(); ++i) {
        if (!NextStream() || i == index)
            break;
    }
}

TStreamReader::~TStreamReader()
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    EndWalk(m_file, &m_context);
    CloseHandle(m_file);
}

bool TStreamReader::NextStream()
{
    if (!m_openError.empty())
        return false;
    if (m_hasStream && m_position < m_info.Size())
        Skip(m_file, m_info.Size() - m_position, &m_context);
    m_hasStream = false;
    m_position = 0;
    m_endedEarly = false;
    m_error.clear();
    DWORD failure = ERROR_SUCCESS;
    if (!ReadStreamHead(m_info, m_file, &m_context, failure)) {
        if (failure != ERROR_SUCCESS)
            m_openError = WithoutLineBreak(WalkErrorText(failure));
        return false;
    }
    m_hasStream = true;
    return true;
}

template <typename Call> std::size_t TStreamReader::Transfer(std::size_t count, Call call)
{
    if (!m_hasStream || m_endedEarly || !m_error.empty())
        return 0;
    // Never past the content: the backup stream goes on into the next stream's header.
    const std::uint64_t want = std::min<std::uint64_t>(
        { count, m_info.Size() - m_position, std::numeric_limits<DWORD>::max() });
    if (want == 0)
        return 0;
    DWORD done = 0;
    if (!call(static_cast<DWORD>(want), done))
        m_error = WithoutLineBreak(WalkErrorText(GetLastError()));
    else if (done < want)
        m_endedEarly = true;
    m_position += done;
    return done;
}

std::size_t TStreamReader::Read(std::uint8_t* out, std::size_t count)
{
    return Transfer(count, [&](DWORD want, DWORD& done) {
        return BackupRead(m_file, out, want, &done, FALSE, TRUE, &m_context) != FALSE;
    });
}

std::size_t TStreamReader::CopyTo(int fd, std::size_t count)
{
    return Transfer(count, [&](DWORD want, DWORD& done) {
        return BackupCopyToFile(m_file, fd, want, &done, &m_context) != FALSE;
    });
}

} // namespace sondrel::streams
