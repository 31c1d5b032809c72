#include "Win32Error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace win32 {

namespace {

    thread_local DWORD t_lastError = ERROR_SUCCESS;

    // errno -> Win32; the first row for a Win32 code gives the errno whose text it shows.
    constexpr std::array<std::pair<int, DWORD>, 24> kErrnoTable { {
        { ENOENT, ERROR_FILE_NOT_FOUND },
        { ENOTDIR, ERROR_PATH_NOT_FOUND },
        { EMFILE, ERROR_TOO_MANY_OPEN_FILES },
        { ENFILE, ERROR_TOO_MANY_OPEN_FILES },
        { EACCES, ERROR_ACCESS_DENIED },
        { EPERM, ERROR_ACCESS_DENIED },
        { EBADF, ERROR_INVALID_HANDLE },
        { ENOMEM, ERROR_NOT_ENOUGH_MEMORY },
        { ESPIPE, ERROR_SEEK },
        { ENOTSUP, ERROR_NOT_SUPPORTED },
        { EEXIST, ERROR_ALREADY_EXISTS },
        { EINVAL, ERROR_INVALID_PARAMETER },
        { EPIPE, ERROR_BROKEN_PIPE },
        { ERANGE, ERROR_INSUFFICIENT_BUFFER },
        { ENOTEMPTY, ERROR_DIR_NOT_EMPTY },
        { EBUSY, ERROR_BUSY },
        { ETXTBSY, ERROR_BUSY },
        { ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE },
        { EISDIR, ERROR_DIRECTORY },
        { EIO, ERROR_IO_DEVICE },
        { ENOSPC, ERROR_DISK_FULL },
        { ELOOP, ERROR_CANT_RESOLVE_FILENAME },
        { ENXIO, ERROR_NOT_READY },
        { ENODEV, ERROR_NOT_READY },
    } };

    std::string ErrnoText(int error)
    {
        std::array<char, 256> buffer {};
        // The GNU strerror_r returns a pointer that may or may not be into the buffer.
        const char* text = strerror_r(error, buffer.data(), buffer.size());
        return text ? std::string(text) : std::string("Unknown error ") + std::to_string(error);
    }

    std::string CustomText(DWORD code)
    {
        switch (code) {
        case ERROR_SONDREL_STREAM_TOO_LARGE_FOR_XATTR:
            return "The stream is larger than 64 KiB, the most that ntfs-3g hands out through "
                   "extended attributes; its content cannot be read through this mount";
        case ERROR_SONDREL_CONTENT_CHANGED:
            return "The item changed while it was being read: its content ended before its "
                   "stated size";
        case ERROR_SONDREL_NOT_A_FILE:
            return "The item is a FIFO, socket or device; its content is never read";
        case ERROR_NO_ASSOCIATION:
            return "No application is set to open the item";
        case ERROR_BAD_FILE_TYPE:
            return "The item is a FIFO, socket or device, which is never opened";
        case ERROR_SONDREL_XATTR_LIST_TOO_LONG:
            return "The names of the item's extended attributes add up to more than 64 KiB, the "
                   "most the system hands out; its named streams cannot be listed";
        case ERROR_HANDLE_EOF:
            return "Reached the end of the file";
        default:
            return {};
        }
    }

} // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

DWORD Win32ErrorFromErrno(int error)
{
    if (error == 0)
        return ERROR_SUCCESS;
    const auto* row = std::find_if(kErrnoTable.begin(), kErrnoTable.end(),
        [error](const auto& entry) { return entry.first == error; });
    return row != kErrnoTable.end() ? row->second : kErrnoBase + static_cast<DWORD>(error);
}

std::string SystemMessageText(DWORD messageId)
{
    std::string text = CustomText(messageId);
    if (text.empty()) {
        int error = 0;
        if (messageId >= kErrnoBase && messageId < kErrnoBase + 0x10000) {
            error = static_cast<int>(messageId - kErrnoBase);
        } else {
            const auto* row = std::find_if(kErrnoTable.begin(), kErrnoTable.end(),
                [messageId](const auto& entry) { return entry.second == messageId; });
            if (row != kErrnoTable.end())
                error = row->first;
        }
        text = error != 0 ? ErrnoText(error) : "Unknown error " + std::to_string(messageId);
    }
    return text + "\r\n";
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
    LPSTR buffer, DWORD size, void* /*arguments*/)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string text = SystemMessageText(messageId);
    std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    // Never leave half of a UTF-8 sequence at the cut.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    if (length == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

} // namespace win32
