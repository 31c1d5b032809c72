#pragma once
// Reading streams one piece at a time: the whole content of any stream, however long, in memory
// that does not grow with it. For extracting, hashing and dumping a stream without the 16 MB
// record a listing keeps. One reader holds its file open from construction to destruction; it
// belongs to the thread that made it.

#include "BytePath.h"
#include "StreamInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::streams {

class TStreamReader
{
public:
    // Opens `path`; OpenError() says why when it cannot be opened.
    explicit TStreamReader(const BytePath& path);
    // Opens `path` and moves to the stream of `index` (from 0): Info() is null when the item has
    // no such stream, OpenError() set when its streams could not be read as far.
    TStreamReader(const BytePath& path, std::uint64_t index);
    ~TStreamReader();
    TStreamReader(const TStreamReader&) = delete;
    TStreamReader& operator=(const TStreamReader&) = delete;

    // Passes the rest of the current stream and reads the next one's header and name; false at
    // the end of the streams or when they could not be read further (OpenError() then says why).
    [[nodiscard]] bool NextStream();

    // Why the path or its streams could not be read, without a line break; empty when they were.
    [[nodiscard]] const std::string& OpenError() const { return m_openError; }
    // The current stream's header and name, without content; null before the first and after
    // the last.
    [[nodiscard]] const StreamInfo* Info() const { return m_hasStream ? &m_info : nullptr; }

    // Reads up to `count` further bytes of the current stream's content; 0 at its end or when it
    // cannot be read further (Error() then says why).
    [[nodiscard]] std::size_t Read(std::uint8_t* out, std::size_t count);
    // Writes up to `count` further bytes of the current content to the open file `fd` (at its
    // position) without passing them through this process where the system can; returns the
    // bytes written, 0 at its end or on a failure (Error() then says why).
    [[nodiscard]] std::size_t CopyTo(int fd, std::size_t count);
    // The bytes of the current content read so far.
    [[nodiscard]] std::uint64_t Position() const { return m_position; }
    // Why the current content could not be read whole; empty while it could.
    [[nodiscard]] const std::string& Error() const { return m_error; }
    // The content ended before its stated size without an error, as pseudo files do.
    [[nodiscard]] bool EndedEarly() const { return m_endedEarly; }

private:
    // One read or copy of the current content, its bookkeeping done once.
    template <typename Call> std::size_t Transfer(std::size_t count, Call call);

    win32::HANDLE m_file;
    win32::LPVOID m_context = nullptr;
    StreamInfo m_info;
    bool m_hasStream = false;
    bool m_endedEarly = false;
    std::uint64_t m_position = 0;
    std::string m_openError;
    std::string m_error;
};

} // namespace sondrel::streams
