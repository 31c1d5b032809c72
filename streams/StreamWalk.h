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
    // Counting and the headers walk: each stream as it is passed, its content not read. A
    // count does not learn the sizes that would each cost a call (named streams, security): 0.
    virtual void CountedStream(const StreamInfo& /*info*/) { }
};

enum class TWalkMode {
    Count, // kinds and names only
    Headers, // kinds, names and sizes, no content: a listing that shows no bytes
    List, // every stream with its content, handed to the sink's AddStream
};

// What a walk found, for callers that go on with the number rather than show it.
struct TWalkResult
{
    std::uint64_t Count = 0; // the streams read
    // ERROR_SUCCESS, or why the path could not be opened or its streams not all read
    win32::DWORD Error = win32::ERROR_SUCCESS;
    BytePath Path;

    [[nodiscard]] bool Ok() const { return Error == win32::ERROR_SUCCESS; }
};

// Walks the streams of `path` in `mode`; the sink may be null.
[[nodiscard]] TWalkResult WalkItemStreams(const BytePath& path, TWalkMode mode, TStreamSink* sink);

// Counts (listMode false) or lists the streams of `path`. Returns the count in decimal, or the
// system's message text (with its line break) when the path cannot be opened or its streams
// cannot all be read (a listing keeps the streams read before the failure).
[[nodiscard]] std::string WalkStreams(const BytePath& path, bool listMode, TStreamSink* sink);

// The system's message text for a walk's error, with its line break.
[[nodiscard]] std::string WalkErrorText(win32::DWORD code);

// Reads the next stream into `info` (content too unless `countOnly`); false at the end of the
// streams or when a header or name cannot be read, which `failure` tells apart (ERROR_SUCCESS
// at the end, else the error). `loadBudget` is the content the listing may still load, lowered
// by what this call loads. Without `wantName` the name is read past but not decoded (Name stays
// empty): a count nobody looks at needs only the kinds.
[[nodiscard]] bool ReadNextStream(StreamInfo& info, win32::HANDLE file, bool countOnly,
    win32::LPVOID* context, std::uint64_t* loadBudget = nullptr, win32::DWORD* failure = nullptr,
    bool wantName = true);

// Reads the next stream's header and name, leaving the position at its content; false as
// ReadNextStream.
[[nodiscard]] bool ReadStreamHead(StreamInfo& info, win32::HANDLE file, win32::LPVOID* context,
    win32::DWORD& failure, bool wantName = true);

// Skips `count` bytes of the current stream's content.
void Skip(win32::HANDLE file, std::uint64_t count, win32::LPVOID* context);

// Opens a path for a walk (with further CreateFileA `flags`); INVALID_HANDLE_VALUE with the last
// error set when it cannot.
[[nodiscard]] win32::HANDLE OpenForBackup(const BytePath& path, win32::DWORD flags = 0);
// Ends a walk: releases its context (the handle is the caller's to close).
void EndWalk(win32::HANDLE file, win32::LPVOID* context);

// A dump of a stream over 16 MB ends in the truncation marker: writes the part of the marker
// that falls into `piece`, the `count` bytes of the content that start at `pieceOffset`, when
// that piece ends at the cap.
void MarkTruncation(
    std::uint8_t* piece, std::uint64_t pieceOffset, std::size_t count, std::uint64_t streamSize);

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
