#pragma once
// The shell's COM interfaces as the shell library names them. The declarations themselves are the
// platform's (platform/shell/ShellInterfaces.h), since the namespace that implements them lies
// below this library; here they are brought under the library's names. COM needs no start-up on
// this system, so the unit has nothing to initialise.

#include "ShellInterfaces.h"
#include "ShellTypes.h"

namespace sondrel::shell {

using win32::FAILED;
using win32::HRESULT;
using win32::IContextMenu2_NRC;
using win32::IContextMenu_NRC;
using win32::IDataObject_NRC;
using win32::IDropSource_NRC;
using win32::IDropTarget_NRC;
using win32::IEnumFormatEtc_NRC;
using win32::IEnumIDList_NRC;
using win32::IMalloc_NRC;
using win32::IOleWindow_NRC;
using win32::IShellDetails_NRC;
using win32::IShellFolder2_NRC;
using win32::IShellFolder_NRC;
using win32::IShellLink_NRC;
using win32::IUnknown_NRC;
using win32::SUCCEEDED;

using PItemIDList = win32::ITEMIDLIST*;
using PCItemIDList = const win32::ITEMIDLIST*;
using TStrRet = win32::STRRET;
using TShColInfo = win32::SHELLDETAILS;
using TCMInvokeCommandInfo = win32::CMINVOKECOMMANDINFO;

} // namespace sondrel::shell
