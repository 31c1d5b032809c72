#pragma once
// The position of one backup read in the concatenated byte stream of an item's streams: the
// reading and the forward seek of the backup calls, independent of where the streams come from.

#include "BackupStream.h"

namespace sondrel::backup {

class BackupContext
{
public:
    explicit BackupContext(BackupStreams streams)
        : m_streams(std::move(streams))
    {
    }

    // Fills up to `count` bytes, crossing from one stream into the next; returns false (with
    // `error`) when a content could not be read, having delivered what came before the failure.
    [[nodiscard]] bool Read(
        win32::BYTE* out, std::size_t count, std::size_t& read, win32::DWORD& error);

    // Skips up to `count` content bytes of the current stream; false when that reaches past
    // its end (the position is then the next header) or the position is not in a content.
    [[nodiscard]] bool Seek(Offset count, Offset& seeked);

    [[nodiscard]] const BackupStreams& Streams() const { return m_streams; }

private:
    [[nodiscard]] Offset PrefixSize(const BackupStream& stream) const;
    void Advance();

    BackupStreams m_streams;
    std::size_t m_index = 0; // the stream the position is in
    Offset m_offset = 0; // from the start of that stream's header
};

} // namespace sondrel::backup
