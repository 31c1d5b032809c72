#pragma once
// Named streams whose names say what they hold: a download's Zone.Identifier, the freedesktop
// xdg.* attributes, mime_type, checksum.*; and any other that is text.

#include "Decoded.h"

#include <string>

namespace sondrel::streams::decode {

void DecodeNamedStream(const TStreamBytes& stream, TDecoded& out);

// Where a download came from, from one named stream: the Zone.Identifier's host URL (or its
// referrer), or xdg.origin.url. Empty when the stream records none.
[[nodiscard]] std::string OriginOf(
    const std::string& name, const std::uint8_t* bytes, std::size_t length);

} // namespace sondrel::streams::decode
