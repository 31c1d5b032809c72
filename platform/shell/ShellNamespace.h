#pragma once
// The entry points of the namespace: the desktop folder, special folders by CSIDL, the
// file-system path of an ID list and the text of an HRESULT. Folders and lists come out with one
// reference or one owner for the caller, as the Windows calls hand them out.

#include "BytePath.h"
#include "ShellInterfaces.h"

#include <string>

namespace win32 {

HRESULT SHGetDesktopFolder(IShellFolder_NRC** folder);

// The special folder `csidl` as a new absolute list. E_INVALIDARG for a folder this system does
// not have; the file-system error when it has one but the folder does not exist.
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, PIDLIST* pidl);

} // namespace win32

namespace sondrel::platform {

// The file-system path of an absolute list (bytes; any length the system allows). False for
// items outside the file system ("Computer", the trash) and for lists that lead nowhere.
[[nodiscard]] bool GetPathFromIdList(win32::PCIDLIST pidl, BytePath& path);

// The system text of an HRESULT ("\r\n" at the end, as Windows' system texts have).
[[nodiscard]] std::string HResultText(win32::HRESULT hr);

} // namespace sondrel::platform
