// The 20-byte stream header as it travels, apart from the calls, so that the decoder can be
// fuzzed on its own.
#include "BackupApi.h"

namespace win32 {

WIN32_STREAM_ID DecodeStreamHeader(const BYTE (&b)[kStreamHeaderSize])
{
    auto u32 = [&b](int at) {
        return static_cast<DWORD>(b[at]) | static_cast<DWORD>(b[at + 1]) << 8
            | static_cast<DWORD>(b[at + 2]) << 16 | static_cast<DWORD>(b[at + 3]) << 24;
    };
    WIN32_STREAM_ID header;
    header.dwStreamId = u32(0);
    header.dwStreamAttributes = u32(4);
    header.Size.QuadPart = static_cast<LONGLONG>(
        static_cast<std::uint64_t>(u32(8)) | std::uint64_t { u32(12) } << 32);
    header.dwStreamNameSize = u32(16);
    return header;
}

void EncodeStreamHeader(const WIN32_STREAM_ID& header, BYTE (&b)[kStreamHeaderSize])
{
    auto put = [&b](int at, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + i] = static_cast<BYTE>(value >> (8 * i));
    };
    put(0, header.dwStreamId, 4);
    put(4, header.dwStreamAttributes, 4);
    put(8, static_cast<std::uint64_t>(header.Size.QuadPart), 8);
    put(16, header.dwStreamNameSize, 4);
}

} // namespace win32
