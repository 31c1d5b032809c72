#include "TextHelpers.h"

#include "MessageFormat.h"

namespace sondrel::shell {

namespace {

    // Bytes of the character that starts at s[at]: a whole UTF-8 sequence, else 1.
    std::size_t CharLength(const std::string& s, std::size_t at)
    {
        const auto lead = static_cast<unsigned char>(s[at]);
        std::size_t length = 1;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        }
        if (length == 1 || at + length > s.size())
            return 1;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(s[at + i]);
            if ((next & 0xC0) != 0x80)
                return 1;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are no characters.
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)))
            || (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return 1;
        return length;
    }

    // Where the last character of `s` starts (s not empty).
    std::size_t LastCharStart(const std::string& s)
    {
        const std::size_t size = s.size();
        for (std::size_t back = 2; back <= 4 && back <= size; ++back)
            if (CharLength(s, size - back) == back)
                return size - back;
        return size - 1;
    }

} // namespace

std::string FormatStrPos(const std::string& format, const std::vector<std::string>& strings)
{
    if (format.empty())
        return {};
    if (strings.size() > kMaxSubstitutionStrings)
        throw EFormatStrPosError("FormatStrPos: Too many substitution strings");
    std::vector<const char*> pointers;
    pointers.reserve(strings.size());
    for (const std::string& s : strings)
        pointers.push_back(s.c_str());
    std::string out;
    if (!platform::FormatMessageFromString(format, pointers.data(), pointers.size(), out))
        return {};
    return out;
}

std::string EnsureTrailingCharDB(const std::string& s, char c)
{
    if (s.empty())
        return s;
    const std::size_t last = LastCharStart(s);
    if (last == s.size() - 1 && s.back() == c)
        return s;
    return s + c;
}

std::string TrimRightDB(const std::string& s)
{
    // Bytes 0..32 never occur inside a UTF-8 sequence, so a trailing one is a character.
    std::size_t end = s.size();
    while (end > 0 && static_cast<unsigned char>(s[end - 1]) <= 32)
        --end;
    return s.substr(0, end);
}

void CopyCharDB(std::size_t& pos, const std::string& s, std::string& dest)
{
    if (pos < 1 || pos > s.size())
        return;
    const std::size_t length = CharLength(s, pos - 1);
    dest.append(s, pos - 1, length);
    pos += length;
}

void ParametizeCmdLineDB(const std::string& line, std::vector<std::string>& list)
{
    enum class State { Between, Plain, Quoted };
    State state = State::Between;
    std::string word;
    auto finish = [&] {
        std::string trimmed = TrimRightDB(word);
        if (!trimmed.empty())
            list.push_back(std::move(trimmed));
        word.clear();
    };
    std::size_t pos = 1;
    while (pos <= line.size()) {
        const char c = line[pos - 1];
        switch (state) {
        case State::Between:
            if (c == ' ' || c == '\t') {
                ++pos;
            } else if (c == '"') {
                state = State::Quoted;
                ++pos;
            } else {
                state = State::Plain;
                CopyCharDB(pos, line, word);
            }
            break;
        case State::Plain:
            if (c == ' ' || c == '\t' || c == '"') {
                finish();
                state = c == '"' ? State::Quoted : State::Between;
                ++pos;
            } else {
                CopyCharDB(pos, line, word);
            }
            break;
        case State::Quoted:
            // A quote byte is always a character of its own in UTF-8.
            if (c == '"') {
                finish();
                state = State::Between;
                ++pos;
            } else {
                CopyCharDB(pos, line, word);
            }
            break;
        }
    }
    finish();
}

} // namespace sondrel::shell
