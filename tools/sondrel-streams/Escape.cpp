#include "Escape.h"

#include "CodePage.h"

#include <algorithm>

namespace sondrel::tools {

std::string EscapeForLine(std::string_view bytes)
{
    // Most names are ASCII, which every code page keeps as it is: only three characters change.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string out;
        out.reserve(bytes.size());
        for (const char c : bytes) {
            if (c == '\t')
                out += "\\t";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\\')
                out += "\\\\";
            else
                out += c;
        }
        return out;
    }
    // The lossless decoding marks each byte that is not UTF-8 as U+DC80..U+DCFF.
    const std::u16string wide = win32::AnsiToWide(bytes);
    std::string out;
    out.reserve(bytes.size());
    constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t run = 0;
    auto flush = [&](std::size_t end) {
        if (end > run)
            out += win32::WideToAnsi(std::u16string_view(wide).substr(run, end - run));
    };
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        const char* escape = c == u'\t' ? "\\t"
            : c == u'\n'                ? "\\n"
            : c == u'\\'                ? "\\\\"
                                        : nullptr;
        const bool rawByte = c >= 0xDC80 && c <= 0xDCFF
            && !(i > 0 && wide[i - 1] >= 0xD800 && wide[i - 1] <= 0xDBFF);
        if (!escape && !rawByte)
            continue;
        flush(i);
        if (escape) {
            out += escape;
        } else {
            out += "\\x";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        }
        run = i + 1;
    }
    flush(wide.size());
    return out;
}

} // namespace sondrel::tools
