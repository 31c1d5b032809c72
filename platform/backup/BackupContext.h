#pragma once
// The position of one backup read in the concatenated byte stream of an item's streams: the
// reading and the forward seek of the backup calls, independent of where the streams come from.

#include "BackupStream.h"

namespace sondrel::backup {

class BackupContext
{
public:
    // `failure`, when not 0, is why the streams end early: a read at their end fails with it
    // instead of reporting the end.
    explicit BackupContext(BackupStreams streams, win32::DWORD failure = 0)
        : m_streams(std::move(streams))
        , m_failure(failure)
    {
    }

    // Fills up to `count` bytes, crossing from one stream into the next; returns false (with
    // `error`) when a content could not be read, or the streams end early, having delivered
    // what came before the failure.
    [[nodiscard]] bool Read(
        win32::BYTE* out, std::size_t count, std::size_t& read, win32::DWORD& error);

    // Writes up to `count` bytes of the current stream's content to `fd`, never past its end;
    // false (with `error`) when they could not all be copied. The position must be in a content.
    [[nodiscard]] bool CopyContent(
        int fd, std::size_t count, std::size_t& copied, win32::DWORD& error);

    // Skips up to `count` content bytes of the current stream; false when that reaches past
    // its end (the position is then the next header) or the position is not in a content.
    [[nodiscard]] bool Seek(Offset count, Offset& seeked);

    [[nodiscard]] const BackupStreams& Streams() const { return m_streams; }

private:
    [[nodiscard]] Offset PrefixSize(const BackupStream& stream) const;
    void Advance();

    BackupStreams m_streams;
    win32::DWORD m_failure = 0;
    std::size_t m_index = 0; // the stream the position is in
    Offset m_offset = 0; // from the start of that stream's header
};

} // namespace sondrel::backup
