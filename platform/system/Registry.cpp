#include "Registry.h"

#include "Win32Error.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>

struct win32::HKEY__
{
    std::shared_ptr<const void> Hive;
    std::string Path; // lower case, root first: "hkey_classes_root\.txt"
};

namespace {

using namespace win32;

struct Value
{
    DWORD Type = REG_NONE;
    std::string Bytes;
};

struct Hive
{
    // Keys by their lower-case path; value names lower case, "" for the default value.
    std::map<std::string, std::map<std::string, Value>> Keys;
};

std::mutex s_mutex;
std::string s_file;
bool s_fileSet = false;
std::set<const HKEY__*> s_open;

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

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

std::string CanonicalRoot(std::string_view root)
{
    const std::string lower = Lower(root);
    if (lower == "hkcr")
        return "hkey_classes_root";
    if (lower == "hkcu")
        return "hkey_current_user";
    if (lower == "hklm")
        return "hkey_local_machine";
    if (lower == "hku")
        return "hkey_users";
    return lower;
}

// A quoted string at `at` (on the opening quote); advances past the closing quote.
bool ParseQuoted(std::string_view line, std::size_t& at, std::string& out)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    for (++at; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at >= line.size())
                return false;
        }
        out += line[at];
    }
    return false;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseData(std::string_view text, Value& value)
{
    if (text.starts_with('"')) {
        std::size_t at = 0;
        std::string s;
        if (!ParseQuoted(text, at, s) || at != text.size())
            return false;
        value = { REG_SZ, s };
        return true;
    }
    if (text.starts_with("dword:")) {
        text.remove_prefix(6);
        if (text.empty() || text.size() > 8)
            return false;
        DWORD number = 0;
        for (const char c : text) {
            const int digit = HexDigit(c);
            if (digit < 0)
                return false;
            number = number << 4 | static_cast<DWORD>(digit);
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>(number >> (8 * i));
        value = { REG_DWORD, bytes };
        return true;
    }
    if (text.starts_with("hex:")) {
        text.remove_prefix(4);
        std::string bytes;
        while (!text.empty()) {
            if (text.size() < 2 || HexDigit(text[0]) < 0 || HexDigit(text[1]) < 0)
                return false;
            bytes += static_cast<char>(HexDigit(text[0]) << 4 | HexDigit(text[1]));
            text.remove_prefix(2);
            if (!text.empty()) {
                if (text[0] != ',' || text.size() == 1)
                    return false;
                text.remove_prefix(1);
            }
        }
        value = { REG_BINARY, bytes };
        return true;
    }
    return false;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::shared_ptr<const Hive> LoadHive()
{
    auto hive = std::make_shared<Hive>();
    std::ifstream in(RegistryFile(), std::ios::binary);
    std::string raw;
    std::map<std::string, Value>* key = nullptr;
    while (std::getline(in, raw)) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            key = nullptr;
            if (line.back() != ']' || line.size() < 3)
                continue;
            const std::string_view path = line.substr(1, line.size() - 2);
            const std::size_t slash = path.find('\\');
            const std::string root = CanonicalRoot(path.substr(0, slash));
            std::string rest
                = slash == std::string_view::npos ? std::string() : Lower(path.substr(slash));
            while (rest.ends_with('\\'))
                rest.pop_back();
            key = &hive->Keys[root + rest];
            continue;
        }
        if (key == nullptr)
            continue;
        std::string name;
        std::size_t at = 0;
        if (line.front() == '@') {
            at = 1;
        } else if (!ParseQuoted(line, at, name)) {
            continue;
        }
        const std::size_t equals = line.find_first_not_of(" \t", at);
        if (equals == std::string_view::npos || line[equals] != '=')
            continue;
        Value value;
        if (ParseData(Trim(line.substr(equals + 1)), value))
            (*key)[Lower(name)] = value;
    }
    return hive;
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
        path += '\\' + Lower(sub);
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
    const auto value = at->second.find(Lower(name ? name : ""));
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
