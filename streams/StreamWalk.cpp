#include "StreamWalk.h"

#include "CodePage.h"
#include "StreamKinds.h"
#include "StreamNameCut.h"
#include "StreamStrings.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sondrel::streams {

using namespace win32;

namespace {

    // No name the backup reader makes comes near this; a larger one is not a name.
    constexpr DWORD kMaxNameBytes = 65536;

} // namespace

std::string WalkErrorText(DWORD code)
{
    char buffer[200];
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, LANG_USER_DEFAULT, buffer,
            sizeof buffer, nullptr)
        == 0)
        return "Error " + std::to_string(code) + "\r\n";
    return buffer;
}

void Skip(HANDLE file, std::uint64_t count, LPVOID* context)
{
    DWORD low = 0;
    DWORD high = 0;
    (void)BackupSeek(
        file, static_cast<DWORD>(count), static_cast<DWORD>(count >> 32), &low, &high, context);
}

std::string WithoutLineBreak(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

bool ReadStreamHead(StreamInfo& info, HANDLE file, LPVOID* context, DWORD& why, bool wantName)
{
    why = ERROR_SUCCESS;
    if (file == nullptr || file == INVALID_HANDLE_VALUE) {
        why = ERROR_INVALID_HANDLE;
        return false;
    }
    info.Header = WIN32_STREAM_ID {};
    info.Name.clear();

    BYTE header[kStreamHeaderSize] {};
    DWORD read = 0;
    if (!BackupRead(file, header, kStreamHeaderSize, &read, FALSE, TRUE, context)) {
        why = GetLastError();
        return false;
    }
    if (read != kStreamHeaderSize) {
        // Nothing at all is the end of the streams; part of a header is not.
        if (read != 0)
            why = ERROR_HANDLE_EOF;
        return false;
    }
    info.Header = DecodeStreamHeader(header);

    const DWORD nameSize = info.Header.dwStreamNameSize;
    if (nameSize > kMaxNameBytes) {
        why = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (nameSize > 0) {
        // Names are short but read for every stream of every counted file: no heap for them.
        BYTE shortName[512];
        std::vector<BYTE> longName;
        BYTE* name = shortName;
        if (nameSize > sizeof shortName) {
            longName.resize(nameSize);
            name = longName.data();
        }
        read = 0;
        if (!BackupRead(file, name, nameSize, &read, FALSE, TRUE, context))
            why = GetLastError();
        if (read != nameSize) {
            if (why == ERROR_SUCCESS)
                why = ERROR_HANDLE_EOF;
            return false;
        }
        if (wantName)
            CutStreamName(name, read / 2, info.Name);
    }
    return true;
}

bool ReadNextStream(StreamInfo& info, HANDLE file, bool countOnly, LPVOID* context,
    std::uint64_t* loadBudget, DWORD* failure, bool wantName)
{
    DWORD ignored = 0;
    DWORD& why = failure ? *failure : ignored;
    if (!ReadStreamHead(info, file, context, why, wantName))
        return false;
    DWORD read = 0;
    if (countOnly) {
        Skip(file, info.Size(), context);
        return true;
    }

    const std::uint32_t n = info.CappedSize();
    if (loadBudget && n > *loadBudget) {
        info.ReadError = LoadStr(sStreamNotLoaded);
        Skip(file, info.Size(), context);
        return true;
    }
    // Default-initialised: the pages of a large buffer are touched by the read, not twice.
    info.Data.reset(new std::uint8_t[n]);
    const BOOL ok = BackupRead(file, info.Data.get(), n, &read, FALSE, TRUE, context);
    info.DataLength = std::min<DWORD>(read, n);
    if (loadBudget)
        *loadBudget -= n;
    // A read that succeeds short has reached the honest end of a pseudo file's content.
    if (!ok)
        info.ReadError = WithoutLineBreak(WalkErrorText(GetLastError()));
    MarkTruncation(info.Data.get(), 0, info.DataLength, info.Size());
    if (info.Size() > info.DataLength)
        Skip(file, info.Size() - info.DataLength, context);
    return true;
}

void MarkTruncation(
    std::uint8_t* piece, std::uint64_t pieceOffset, std::size_t count, std::uint64_t streamSize)
{
    // Only a dump that reached the cap is cut; one that stopped short shows what it read.
    if (streamSize <= kStreamDataCap || pieceOffset + count != kStreamDataCap)
        return;
    const std::uint64_t from = std::max<std::uint64_t>(pieceOffset, kTruncationMarkerOffset);
    const std::uint64_t to = kTruncationMarkerOffset + sizeof kTruncationMarker;
    if (from < to)
        std::memcpy(piece + (from - pieceOffset),
            kTruncationMarker + (from - kTruncationMarkerOffset), to - from);
}

std::string StreamCaption(const StreamInfo& info)
{
    std::string caption = WideToAnsi(info.Name);
    if (caption.empty())
        caption = LoadStr(
            info.Header.dwStreamId == BACKUP_DATA ? sDefaultStreamCaption : sUnnamedStreamCaption);
    return caption;
}

HANDLE OpenForBackup(const BytePath& path, DWORD flags)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_POSIX_SEMANTICS | flags, nullptr);
}

