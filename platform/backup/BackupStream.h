#pragma once
// One stream of the backup byte stream: its header fields, its UTF-16 name and where its content
// comes from. Contents are read on demand, so a walk that only counts never reads one.

#include "Win32Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sondrel::backup {

using Offset = std::uint64_t;

struct ContentRead
{
    std::size_t Bytes = 0; // bytes placed in the buffer
    win32::DWORD Error = 0; // why fewer than asked were read, or 0 at the content's end
    // The content ended before its stated size, as the files of /proc and /sys do: no error.
    bool EndedEarly = false;
};

class StreamContent
{
public:
    virtual ~StreamContent() = default;
    // Reads up to `count` bytes at `offset` of the content; reads are forward but may skip.
    [[nodiscard]] virtual ContentRead Read(Offset offset, win32::BYTE* out, std::size_t count) = 0;
    // Writes up to `count` bytes at `offset` of the content to the open file `fd`, at its
    // position; Bytes are those written. By default through a buffer of its own; a content
    // that is a range of a file copies inside the kernel.
    [[nodiscard]] virtual ContentRead CopyTo(Offset offset, int fd, std::size_t count);
};

class MemoryContent final : public StreamContent
{
public:
    explicit MemoryContent(std::vector<win32::BYTE> bytes)
        : m_bytes(std::move(bytes))
    {
    }
    [[nodiscard]] ContentRead Read(Offset offset, win32::BYTE* out, std::size_t count) override;

private:
    std::vector<win32::BYTE> m_bytes;
};

struct BackupStream
{
    win32::DWORD Id = 0;
    win32::DWORD Attributes = 0;
    Offset Size = 0;
    std::u16string Name; // as it travels, ":name:$DATA" for a named data stream
    std::unique_ptr<StreamContent> Content; // null for an empty content
};

using BackupStreams = std::vector<BackupStream>;

} // namespace sondrel::backup
