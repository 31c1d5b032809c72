#pragma once
// The stream kinds (backup stream ids) and the image that shows each.

#include "Win32Types.h"

namespace sondrel::streams {

constexpr int kStreamImageCount = 10;

// Ids 1 to 9 pick images 0 to 8; every other id the last image, 9.
[[nodiscard]] constexpr int StreamImageIndex(win32::DWORD streamId)
{
    return streamId >= 1 && streamId <= 9 ? static_cast<int>(streamId) - 1 : 9;
}

} // namespace sondrel::streams
