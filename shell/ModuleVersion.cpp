#include "ModuleVersion.h"

#include "VersionResource.h"

#include <cstring>
#include <vector>

namespace sondrel::shell {

bool GetModuleVersion(const std::string& moduleFile, TPTModuleVersion& version)
{
    const char* file = moduleFile.empty() ? platform::ProgramFileName() : moduleFile.c_str();
    if (file == nullptr)
        return false;
    win32::DWORD handle = 0;
    const win32::DWORD size = win32::GetFileVersionInfoSizeA(file, &handle);
    if (size == 0)
        return false;
    std::vector<char> block(size);
    if (!win32::GetFileVersionInfoA(file, handle, size, block.data()))
        return false;
    void* value = nullptr;
    win32::UINT length = 0;
    if (!win32::VerQueryValueA(block.data(), "\\", &value, &length)
        || length < sizeof(win32::VS_FIXEDFILEINFO))
        return false;
    win32::VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    if (fixed.dwSignature != 0xFEEF04BD)
        return false;
    version.LS = fixed.dwFileVersionLS;
    version.MS = fixed.dwFileVersionMS;
    return true;
}

} // namespace sondrel::shell
