#pragma once
// The movable global memory blocks that clipboard and drag-and-drop data travel in, and the
// registry of named clipboard formats, as the Win32 calls hand them out. A block knows its size;
// locking gives its bytes (the block never moves here, so a lock is only a pointer).

#include "ShellTypes.h"

#include <cstddef>

namespace win32 {

using HGLOBAL = void*;

constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// A new block of `bytes` (always zero-filled); null when it cannot be had.
[[nodiscard]] HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
[[nodiscard]] std::size_t GlobalSize(HGLOBAL block);
[[nodiscard]] void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
// Frees the block; null on success, as Windows answers.
HGLOBAL GlobalFree(HGLOBAL block);

// A format number (0xC000 and up) for a name, the same for the same name (ignoring case) for
// the process's life; 0 for an empty name.
[[nodiscard]] UINT RegisterClipboardFormatA(LPCSTR name);
} // namespace win32
