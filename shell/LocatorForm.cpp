#include "LocatorForm.h"

#include "IdListFormat.h"

namespace sondrel::shell::locatorform {

ParseResult Parse(const unsigned char* data, std::size_t size, StoredLocator& out)
{
    out = StoredLocator {};
    if (size < 1)
        return ParseResult::EndedEarly;
    if (data[0] != 0) {
        if (size < 2)
            return ParseResult::EndedEarly;
        if (data[1] > kLastCsidl || size > 2)
            return ParseResult::Invalid;
        out.BySpecialFolder = true;
        out.Csidl = data[1];
        return ParseResult::Ok;
    }
    if (size < 5)
        return ParseResult::EndedEarly;
    const std::size_t length = static_cast<std::size_t>(data[1])
        | static_cast<std::size_t>(data[2]) << 8 | static_cast<std::size_t>(data[3]) << 16
        | static_cast<std::size_t>(data[4]) << 24;
    if (length > size - 5)
        return ParseResult::EndedEarly;
    if (length < size - 5)
        return ParseResult::Invalid;
    if (length > 0 && idlist::CheckedListSize(data + 5, length) != length)
        return ParseResult::Invalid;
    out.List.assign(reinterpret_cast<const char*>(data + 5), length);
    return ParseResult::Ok;
}

std::string Write(const StoredLocator& locator)
{
    std::string out;
    if (locator.BySpecialFolder) {
        out += '\1';
        out += static_cast<char>(locator.Csidl);
        return out;
    }
    out += '\0';
    const auto length = static_cast<std::uint32_t>(locator.List.size());
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(length >> (8 * i));
    out += locator.List;
    return out;
}

} // namespace sondrel::shell::locatorform
