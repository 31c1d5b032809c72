#pragma once
// The shell allocator: one process-wide IMalloc from which every item ID list and every name a
// folder hands out (STRRET_WSTR) is allocated, and to which its receiver frees it. Blocks are
// ordinary heap blocks, so any thread may use it.

#include "ShellInterfaces.h"

#include <string_view>

namespace win32 {

// The allocator with one more reference for the caller (who may, but need not, release it).
HRESULT SHGetMalloc(IMalloc_NRC** allocator);

} // namespace win32

namespace sondrel::platform {

// The allocator itself; it lives as long as the process.
[[nodiscard]] win32::IMalloc_NRC& ShellAllocator();

// A new list in the shell allocator: `items` (the bytes of whole items) and a terminator.
// Null when memory runs out.
[[nodiscard]] win32::PIDLIST MakeIdList(std::string_view items);

// The bytes of a trusted list without its terminator; empty for null.
[[nodiscard]] std::string_view IdListItems(win32::PCIDLIST list);

} // namespace sondrel::platform