void EndWalk(HANDLE file, LPVOID* context)
{
    (void)BackupRead(file, nullptr, 0, nullptr, TRUE, TRUE, context);
}

namespace {

    // One walk's handle and backup context: the context is released before the handle is
    // closed, at the end of the scope at the latest, so a sink that throws leaks neither.
    class TBackupWalk
    {
    public:
        explicit TBackupWalk(const BytePath& path, DWORD flags = 0)
            : m_file(OpenForBackup(path, flags))
            , m_openError(m_file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS)
        {
        }
        TBackupWalk(const TBackupWalk&) = delete;
        TBackupWalk& operator=(const TBackupWalk&) = delete;
        ~TBackupWalk()
        {
            if (m_file == INVALID_HANDLE_VALUE)
                return;
            End();
            CloseHandle(m_file);
        }

        [[nodiscard]] DWORD OpenError() const { return m_openError; }
        [[nodiscard]] HANDLE File() const { return m_file; }
        [[nodiscard]] LPVOID* Context() { return &m_context; }

        // Releases the context; the handle stays open until the scope ends.
        void End()
        {
            if (m_context != nullptr)
                EndWalk(m_file, &m_context);
        }

    private:
        HANDLE m_file;
        DWORD m_openError;
        LPVOID m_context = nullptr;
    };

} // namespace

TSingleStream ReadStreamAt(const BytePath& path, std::uint64_t index)
{
    TSingleStream result;
    HANDLE file = OpenForBackup(path);
    if (file == INVALID_HANDLE_VALUE) {
        result.OpenError = WalkErrorText(GetLastError());
        return result;
    }
    LPVOID context = nullptr;
    for (std::uint64_t i = 0; i <= index; ++i) {
        auto info = std::make_unique<StreamInfo>();
        DWORD failure = ERROR_SUCCESS;
        if (!ReadNextStream(*info, file, i != index, &context, nullptr, &failure)) {
            if (failure != ERROR_SUCCESS)
                result.OpenError = WalkErrorText(failure);
            break;
        }
        if (i == index)
            result.Info = std::move(info);
    }
    EndWalk(file, &context);
    CloseHandle(file);
    return result;
}

TWalkResult WalkItemStreams(const BytePath& path, TWalkMode mode, TStreamSink* sink)
{
    TWalkResult result;
    result.Path = path;
    const bool listMode = mode == TWalkMode::List;
    TBackupWalk walk(path, mode == TWalkMode::Count ? FILE_FLAG_SONDREL_COUNT_ONLY : 0);
    if (walk.OpenError() != ERROR_SUCCESS) {
        result.Error = walk.OpenError();
        return result;
    }
    std::uint64_t loadBudget = kListingLoadCap;
    // Without content a record is handed over by reference only: one on the stack serves the
    // whole walk.
    StreamInfo counted;
    std::unique_ptr<StreamInfo> info;
    for (;;) {
        if (listMode)
            info = std::make_unique<StreamInfo>();
        StreamInfo& record = listMode ? *info : counted;
        if (!ReadNextStream(record, walk.File(), !listMode, walk.Context(), &loadBudget,
                &result.Error, listMode || sink != nullptr))
            break;
        ++result.Count;
        if (!listMode) {
            if (sink)
                sink->CountedStream(record);
            continue;
        }
        if (sink) {
            const std::string caption = StreamCaption(*info);
            const std::string sizeText = std::to_string(info->Size());
            const int image = StreamImageIndex(info->Header.dwStreamId);
            sink->AddStream(std::move(info), caption, sizeText, image);
        }
    }
    walk.End();
    if (listMode && result.Count > 0 && sink)
        sink->SelectFirstStream();
    return result;
}

std::string WalkStreams(const BytePath& path, bool listMode, TStreamSink* sink)
{
    const TWalkResult result
        = WalkItemStreams(path, listMode ? TWalkMode::List : TWalkMode::Count, sink);
    // Streams that could not all be read are never shown as a smaller count.
    return result.Ok() ? std::to_string(result.Count) : WalkErrorText(result.Error);
}

} // namespace sondrel::streams
