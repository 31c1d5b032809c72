#pragma once
// The companion's decoded views and JSON: what -x prints, as text or JSON, and -l as JSON.

#include "Decoded.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::tools {

// One stream as -l lists it.
struct ListedStream
{
    std::uint64_t Index = 0;
    std::uint32_t Kind = 0;
    std::uint64_t Size = 0;
    std::string Caption;
    std::string Sha256; // with --hash: the content's SHA-256 in hex, or "-"; else empty
};

// The stream's line as -l writes it: index, kind, size, the hash where there is one, caption.
[[nodiscard]] std::string ListedLine(const ListedStream& stream);

// -x as text: the stream's line as -l writes it, then the decoded rows indented, or a line
// saying that no decoder knows the stream.
[[nodiscard]] std::string DecodedAsText(
    const ListedStream& stream, const streams::decode::TDecoded& decoded);

// -x --json: {"path", "index", "kind", "size", "caption", "form", "refusal", "rows"}, each row
// {"field", "value", "rows"} holding the rows below it. One line, ending with a newline.
[[nodiscard]] std::string DecodedAsJson(
    const std::string& path, const ListedStream& stream, const streams::decode::TDecoded& decoded);

// -l --json: {"path", "streams": [{"index", "kind", "size", "caption"}...]} ("sha256" too with
// --hash, null where it could not be read whole), with "error" when the listing could not be
// completed.
[[nodiscard]] std::string ListingAsJson(
    const std::string& path, const std::vector<ListedStream>& streams, const std::string& error);

} // namespace sondrel::tools
