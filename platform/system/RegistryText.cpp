#include "RegistryText.h"

#include "Registry.h"

#include <sstream>

namespace sondrel::platform::registry {

using namespace win32;

std::string LowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}
namespace {

    std::string CanonicalRoot(std::string_view root)
    {
        const std::string lower = LowerAscii(root);
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
} // namespace

Hive ParseRegistryText(std::string_view text)
{
    Hive parsed;
    Hive* hive = &parsed;
    std::istringstream in { std::string(text) };
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
                = slash == std::string_view::npos ? std::string() : LowerAscii(path.substr(slash));
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
            (*key)[LowerAscii(name)] = value;
    }
    return parsed;
}
} // namespace sondrel::platform::registry
