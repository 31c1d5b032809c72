#pragma once
// Cutting a stream name as the backup format carries it (":name:$DATA", UTF-16LE) to the part
// the user sees. Pure bytes in, a name out; depends on the standard library alone, so that it
// can be fuzzed by itself.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel::streams {

// The part of the `units` UTF-16LE code units at `bytes` between the first unit (the leading
// colon) and the next colon; empty for an empty name.
void CutStreamName(const std::uint8_t* bytes, std::size_t units, std::u16string& name);

} // namespace sondrel::streams
