#include "ShellNamespace.h"

#include "ShellAllocator.h"
#include "ShellEnvironment.h"
#include "ShellFolder.h"
#include "ShellItems.h"
#include "Win32Error.h"

#include <cerrno>

#include <sys/stat.h>

namespace win32 {

using namespace sondrel::platform;
using sondrel::idlist::EncodeItem;
using sondrel::idlist::Kind;

HRESULT SHGetDesktopFolder(IShellFolder_NRC** folder)
{
    if (folder == nullptr)
        return E_INVALIDARG;
    *folder = ShellFolder::Create(DesktopLocation(), {});
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND /*owner*/, int csidl, PIDLIST* pidl)
{
    if (pidl == nullptr)
        return E_INVALIDARG;
    *pidl = nullptr;
    const ShellEnvironment& env = CurrentEnvironment();
    std::string items;
    sondrel::BytePath path;
    switch (csidl) {
    case CSIDL_DESKTOP:
        break;
    case CSIDL_PROFILE:
        items = EncodeItem(Kind::Home, 0, {});
        break;
    case CSIDL_DRIVES:
        items = EncodeItem(Kind::Computer, 0, {});
        break;
    case CSIDL_BITBUCKET:
        items = EncodeItem(Kind::Trash, 0, {});
        break;
    case CSIDL_DESKTOPDIRECTORY:
        if (!env.SeparateDesktop)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        path = env.Desktop;
        break;
    case CSIDL_PERSONAL:
        path = env.Documents;
        break;
    case CSIDL_MYPICTURES:
        path = env.Pictures;
        break;
    case CSIDL_TEMPLATES:
        path = env.Templates;
        break;
    case CSIDL_APPDATA:
        path = env.ConfigHome;
        break;
    case CSIDL_LOCAL_APPDATA:
        path = env.DataHome;
        break;
    case CSIDL_SENDTO:
        path = SendToFolder();
        break;
    default:
        return E_INVALIDARG;
    }
    if (!path.empty() || (csidl != CSIDL_DESKTOP && items.empty())) {
        if (path.empty() || !IsFolder(path))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        const HRESULT hr = ParseAbsolutePath(path, items);
        if (FAILED(hr))
            return hr;
    }
    *pidl = MakeIdList(items);
    return *pidl ? S_OK : E_OUTOFMEMORY;
}

} // namespace win32

namespace sondrel::platform {

bool GetPathFromIdList(win32::PCIDLIST pidl, BytePath& path)
{
    path.clear();
    const auto at = ResolveAbsolute(pidl);
    if (!at || !at->HasPath)
        return false;
    path = at->Path;
    return true;
}

std::string HResultText(win32::HRESULT hr)
{
    using namespace win32;
    const auto bits = static_cast<std::uint32_t>(hr);
    if ((bits & 0xFFFF0000u) == 0x80070000u)
        return SystemMessageText(bits & 0xFFFFu);
    switch (hr) {
    case S_OK:
        return "The operation completed successfully.\r\n";
    case E_NOTIMPL:
        return "Not implemented\r\n";
    case E_NOINTERFACE:
        return "No such interface supported\r\n";
    case E_POINTER:
        return "Invalid pointer\r\n";
    case E_ABORT:
        return "Operation aborted\r\n";
    case E_FAIL:
        return "Unspecified error\r\n";
    case E_UNEXPECTED:
        return "Catastrophic failure\r\n";
    default:
        return SystemMessageText(bits);
    }
}

} // namespace sondrel::platform
