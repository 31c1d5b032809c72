#include "DecodedOutput.h"

#include "DecodeText.h"
#include "Escape.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace sondrel::tools {

namespace {

    using nlohmann::json;

    // Names are bytes; JSON strings are Unicode. A name that is not UTF-8 is written in the
    // companion's escaped form, which says every byte.
    std::string JsonText(const std::string& bytes)
    {
        return streams::decode::IsUtf8(bytes) ? bytes : EscapeForLine(bytes);
    }

    std::string Dump(const json& value)
    {
        return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    }

    json StreamObject(const ListedStream& s)
    {
        json object { { "index", s.Index }, { "kind", s.Kind }, { "size", s.Size },
            { "caption", JsonText(s.Caption) } };
        if (!s.Sha256.empty())
            object["sha256"] = s.Sha256 == "-" ? json(nullptr) : json(s.Sha256);
        return object;
    }

} // namespace

std::string ListedLine(const ListedStream& s)
{
    return std::to_string(s.Index) + "\t" + std::to_string(s.Kind) + "\t" + std::to_string(s.Size)
        + "\t" + (s.Sha256.empty() ? std::string() : s.Sha256 + "\t") + EscapeForLine(s.Caption)
        + "\n";
}

std::string DecodedAsText(const ListedStream& s, const streams::decode::TDecoded& decoded)
{
    std::string out = ListedLine(s);
    if (!decoded.Known())
        return out + "No decoded view of this stream; -d shows its bytes.\n";
    return out + streams::decode::DecodedText(decoded);
}

std::string DecodedAsJson(
    const std::string& path, const ListedStream& s, const streams::decode::TDecoded& decoded)
{
    json out = StreamObject(s);
    out["path"] = JsonText(path);
    out["form"] = decoded.Known() ? json(decoded.Form) : json(nullptr);
    out["refusal"] = decoded.Refusal.empty() ? json(nullptr) : json(decoded.Refusal);
    // The rows nest by depth: a stack of the arrays that rows at each depth go into.
    json rows = json::array();
    std::vector<json*> levels { &rows };
    for (const auto& row : decoded.Rows) {
        const std::size_t depth = std::min<std::size_t>(
            static_cast<std::size_t>(std::max(row.Depth, 0)), levels.size() - 1);
        levels.resize(depth + 1);
        json& into = *levels.back();
        into.push_back(
            json { { "field", row.Field }, { "value", row.Value }, { "rows", json::array() } });
        levels.push_back(&into.back()["rows"]);
    }
    out["rows"] = std::move(rows);
    return Dump(out);
}

std::string ListingAsJson(
    const std::string& path, const std::vector<ListedStream>& streams, const std::string& error)
{
    json out { { "path", JsonText(path) }, { "streams", json::array() } };
    for (const ListedStream& s : streams)
        out["streams"].push_back(StreamObject(s));
    if (!error.empty())
        out["error"] = error;
    return Dump(out);
}

} // namespace sondrel::tools
