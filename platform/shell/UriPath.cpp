#include "UriPath.h"

namespace sondrel::platform {

namespace {

    int HexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

} // namespace

std::string PercentEncodePath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')
            || (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.'
            || byte == '~' || byte == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

BytePath PercentDecode(std::string_view text)
{
    BytePath out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0
            && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FileUri(std::string_view path) { return "file://" + PercentEncodePath(path); }

std::optional<BytePath> PathFromFileUri(std::string_view uri)
{
    constexpr std::string_view kLocal = "file://";
    constexpr std::string_view kLocalHost = "file://localhost/";
    std::string_view rest;
    if (uri.starts_with(kLocalHost))
        rest = uri.substr(kLocalHost.size() - 1);
    else if (uri.starts_with(kLocal) && uri.substr(kLocal.size()).starts_with('/'))
        rest = uri.substr(kLocal.size());
    else
        return std::nullopt;
    // A query or fragment has no place in a local file's URI.
    if (rest.find_first_of("?#") != std::string_view::npos)
        return std::nullopt;
    BytePath path = PercentDecode(rest);
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

} // namespace sondrel::platform
