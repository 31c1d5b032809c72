#pragma once
// The file-information query: for a path or an absolute ID list, the index of its icon in the
// system image list (small, large, open), its display name, its type name and its attributes.

#include "ShellTypes.h"

namespace win32 {

// With SHGFI_SYSICONINDEX the answer is the system image list (a SystemImageList*, small with
// SHGFI_SMALLICON, else large) and 0 on failure; otherwise non-zero on success. With SHGFI_PIDL
// `path` is an absolute ID list; with SHGFI_USEFILEATTRIBUTES only its name and `attributes`
// (FILE_ATTRIBUTE_DIRECTORY) count and the disk is not asked.
DWORD_PTR SHGetFileInfoA(
    LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize, UINT flags);

} // namespace win32
