#pragma once
// The system's class-id parser: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in hexadecimal digits of
// either case, and the text of a class id in the same form.

#include "ShellTypes.h"

#include <string>

namespace win32 {

using CLSID = GUID;

constexpr HRESULT NOERROR = S_OK;
constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3);

// CO_E_CLASSSTRING (and a zero id) for any text that is not exactly a braced class id.
HRESULT CLSIDFromString(const WCHAR* text, CLSID* id);

} // namespace win32

namespace sondrel::platform {

// "{00021401-0000-0000-C000-000000000046}", upper case.
[[nodiscard]] std::string ClassIdText(const win32::GUID& id);

} // namespace sondrel::platform
