#include "BackupApi.h"

#include "BackupContext.h"
#include "BackupItem.h"
#include "BackupSource.h"
#include "FolderScope.h"
#include "ItemStreams.h"
#include "PosixAcl.h"
#include "ReadAccess.h"
#include "RecentStat.h"
#include "SafeOpen.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::backup {

BackupItem::~BackupItem()
{
    if (Fd >= 0)
        ::close(Fd);
}

namespace {

    // A file on disk (Item) or an item of a registered source (Source).
    struct OpenHandle
    {
        std::shared_ptr<BackupItem> Item;
        std::shared_ptr<SourceItem> Source;
    };

    struct ContextBox
    {
        const OpenHandle* Owner;
        BackupContext Context;
    };

    // Handles are checked against the live set so that a stale or foreign handle is an error,
    // as on Windows, rather than a wild pointer.
    std::mutex s_handlesMutex;
    std::unordered_set<const void*> s_handles;
    // Bumped under the lock by every close: a thread's remembered handle is still live while
    // the count it saw is unchanged, so the reads of one walk need not take the lock each time.
    std::atomic<std::uint64_t> s_closes { 0 };
    thread_local const void* t_lastHandle = nullptr;
    thread_local std::uint64_t t_lastCloses = 0;

    // Called with the lock held, for a handle in the live set.
    void Remember(const void* handle)
    {
        t_lastHandle = handle;
        t_lastCloses = s_closes.load(std::memory_order_relaxed);
    }

    void Register(OpenHandle* handle)
    {
        std::lock_guard lock(s_handlesMutex);
        s_handles.insert(handle);
        Remember(handle);
    }

    OpenHandle* FromHandle(win32::HANDLE handle)
    {
        if (handle != nullptr && handle == t_lastHandle
            && s_closes.load(std::memory_order_acquire) == t_lastCloses)
            return static_cast<OpenHandle*>(handle);
        std::lock_guard lock(s_handlesMutex);
        if (!s_handles.count(handle))
            return nullptr;
        Remember(handle);
        return static_cast<OpenHandle*>(handle);
    }

    void Fill(BackupItem& item, const struct stat& st)
    {
        item.Uid = st.st_uid;
        item.Gid = st.st_gid;
        item.Mode = st.st_mode & 07777;
        item.Size = static_cast<std::uint64_t>(st.st_size);
        item.AllocatedBytes = static_cast<std::uint64_t>(st.st_blocks) * 512;
        item.Device = st.st_dev;
    }

    // An ntfs-3g reparse point that is no link or junction shows as a symbolic link to a text;
    // such an item is walked as itself so that its own streams show.
    bool IsUnsupportedNtfsReparsePoint(const std::string& path, std::uint64_t device)
    {
        const XattrTarget link { -1, path.c_str(), false };
        if (DetectNtfsDriver(link, device) != NtfsDriver::Ntfs3g)
            return false;
        std::vector<std::uint8_t> data;
        if (ReadXattr(link, kNtfsReparseData, data) != 0 || data.size() < 4)
            return false;
        const std::uint32_t tag
            = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        return (tag & kReparseTagNameSurrogate) == 0;
    }

    // Opens `path` as backup semantics do; 0 or errno. The type is checked on an O_PATH
    // descriptor before anything is opened for reading, so an entry swapped for a device (or a
    // link re-pointed at one) between two calls is never opened.
    int OpenItem(const std::string& path, BackupItem& item)
    {
        item.Path = path;
        sondrel::platform::OpenedItem opened;
        if (const int error = sondrel::platform::OpenForReading(path, false, opened))
            return error;
        if (S_ISLNK(opened.Stat().st_mode)) {
            if (IsUnsupportedNtfsReparsePoint(path, opened.Stat().st_dev)) {
                item.Type = BackupItem::Kind::LinkItself;
                Fill(item, opened.Stat());
                return 0;
            }
            if (const int error = sondrel::platform::OpenForReading(path, true, opened))
                return error;
        }
        const struct stat& st = opened.Stat();
        if (S_ISREG(st.st_mode))
            item.Type = BackupItem::Kind::File;
        else if (S_ISDIR(st.st_mode))
            item.Type = BackupItem::Kind::Folder;
        else
            item.Type = BackupItem::Kind::Special; // reached by path only, never opened
        item.Fd = opened.Release();
        Fill(item, st);
        return 0;
    }

    // For a count: the item as OpenItem finds it, examined by path and not opened. A file or
    // folder must be readable by this process, as the open would require.
    int ExamineItem(const std::string& path, BackupItem& item)
    {
        item.Path = path;
        item.CountOnly = true;
        struct stat st
        {
        };
        // Inside a folder being counted the name is resolved in the folder alone.
        const char* name = nullptr;
        const int folder = sondrel::platform::ScopedFolder(path, name);
        // The namespace may have just looked at the item for its attributes.
        if (!sondrel::platform::TakeLstat(path, st)
            && sondrel::platform::StatEntry(folder, name, path, st, false) != 0)
            return errno;
        if (S_ISLNK(st.st_mode)) {
            if (IsUnsupportedNtfsReparsePoint(path, st.st_dev)) {
                item.Type = BackupItem::Kind::LinkItself;
                Fill(item, st);
                return 0;
            }
            if (sondrel::platform::StatEntry(folder, name, path, st, true) != 0)
                return errno;
        }
        Fill(item, st);
        if (S_ISREG(st.st_mode))
            item.Type = BackupItem::Kind::File;
        else if (S_ISDIR(st.st_mode))
            item.Type = BackupItem::Kind::Folder;
        else
            item.Type = BackupItem::Kind::Special;
        if (item.Type == BackupItem::Kind::Special)
            return 0;
        XattrTarget target = item.Target();
        if (folder >= 0) {
            target.DirFd = folder;
            target.NameAt = static_cast<std::size_t>(name - path.c_str());
        }
        item.ListError = ListXattrs(target, item.Names);
        item.Listed = true;
        const bool hasAcl = item.ListError != 0
            || std::find(item.Names.begin(), item.Names.end(), kPosixAclAccess) != item.Names.end();
        item.Driver = DetectNtfsDriver(target, item.Device);
        return CheckReadable(path, st, PermissionsAreLocal(target, item.Device), hasAcl);
    }

} // namespace

} // namespace sondrel::backup

