#pragma once
// Win32 error codes with their Windows values, the thread's last error, and FormatMessageA
// answering with the Linux system's own message for the underlying errno.
//
// Codes without a Win32 counterpart use the customer range (bit 29 set), which Windows leaves to
// applications: an errno with no Win32 code travels as kErrnoBase + errno, and conditions that
// only this platform layer knows have codes of their own with their own texts.

#include "Win32Types.h"

#include <string>

namespace win32 {

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_SEEK = 25;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
// Said here of FIFOs, sockets and devices, which are never opened (the text is ours).
constexpr DWORD ERROR_BAD_FILE_TYPE = 222;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_IO_DEVICE = 1117;
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

constexpr DWORD kCustomerBit = 0x20000000;
// An errno with no Win32 code of its own.
constexpr DWORD kErrnoBase = kCustomerBit | 0x00010000;
// ntfs-3g's extended-attribute interface hands out no stream above 64 KiB.
constexpr DWORD ERROR_SONDREL_STREAM_TOO_LARGE_FOR_XATTR = kCustomerBit | 0x0101;
// The item changed while it was being read: its content ended before its stated size.
constexpr DWORD ERROR_SONDREL_CONTENT_CHANGED = kCustomerBit | 0x0102;
// The item is a FIFO, socket or device, whose content is never read.
constexpr DWORD ERROR_SONDREL_NOT_A_FILE = kCustomerBit | 0x0103;
// The names of an item's extended attributes add up to more than the kernel hands out.
constexpr DWORD ERROR_SONDREL_XATTR_LIST_TOO_LONG = kCustomerBit | 0x0104;

[[nodiscard]] DWORD GetLastError();
void SetLastError(DWORD code);

// Maps an errno value to the Win32 code callers test for.
[[nodiscard]] DWORD Win32ErrorFromErrno(int error);

constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr LANGID LANG_USER_DEFAULT = 0x0400;

// Writes the system text of `messageId`, ended by "\r\n" as Windows' system texts are, into
// `buffer` (at most size - 1 bytes and a terminating zero; a multi-byte character is never cut).
// Returns the number of bytes written without the zero, or 0 (last error set) when nothing fits.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
    LPSTR buffer, DWORD size, void* arguments);

// The same text as a string, with no length limit.
[[nodiscard]] std::string SystemMessageText(DWORD messageId);

} // namespace win32
