#pragma once
// What a decoder makes of one stream: a small tree of labelled values, written as rows with a
// depth, or the reason the bytes make no sense in the form their kind promises. Plain data, so
// the window, the companion's text and its JSON all show the same thing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sondrel::streams::decode {

struct TDecodedRow
{
    int Depth = 0; // 0 for a top-level row; a row belongs to the nearest row above it one less deep
    std::string Field;
    std::string Value; // UTF-8; may be empty for a row that only groups the rows below it
};

struct TDecoded
{
    // What the bytes were read as ("Security descriptor", "Text", ...); empty when no decoder
    // knows this stream, and then nothing else is set.
    std::string Form;
    // Why the bytes could not be read as that form; the rows then hold what was read before.
    std::string Refusal;
    std::vector<TDecodedRow> Rows;

    [[nodiscard]] bool Known() const { return !Form.empty(); }

    void Add(int depth, std::string field, std::string value = {})
    {
        Rows.push_back({ depth, std::move(field), std::move(value) });
    }
};

// A Unix user (group false) or group id to this machine's name for it, empty when it has none.
using TAccountNames = std::function<std::string(bool group, std::uint32_t id)>;

// One allocated range of a file whose holes are delivered as sparse blocks.
struct TSparseRange
{
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
};

// Everything a decoder may look at. The bytes are untrusted and may be fewer than `Size` (a
// stream is loaded up to a cap, or could not be read whole).
struct TStreamBytes
{
    std::uint32_t Kind = 0; // the backup stream id
    std::string Name; // the stream's name as UTF-8, empty for unnamed kinds
    const std::uint8_t* Bytes = nullptr;
    std::size_t Length = 0;
    std::uint64_t Size = 0; // the stream's full size
    TAccountNames Accounts; // may be empty: Unix ids then show as numbers only
    // For sparse blocks: every block of the file in order (offset, data length), and the
    // terminating block's offset, the file size.
    std::vector<TSparseRange> SparseMap;
};

[[nodiscard]] TDecoded DecodeStream(const TStreamBytes& stream);

// The rows as indented text, one "Field: Value" line each (two spaces per depth); a refusal
// comes first as "Not readable as FORM: REASON".
[[nodiscard]] std::string DecodedText(const TDecoded& decoded);

} // namespace sondrel::streams::decode
