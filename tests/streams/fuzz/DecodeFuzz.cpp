// libFuzzer target: the stream decoders. The first byte picks the stream's kind and, for named
// streams, its name; the rest is the stream. Decoding never reads outside the bytes, and every
// row it makes hangs under a row one level up.
#include "Decoded.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const char* const kNames[]
        = { "Zone.Identifier", "xdg.origin.url", "xdg.tags", "checksum.md5", "notes", "mime_type" };
    static const std::uint32_t kKinds[] = { 2, 3, 4, 7, 8, 9 };
    sondrel::streams::decode::TStreamBytes stream;
    stream.Kind = kKinds[data[0] % 6];
    stream.Name = kNames[(data[0] >> 3) % 6];
    // An exact copy, so that a read past the end is caught.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size - 1 + 1]);
    std::copy(data + 1, data + size, bytes.get());
    stream.Bytes = size > 1 ? bytes.get() : nullptr;
    stream.Length = size - 1;
    stream.Size = (data[0] & 0x40) ? stream.Length + 4096 : stream.Length;
    stream.Accounts
        = [](bool, std::uint32_t id) { return id % 2 ? std::string("someone") : std::string(); };
    if (stream.Kind == 9 && stream.Length >= 16)
        stream.SparseMap = { { bytes[0], bytes[1] },
            { bytes[2] * 1000ull, ~std::uint64_t { 0 } / (1 + bytes[3]) } };
    const sondrel::streams::decode::TDecoded decoded
        = sondrel::streams::decode::DecodeStream(stream);
    int depth = -1;
    for (const auto& row : decoded.Rows) {
        if (row.Depth < 0 || row.Depth > depth + 1)
            std::abort();
        depth = row.Depth;
    }
    (void)sondrel::streams::decode::DecodedText(decoded);
    return 0;
}
