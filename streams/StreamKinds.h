#pragma once
// The stream kinds (backup stream ids), the image that shows each and the name that says it.

#include "StreamInfo.h"
#include "Win32Types.h"

#include <string>

namespace sondrel::streams {

constexpr int kStreamImageCount = 10;

// Ids 1 to 9 pick images 0 to 8; every other id the last image, 9.
[[nodiscard]] constexpr int StreamImageIndex(win32::DWORD streamId)
{
    return streamId >= 1 && streamId <= 9 ? static_cast<int>(streamId) - 1 : 9;
}

// What a stream is, for people: "Main data", "Security descriptor", "Named stream", ... A sparse
// block whose offset was loaded says where it lies: "Sparse block at 65536".
[[nodiscard]] std::string StreamKindName(const StreamInfo& info);

} // namespace sondrel::streams
