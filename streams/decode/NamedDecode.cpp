#include "NamedDecode.h"

#include "DecodeText.h"

#include <string_view>
#include <utility>
#include <vector>

namespace sondrel::streams::decode {

namespace {

    // The text's lines, without their line breaks.
    std::vector<std::string_view> Lines(std::string_view text)
    {
        std::vector<std::string_view> lines;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines.push_back(line);
            if (end == std::string_view::npos)
                break;
            text.remove_prefix(end + 1);
        }
        return lines;
    }

    std::string_view Trim(std::string_view s)
    {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        return s;
    }

    std::string ZoneName(std::string_view id)
    {
        if (id == "0")
            return "0: this computer";
        if (id == "1")
            return "1: local intranet";
        if (id == "2")
            return "2: trusted sites";
        if (id == "3")
            return "3: Internet";
        if (id == "4")
            return "4: restricted sites";
        return std::string(id);
    }

    // The key=value pairs of a Zone.Identifier, in order; false when the text has no
    // [ZoneTransfer] section.
    bool ZoneEntries(
        std::string_view text, std::vector<std::pair<std::string, std::string>>& entries)
    {
        bool inSection = false;
        bool seen = false;
        for (std::string_view line : Lines(text)) {
            line = Trim(line);
            if (line.empty() || line[0] == ';')
                continue;
            if (line.front() == '[') {
                inSection = line == "[ZoneTransfer]";
                seen = seen || inSection;
                continue;
            }
            const std::size_t eq = line.find('=');
            if (!inSection || eq == std::string_view::npos)
                continue;
            entries.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
        }
        return seen;
    }

    std::string_view StripUser(std::string_view name)
    {
        return name.starts_with("user.") ? name.substr(5) : name;
    }

    void TextRows(const TText& text, TDecoded& out)
    {
        out.Add(0, "Encoding", text.Encoding);
        const std::vector<std::string_view> lines = Lines(text.Utf8);
        out.Add(0, "Lines", std::to_string(lines.size()));
        constexpr std::size_t kMostLines = 1000;
        for (std::size_t i = 0; i < lines.size() && i < kMostLines; ++i)
            out.Add(0, "Line " + std::to_string(i + 1), std::string(lines[i]));
        if (lines.size() > kMostLines)
            out.Add(0, "…", std::to_string(lines.size() - kMostLines) + " more lines in the dump");
    }

    std::string OneLine(const TText& text)
    {
        std::string_view s = text.Utf8;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.remove_suffix(1);
        return std::string(s);
    }

} // namespace

void DecodeNamedStream(const TStreamBytes& stream, TDecoded& out)
{
    const std::string_view name = StripUser(stream.Name);
    const std::optional<TText> text = AsText(stream.Bytes, stream.Length);
    auto needText = [&](const char* form) {
        out.Form = form;
        if (!text)
            out.Refusal = stream.Length == 0 ? "it is empty" : "it is not text";
        return text.has_value();
    };
    if (name == "Zone.Identifier") {
        if (!needText("Download zone"))
            return;
        std::vector<std::pair<std::string, std::string>> entries;
        if (!ZoneEntries(text->Utf8, entries)) {
            out.Refusal = "it has no [ZoneTransfer] section";
            return;
        }
        for (const auto& [key, value] : entries) {
            if (key == "ZoneId")
                out.Add(0, "Zone", ZoneName(value));
            else if (key == "ReferrerUrl")
                out.Add(0, "Referrer URL", value);
            else if (key == "HostUrl")
                out.Add(0, "Host URL", value);
            else if (key == "HostIpAddress")
                out.Add(0, "Host address", value);
            else
                out.Add(0, key, value);
        }
    } else if (name == "xdg.origin.url" || name == "xdg.referrer.url") {
        if (needText(name == "xdg.origin.url" ? "Origin" : "Referrer"))
            out.Add(0, name == "xdg.origin.url" ? "Origin URL" : "Referrer URL", OneLine(*text));
    } else if (name == "xdg.origin.email.from" || name == "xdg.origin.email.subject") {
        if (needText("Origin"))
            out.Add(0, name.ends_with("from") ? "Sender" : "Subject", OneLine(*text));
    } else if (name == "xdg.comment") {
        if (needText("Comment"))
            out.Add(0, "Comment", OneLine(*text));
    } else if (name == "xdg.tags") {
        if (!needText("Tags"))
            return;
        std::string_view rest = text->Utf8;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view tag = Trim(rest.substr(0, comma));
            if (!tag.empty())
                out.Add(0, "Tag", std::string(tag));
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    } else if (name == "mime_type") {
        if (needText("MIME type"))
            out.Add(0, "MIME type", OneLine(*text));
    } else if (name.starts_with("checksum.")) {
        out.Form = "Checksum";
        out.Add(0, "Algorithm", std::string(name.substr(9)));
        out.Add(0, "Value", text ? OneLine(*text) : HexBytes(stream.Bytes, stream.Length));
    } else if (text) {
        out.Form = "Text";
        TextRows(*text, out);
    }
}

std::string OriginOf(const std::string& streamName, const std::uint8_t* bytes, std::size_t length)
{
    const std::string_view name = StripUser(streamName);
    const std::optional<TText> text = AsText(bytes, length);
    if (!text)
        return {};
    if (name == "xdg.origin.url")
        return OneLine(*text);
    if (name != "Zone.Identifier")
        return {};
    std::vector<std::pair<std::string, std::string>> entries;
    (void)ZoneEntries(text->Utf8, entries);
    std::string referrer;
    for (const auto& [key, value] : entries) {
        if (key == "HostUrl" && !value.empty())
            return value;
        if (key == "ReferrerUrl")
            referrer = value;
    }
    return referrer;
}

} // namespace sondrel::streams::decode
