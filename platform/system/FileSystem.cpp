#include "FileSystem.h"

#include "Win32Error.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

BOOL CreateDirectoryA(LPCSTR path, void* security)
{
    if (path == nullptr || *path == '\0' || security != nullptr) {
        SetLastError(
            path == nullptr || *path == '\0' ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // mkdir refuses an existing name of any kind, link or file: nothing is ever replaced.
    if (::mkdir(path, 0777) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    std::string path(256, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) {
            SetLastError(Win32ErrorFromErrno(errno));
            return 0;
        }
        path.resize(path.size() * 2);
    }
    path.resize(std::strlen(path.c_str()));
    if (buffer == nullptr || size <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

} // namespace win32
