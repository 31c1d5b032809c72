#include "VersionResource.h"

#include "CodePage.h"
#include "ElfSection.h"
#include "Win32Error.h"

#include <cstring>

namespace sondrel::platform {

const char* ProgramFileName() { return "/proc/self/exe"; }

} // namespace sondrel::platform

namespace win32 {

namespace {

    using sondrel::platform::ElfSectionError;

    // A version block is at most 64 KiB by its 16-bit length.
    constexpr std::size_t kMaxBlock = 0xFFFF;
    // Marks the end of a block copied by GetFileVersionInfoA, which is followed by the room for
    // string copies.
    constexpr DWORD kTrailerMagic = 0x31585653; // "SVX1"

    [[nodiscard]] std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t { 3 }; }

    // One UTF-16 unit becomes at most three UTF-8 bytes, so the copy of a value at block offset o
    // fits at o * 3 / 2 in the room without reaching the copy of the next value.
    [[nodiscard]] std::size_t RoomSize(std::size_t blockSize)
    {
        return Align4(blockSize) * 3 / 2 + 4;
    }

    struct Trailer
    {
        DWORD Magic;
        DWORD RoomSize;
    };

    [[nodiscard]] std::size_t BufferSize(std::size_t blockSize)
    {
        return Align4(blockSize) + sizeof(Trailer) + RoomSize(blockSize);
    }

    // Reads the block of `fileName`; false with the last error set when there is none to read.
    bool ReadBlock(LPCSTR fileName, std::vector<std::uint8_t>& block)
    {
        if (!fileName) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const sondrel::platform::ElfSectionResult result = sondrel::platform::ReadElfSection(
            fileName, sondrel::platform::kVersionSection, kMaxBlock + 4, block);
        switch (result.Error) {
        case ElfSectionError::None:
            break;
        case ElfSectionError::CannotOpen:
            SetLastError(Win32ErrorFromErrno(result.Errno));
            return false;
        case ElfSectionError::NotElf:
            SetLastError(ERROR_BAD_FORMAT);
            return false;
        case ElfSectionError::NoSuchSection:
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return false;
        case ElfSectionError::TooLarge:
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        // The section may be padded after the block; the block's own length is what counts.
        if (block.size() < 2) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        const std::size_t length = block[0] | block[1] << 8;
        if (length > block.size()
            || !sondrel::platform::FindVersionValue(std::span(block.data(), length), "\\")) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        block.resize(length);
        return true;
    }

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle)
{
    if (handle)
        *handle = 0;
    std::vector<std::uint8_t> block;
    if (!ReadBlock(fileName, block))
        return 0;
    return static_cast<DWORD>(BufferSize(block.size()));
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data)
{
    std::vector<std::uint8_t> block;
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!ReadBlock(fileName, block))
        return FALSE;
    if (length < BufferSize(block.size())) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* out = static_cast<std::uint8_t*>(data);
    std::memset(out, 0, BufferSize(block.size()));
    std::memcpy(out, block.data(), block.size());
    const Trailer trailer { kTrailerMagic, static_cast<DWORD>(RoomSize(block.size())) };
    std::memcpy(out + Align4(block.size()), &trailer, sizeof trailer);
    return TRUE;
}

BOOL VerQueryValueA(const void* block, LPCSTR subBlock, LPVOID* buffer, UINT* length)
{
    if (!block || !subBlock || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // GetFileVersionInfoA made this buffer: its block's length is as checked when it was read,
    // and the room for string copies follows the trailer. Writing those copies into the
    // caller's buffer is what the Windows call does too.
    auto* bytes = static_cast<std::uint8_t*>(const_cast<void*>(block));
    const std::size_t blockSize = bytes[0] | bytes[1] << 8;
    const std::span<const std::uint8_t> data(bytes, blockSize);
    const std::optional<sondrel::platform::VersionValue> value
        = sondrel::platform::FindVersionValue(data, subBlock);
    if (!value) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (!value->IsText) {
        *buffer = bytes + value->Offset;
        if (length)
            *length = static_cast<UINT>(value->Size);
        return TRUE;
    }
    Trailer trailer;
    std::memcpy(&trailer, bytes + Align4(blockSize), sizeof trailer);
    if (trailer.Magic != kTrailerMagic || trailer.RoomSize != RoomSize(blockSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string text = WideToAnsi(sondrel::platform::VersionText(data, *value));
    const std::size_t at = value->Offset * 3 / 2;
    if (at > trailer.RoomSize || text.size() + 1 > trailer.RoomSize - at) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    char* copy = reinterpret_cast<char*>(bytes + Align4(blockSize) + sizeof trailer + at);
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *buffer = copy;
    if (length)
        *length = static_cast<UINT>(text.size() + 1);
    return TRUE;
}

} // namespace win32