namespace win32 {

using sondrel::backup::BackupContext;
using sondrel::backup::BackupItem;
using sondrel::backup::ContextBox;
using sondrel::backup::OpenHandle;

HANDLE CreateFileA(LPCSTR fileName, DWORD /*desiredAccess*/, DWORD /*shareMode*/,
    void* /*securityAttributes*/, DWORD creationDisposition, DWORD flagsAndAttributes,
    HANDLE /*templateFile*/)
{
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING) {
        // This platform layer only ever reads.
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const bool countOnly = (flagsAndAttributes & FILE_FLAG_SONDREL_COUNT_ONLY) != 0;
    std::string inside;
    if (const auto source = sondrel::backup::SourceFor(fileName, inside)) {
        std::shared_ptr<sondrel::backup::SourceItem> sourceItem;
        if (const int error = source->Open(inside, countOnly, sourceItem)) {
            SetLastError(Win32ErrorFromErrno(error));
            return INVALID_HANDLE_VALUE;
        }
        auto* handle = new OpenHandle { nullptr, std::move(sourceItem) };
        sondrel::backup::Register(handle);
        return handle;
    }
    auto item = std::make_shared<BackupItem>();
    if (const int error = countOnly ? sondrel::backup::ExamineItem(fileName, *item)
                                    : sondrel::backup::OpenItem(fileName, *item)) {
        SetLastError(Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    if (!item->Listed) // a count's examination has found the driver already
        item->Driver = sondrel::backup::DetectNtfsDriver(item->Target(), item->Device);
    auto* handle = new OpenHandle { std::move(item), nullptr };
    sondrel::backup::Register(handle);
    return handle;
}

BOOL CloseHandle(HANDLE handle)
{
    {
        std::lock_guard lock(sondrel::backup::s_handlesMutex);
        if (sondrel::backup::s_handles.erase(handle) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        sondrel::backup::s_closes.fetch_add(1, std::memory_order_release);
    }
    delete static_cast<OpenHandle*>(handle);
    return TRUE;
}

namespace {

    ContextBox* ContextFor(const OpenHandle* handle, LPVOID* context, BOOL processSecurity)
    {
        if (*context == nullptr) {
            auto collected = handle->Source
                ? handle->Source->Collect(processSecurity)
                : sondrel::backup::CollectStreams(handle->Item, processSecurity);
            *context = new ContextBox { handle,
                BackupContext(std::move(collected.Streams), collected.Failure) };
        }
        auto* box = static_cast<ContextBox*>(*context);
        return box->Owner == handle ? box : nullptr;
    }

} // namespace

BOOL BackupRead(HANDLE file, BYTE* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead,
    BOOL abort, BOOL processSecurity, LPVOID* context)
{
    if (numberOfBytesRead)
        *numberOfBytesRead = 0;
    if (context == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (abort) {
        delete static_cast<ContextBox*>(*context);
        *context = nullptr;
        return TRUE;
    }
    const OpenHandle* handle = sondrel::backup::FromHandle(file);
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (buffer == nullptr && numberOfBytesToRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextBox* box = ContextFor(handle, context, processSecurity);
    if (box == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t read = 0;
    DWORD error = 0;
    const bool ok = box->Context.Read(buffer, numberOfBytesToRead, read, error);
    if (numberOfBytesRead)
        *numberOfBytesRead = static_cast<DWORD>(read);
    if (!ok) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL BackupCopyToFile(HANDLE file, int outFd, DWORD count, DWORD* copied, LPVOID* context)
{
    if (copied)
        *copied = 0;
    const OpenHandle* handle = sondrel::backup::FromHandle(file);
    if (context == nullptr || *context == nullptr || handle == nullptr) {
        SetLastError(handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextBox* box = static_cast<ContextBox*>(*context);
    if (box->Owner != handle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t done = 0;
    DWORD error = 0;
    const bool ok = box->Context.CopyContent(outFd, count, done, error);
    if (copied)
        *copied = static_cast<DWORD>(done);
    if (!ok) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowByteSeeked,
    DWORD* highByteSeeked, LPVOID* context)
{
    if (lowByteSeeked)
        *lowByteSeeked = 0;
    if (highByteSeeked)
        *highByteSeeked = 0;
    const OpenHandle* handle = sondrel::backup::FromHandle(file);
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (context == nullptr || *context == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextBox* box = ContextFor(handle, context, TRUE);
    if (box == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uint64_t seeked = 0;
    const bool ok = box->Context.Seek(
        std::uint64_t { lowBytesToSeek } | std::uint64_t { highBytesToSeek } << 32, seeked);
    if (lowByteSeeked)
        *lowByteSeeked = static_cast<DWORD>(seeked);
    if (highByteSeeked)
        *highByteSeeked = static_cast<DWORD>(seeked >> 32);
    if (!ok) {
        SetLastError(ERROR_SEEK);
        return FALSE;
    }
    return TRUE;
}

} // namespace win32
