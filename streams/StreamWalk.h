#pragma once
// Walking all streams of one file or folder through the backup reader, counting them or
// listing them into a sink. Synchronous; runs on the caller's thread.

#include "BytePath.h"
#include "StreamInfo.h"

#include <memory>
#include <string>

namespace sondrel::streams {

// Receives what a walk finds. A listing hands over each record with what its list item shows.
class TStreamSink
{
public:
    virtual ~TStreamSink() = default;

    virtual void AddStream(std::unique_ptr<StreamInfo> info, const std::string& caption,
        const std::string& sizeText, int stateIndex)
        = 0;
    // After a listing that found at least one stream: select the first.
    virtual void SelectFirstStream() = 0;
    // Counting: each stream as it is passed, its content not read.
    virtual void CountedStream(const StreamInfo& /*info*/) { }
};

// Counts (listMode false) or lists the streams of `path`. Returns the count in decimal, or the
// system's message text (with its line break) when the path cannot be opened or its streams
// cannot all be read (a listing keeps the streams read before the failure).
[[nodiscard]] std::string WalkStreams(const BytePath& path, bool listMode, TStreamSink* sink);

// Reads the next stream into `info` (content too unless `countOnly`); false at the end of the
// streams or when a header or name cannot be read, which `failure` tells apart (ERROR_SUCCESS
// at the end, else the error). `loadBudget` is the content the listing may still load, lowered
// by what this call loads.
[[nodiscard]] bool ReadNextStream(StreamInfo& info, win32::HANDLE file, bool countOnly,
    win32::LPVOID* context, std::uint64_t* loadBudget = nullptr, win32::DWORD* failure = nullptr);

// The caption a stream's list item shows: its name, or "<default>" / "<no name>".
[[nodiscard]] std::string StreamCaption(const StreamInfo& info);

struct TSingleStream
{
    // The system's message text when the path could not be opened or its streams could not be
    // read as far as the index.
    std::string OpenError;
    std::unique_ptr<StreamInfo> Info; // null when the item has no stream of that index
};

// Reads only the stream at `index` (from 0) with its content, passing the others unread.
[[nodiscard]] TSingleStream ReadStreamAt(const BytePath& path, std::uint64_t index);

// A system message text without the line break it ends with.
[[nodiscard]] std::string WithoutLineBreak(std::string text);

} // namespace sondrel::streams
