#include "MessageFormat.h"

#include <cstring>

namespace sondrel::platform {

namespace {

    // Bytes of the character starting at `s[at]`: a whole UTF-8 sequence, or 1 for a byte that
    // starts none.
    std::size_t CharLength(std::string_view s, std::size_t at)
    {
        const auto lead = static_cast<unsigned char>(s[at]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead & 0xE0) == 0xC0            ? 2
            : (lead & 0xF0) == 0xE0            ? 3
            : (lead & 0xF8) == 0xF0            ? 4
                                               : 1;
        if (length == 1 || at + length > s.size())
            return 1;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80)
                return 1;
        return length;
    }

    std::size_t CountChars(std::string_view s)
    {
        std::size_t count = 0;
        for (std::size_t at = 0; at < s.size(); at += CharLength(s, at))
            ++count;
        return count;
    }

    std::string_view FirstChars(std::string_view s, std::size_t chars)
    {
        std::size_t at = 0;
        for (; at < s.size() && chars > 0; --chars)
            at += CharLength(s, at);
        return s.substr(0, at);
    }

    // Applies a "[-][width][.precision]s" format to `text`.
    bool ApplyStringFormat(std::string_view conversion, std::string_view text, std::string& out)
    {
        if (conversion.empty() || conversion.back() != 's')
            return false;
        conversion.remove_suffix(1);
        const bool left = conversion.starts_with('-');
        if (left)
            conversion.remove_prefix(1);
        auto number = [&conversion](std::size_t& value) {
            value = 0;
            while (!conversion.empty() && conversion.front() >= '0' && conversion.front() <= '9') {
                value = value * 10 + static_cast<std::size_t>(conversion.front() - '0');
                if (value > 0xFFFF)
                    return false;
                conversion.remove_prefix(1);
            }
            return true;
        };
        std::size_t width = 0;
        std::size_t precision = 0;
        if (!number(width))
            return false;
        const bool hasPrecision = conversion.starts_with('.');
        if (hasPrecision) {
            conversion.remove_prefix(1);
            if (!number(precision))
                return false;
        }
        if (!conversion.empty())
            return false;
        if (hasPrecision)
            text = FirstChars(text, precision);
        const std::size_t chars = CountChars(text);
        const std::string pad(width > chars ? width - chars : 0, ' ');
        out += left ? std::string(text) + pad : pad + std::string(text);
        return true;
    }

} // namespace

bool FormatMessageFromString(
    std::string_view format, const char* const* arguments, std::size_t count, std::string& out)
{
    out.clear();
    std::size_t at = 0;
    while (at < format.size()) {
        const char c = format[at++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (at >= format.size())
            return true; // a lone % at the end stands for nothing
        const char next = format[at++];
        if (next >= '1' && next <= '9') {
            std::size_t position = static_cast<std::size_t>(next - '0');
            if (at < format.size() && format[at] >= '0' && format[at] <= '9')
                position = position * 10 + static_cast<std::size_t>(format[at++] - '0');
            if (position > count || arguments == nullptr || arguments[position - 1] == nullptr)
                return false;
            const std::string_view text = arguments[position - 1];
            std::string_view conversion = "s";
            if (at < format.size() && format[at] == '!') {
                const std::size_t end = format.find('!', at + 1);
                if (end == std::string_view::npos)
                    return false;
                conversion = format.substr(at + 1, end - at - 1);
                at = end + 1;
            }
            if (!ApplyStringFormat(conversion, text, out))
                return false;
            continue;
        }
        switch (next) {
        case '0':
            return true;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += next;
            break;
        }
    }
    return true;
}

} // namespace sondrel::platform
