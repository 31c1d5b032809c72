#pragma once
// The file-open and backup-read calls of Windows, standing on Linux files, folders and their
// extended attributes. A walk opens a path with CreateFileA, reads the stream headers, names and
// contents with BackupRead, skips contents with BackupSeek, frees the context with an aborting
// BackupRead and closes the handle. The byte stream is Windows' (MS-BKUP): a 20-byte header per
// stream, the UTF-16LE name, the content, no padding between streams.
//
// Handles and contexts belong to the thread that made them; the calls themselves are reentrant.

#include "Win32Error.h"
#include "Win32Types.h"

namespace win32 {

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
constexpr DWORD FILE_FLAG_POSIX_SEMANTICS = 0x01000000;
// This platform's own: the handle serves a walk that only counts. Its streams come with their
// kinds and names; sizes that would each cost a call of their own (the named streams, the
// security descriptor) read as 0, and no content is read. The item is examined by path and
// checked to be readable, as an open would, without being opened.
constexpr DWORD FILE_FLAG_SONDREL_COUNT_ONLY = 0x00400000;

// Stream ids of WIN32_STREAM_ID.
constexpr DWORD BACKUP_INVALID = 0;
constexpr DWORD BACKUP_DATA = 1;
constexpr DWORD BACKUP_EA_DATA = 2;
constexpr DWORD BACKUP_SECURITY_DATA = 3;
constexpr DWORD BACKUP_ALTERNATE_DATA = 4;
constexpr DWORD BACKUP_LINK = 5;
constexpr DWORD BACKUP_PROPERTY_DATA = 6;
constexpr DWORD BACKUP_OBJECT_ID = 7;
constexpr DWORD BACKUP_REPARSE_DATA = 8;
constexpr DWORD BACKUP_SPARSE_BLOCK = 9;
constexpr DWORD BACKUP_TXFS_DATA = 10;
constexpr DWORD BACKUP_GHOSTED_FILE_EXTENTS = 11;

// Stream attributes of WIN32_STREAM_ID.
constexpr DWORD STREAM_NORMAL_ATTRIBUTE = 0x0;
constexpr DWORD STREAM_MODIFIED_WHEN_READ = 0x1;
constexpr DWORD STREAM_CONTAINS_SECURITY = 0x2;
constexpr DWORD STREAM_SPARSE_ATTRIBUTE = 0x8;
constexpr DWORD STREAM_CONTAINS_GHOSTED_FILE_EXTENTS = 0x10;

// The header as it travels: 20 bytes, little-endian, although the C struct pads to 24.
constexpr DWORD kStreamHeaderSize = 20;

struct WIN32_STREAM_ID
{
    DWORD dwStreamId = 0;
    DWORD dwStreamAttributes = 0;
    LARGE_INTEGER Size;
    DWORD dwStreamNameSize = 0;
};

[[nodiscard]] WIN32_STREAM_ID DecodeStreamHeader(const BYTE (&bytes)[kStreamHeaderSize]);
void EncodeStreamHeader(const WIN32_STREAM_ID& header, BYTE (&bytes)[kStreamHeaderSize]);

// Opens a file or folder for reading as an open with backup semantics does. FIFOs, sockets and
// devices are never opened: their handle reads only what can be had without opening them.
// Fails with INVALID_HANDLE_VALUE and the last error set. FILE_FLAG_SONDREL_COUNT_ONLY in
// `flagsAndAttributes` makes a handle for counting (above).
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
    DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

BOOL CloseHandle(HANDLE handle);

// Reads the next `numberOfBytesToRead` bytes of the backup stream; *numberOfBytesRead is 0 at its
// end. The first call creates *context; a call with abort TRUE frees it and sets it to null.
BOOL BackupRead(HANDLE file, BYTE* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead,
    BOOL abort, BOOL processSecurity, LPVOID* context);

// Not a Windows call: writes the next up to `count` bytes of the current stream's content to the
// open file `outFd` at its position, never past the content's end, inside the kernel where the
// content is a file's (copy_file_range). *copied is 0 at the content's end.
BOOL BackupCopyToFile(HANDLE file, int outFd, DWORD count, DWORD* copied, LPVOID* context);

// Skips forward inside the current stream's content. Asked to go past its end it stops at the
// next header, reports the bytes skipped and fails with ERROR_SEEK.
BOOL BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowByteSeeked,
    DWORD* highByteSeeked, LPVOID* context);

} // namespace win32
