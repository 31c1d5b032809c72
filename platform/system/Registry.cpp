#include "Registry.h"

#include "RegistryText.h"
#include "SafeOpen.h"
#include "Win32Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>

#include <unistd.h>

struct win32::HKEY__
{
    std::shared_ptr<const void> Hive;
    std::string Path; // lower case, root first: "hkey_classes_root\.txt"
};

namespace {

using namespace win32;

using Value = sondrel::platform::registry::Value;
using Hive = sondrel::platform::registry::Hive;
using sondrel::platform::registry::LowerAscii;

std::mutex s_mutex;
std::string s_file;
bool s_fileSet = false;
std::set<const HKEY__*> s_open;

std::string RegistryFile()
{
    {
        std::lock_guard lock(s_mutex);
        if (s_fileSet)
            return s_file;
    }
    if (const char* file = std::getenv("SONDREL_REGISTRY"); file && *file)
        return file;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/sondrel/registry";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/sondrel/registry";
    return {};
}

const char* RootName(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT)
        return "hkey_classes_root";
    if (key == HKEY_CURRENT_USER)
        return "hkey_current_user";
    if (key == HKEY_LOCAL_MACHINE)
        return "hkey_local_machine";
    if (key == HKEY_USERS)
        return "hkey_users";
    return nullptr;
}

// The file's text; empty for anything but a regular file, which is opened without blocking, so
// that a FIFO or device put in its place never stalls (nor is opened by) whatever reads it.
std::string ReadRegistryText(const std::string& path)
{
    constexpr std::size_t kMaxRegistryFile = 16 << 20;
    sondrel::platform::OpenedItem opened;
    if (path.empty() || sondrel::platform::OpenForReading(path, true, opened) != 0
        || !S_ISREG(opened.Stat().st_mode))
        return {};
    std::string text;
    char chunk[8192];
    for (;;) {
        const ssize_t got = ::read(opened.Fd(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kMaxRegistryFile)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

std::shared_ptr<const Hive> LoadHive()
{
    return std::make_shared<Hive>(
        sondrel::platform::registry::ParseRegistryText(ReadRegistryText(RegistryFile())));
}

const Hive& HiveOf(const HKEY__& key) { return *static_cast<const Hive*>(key.Hive.get()); }

bool KeyExists(const Hive& hive, const std::string& path)
{
    const auto at = hive.Keys.lower_bound(path);
    if (at == hive.Keys.end())
        return false;
    return at->first == path
        || (at->first.size() > path.size() && at->first.starts_with(path)
            && at->first[path.size()] == '\\');
}

HKEY__* OpenedKey(HKEY key)
{
    std::lock_guard lock(s_mutex);
    return s_open.contains(key) ? key : nullptr;
}

} // namespace

namespace win32 {

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, HKEY* result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if ((desired & kRegistryWriteAccess) != 0)
        return ERROR_ACCESS_DENIED;
    std::shared_ptr<const void> hive;
    std::string path;
    if (const char* root = RootName(key)) {
        hive = LoadHive();
        path = root;
    } else if (const HKEY__* open = OpenedKey(key)) {
        hive = open->Hive;
        path = open->Path;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    std::string_view sub = subKey ? subKey : "";
    while (sub.starts_with('\\'))
        sub.remove_prefix(1);
    while (sub.ends_with('\\'))
        sub.remove_suffix(1);
    if (!sub.empty())
        path += '\\' + LowerAscii(sub);
    if (!KeyExists(*static_cast<const Hive*>(hive.get()), path))
        return ERROR_FILE_NOT_FOUND;
    auto* opened = new HKEY__ { std::move(hive), std::move(path) };
    std::lock_guard lock(s_mutex);
    s_open.insert(opened);
    *result = opened;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size)
{
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    const HKEY__* open = OpenedKey(key);
    std::shared_ptr<const void> rootHive;
    std::string path;
    if (open) {
        path = open->Path;
    } else if (const char* root = RootName(key)) {
        rootHive = LoadHive();
        path = root;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    const Hive& hive = open ? HiveOf(*open) : *static_cast<const Hive*>(rootHive.get());
    const auto at = hive.Keys.find(path);
    if (at == hive.Keys.end())
        return ERROR_FILE_NOT_FOUND;
    const auto value = at->second.find(LowerAscii(name ? name : ""));
    if (value == at->second.end())
        return ERROR_FILE_NOT_FOUND;
    std::string bytes = value->second.Bytes;
    if (value->second.Type == REG_SZ)
        bytes += '\0';
    if (type)
        *type = value->second.Type;
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (data == nullptr) {
        if (size)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (RootName(key))
        return ERROR_SUCCESS;
    std::lock_guard lock(s_mutex);
    if (s_open.erase(key) == 0)
        return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

} // namespace win32

namespace sondrel::platform {

void SetRegistryFile(const std::string& file)
{
    std::lock_guard lock(s_mutex);
    s_file = file;
    s_fileSet = !file.empty();
}

} // namespace sondrel::platform
