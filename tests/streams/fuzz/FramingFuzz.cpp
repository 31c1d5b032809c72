// libFuzzer target: a backup byte stream of any origin, split into its streams as the walk reads
// it (a 20-byte header, the name, then the content skipped by its size) and every name cut. The
// decoders must never read outside the bytes, and a cut name is never longer than the name nor
// holds a colon.
#include "BackupApi.h"
#include "StreamNameCut.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    while (size - at >= win32::kStreamHeaderSize) {
        win32::BYTE header[win32::kStreamHeaderSize];
        std::memcpy(header, data + at, sizeof header);
        const win32::WIN32_STREAM_ID id = win32::DecodeStreamHeader(header);
        win32::BYTE again[win32::kStreamHeaderSize];
        win32::EncodeStreamHeader(id, again);
        if (std::memcmp(header, again, sizeof header) != 0)
            std::abort();
        at += sizeof header;
        const std::size_t nameBytes = std::min<std::size_t>(id.dwStreamNameSize, size - at);
        std::u16string name;
        if (nameBytes >= 2) {
            sondrel::streams::CutStreamName(data + at, nameBytes / 2, name);
            if (name.size() >= nameBytes / 2 || name.find(u':') != std::u16string::npos)
                std::abort();
        }
        at += nameBytes;
        const auto content = static_cast<std::uint64_t>(id.Size.QuadPart);
        if (content >= size - at)
            break;
        at += static_cast<std::size_t>(content);
    }
    return 0;
}
