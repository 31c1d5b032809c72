#pragma once
// A read-only stand-in for the registry: keys and values come from one text file, and whatever
// the file does not hold reads as absent, so callers fall back to their defaults. Nothing is ever
// written.
//
// The file is found through the environment variable SONDREL_REGISTRY, else at
// $XDG_CONFIG_HOME/sondrel/registry (~/.config when XDG_CONFIG_HOME is unset); a missing file is an
// empty registry. It is read again each time a root key is opened, so an open key sees one
// consistent snapshot. Its format, a plain subset of the exported-registry text:
//
//   # a comment (also ';'); blank lines are ignored
//   [HKEY_CLASSES_ROOT\.txt]               a key: root, then the path ("HKCR", "HKCU", "HKLM",
//   @="txtfile"                            "HKU" may stand for the root); "@" is the default value
//   "Content Type"="text/plain"            a string (REG_SZ); \" and \\ escape inside quotes
//   "Count"=dword:0000000a                 a 32-bit number in hexadecimal (REG_DWORD)
//   "DirectoryCols"=hex:0a,00,ff           bytes (REG_BINARY)
//
// Key and value names compare without regard to ASCII case, as the Windows registry compares
// them. A key exists when a section names it or any key below it. Lines that do not parse are
// skipped, each on its own.

#include "Win32Error.h"
#include "Win32Types.h"

#include <string>

namespace win32 {

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t { 0x80000000 });
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t { 0x80000001 });
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t { 0x80000002 });
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t { 0x80000003 });

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
// Any of these asks for a change, which a read-only registry refuses.
constexpr REGSAM kRegistryWriteAccess = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr LONG ERROR_MORE_DATA = 234;

// Opens `subKey` (null or empty: the key itself again) below `key`. ERROR_FILE_NOT_FOUND when
// the key does not exist, ERROR_ACCESS_DENIED when `desired` asks for write access,
// ERROR_INVALID_HANDLE for a key that is not open.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, HKEY* result);

// Windows' contract: with `data` null only the size is answered; a buffer smaller than the value
// gets ERROR_MORE_DATA and the size needed. A string's size counts its terminating zero. `name`
// null or empty is the key's default value. ERROR_FILE_NOT_FOUND for a value the key lacks.
LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);

LONG RegCloseKey(HKEY key);

} // namespace win32

namespace sondrel::platform {

// Points the registry at `file` (a test's own); an empty path returns to the usual place.
void SetRegistryFile(const std::string& file);

} // namespace sondrel::platform
