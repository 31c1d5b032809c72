#pragma once
// One stream of one file: its backup header, its cut name and, in a listing, the first bytes of
// its content. Heap-allocated, one per stream; owned by whoever shows it.

#include "BackupApi.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace sondrel::streams {

// The most of a stream that is ever loaded and shown.
constexpr std::uint32_t kStreamDataCap = 16777216;
// Where the truncation marker goes in a capped buffer, and what it says.
constexpr std::uint32_t kTruncationMarkerOffset = kStreamDataCap - 40;
inline constexpr char kTruncationMarker[] = "**data after 16MB has been truncated**";
// The most content one listing loads in total; streams beyond it are listed but not loaded.
constexpr std::uint64_t kListingLoadCap = 64ull * 1024 * 1024;

struct StreamInfo
{
    win32::WIN32_STREAM_ID Header;
    // The name between its first two colons; held whole, however long.
    std::u16string Name;
    // The first min(Size, 16 MB) bytes of the content, or fewer when they could not be read;
    // null in counting and when nothing was loaded.
    std::unique_ptr<std::uint8_t[]> Data;
    // How many bytes of Data were read: the dump shows these and no others.
    std::uint32_t DataLength = 0;
    // Why Data holds less than min(Size, 16 MB), for the user; empty when it holds all of it.
    std::string ReadError;

    [[nodiscard]] std::uint64_t Size() const
    {
        return static_cast<std::uint64_t>(Header.Size.QuadPart);
    }
    // The bytes a complete read would have loaded.
    [[nodiscard]] std::uint32_t CappedSize() const
    {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(Size(), kStreamDataCap));
    }
};

} // namespace sondrel::streams
