#include "ReparseDecode.h"

#include "ByteReader.h"
#include "DecodeText.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sondrel::streams::decode {

namespace {

    struct Tag
    {
        std::uint32_t Value;
        std::string_view Name;
    };
    constexpr std::array kTags = {
        Tag { 0xA0000003, "junction (mount point)" },
        Tag { 0xA000000C, "symbolic link" },
        Tag { 0xA000001D, "WSL symbolic link" },
        Tag { 0x80000023, "Unix socket" },
        Tag { 0x80000024, "WSL FIFO" },
        Tag { 0x80000025, "WSL character device" },
        Tag { 0x80000026, "WSL block device" },
        Tag { 0x80000013, "deduplicated file" },
        Tag { 0x80000014, "NFS special file" },
        Tag { 0x80000017, "compressed by Windows Overlay Filter" },
        Tag { 0x80000008, "backed by a WIM image" },
        Tag { 0x8000000A, "DFS" },
        Tag { 0x80000012, "DFS replication" },
        Tag { 0xC0000004, "hierarchical storage" },
        Tag { 0x80000006, "hierarchical storage 2" },
        Tag { 0x80000007, "single-instance storage" },
        Tag { 0x80000009, "cluster shared volume" },
        Tag { 0x8000001B, "app execution alias" },
        Tag { 0x9000001C, "projected file system" },
        Tag { 0x80000018, "Windows container isolation" },
        Tag { 0x90001018, "Windows container isolation (1)" },
        Tag { 0x8000001E, "storage sync" },
        Tag { 0xA0000019, "global reparse" },
        Tag { 0x80000021, "OneDrive" },
        Tag { 0xA0000027, "Windows container isolation link" },
    };

    constexpr std::uint32_t kSymlink = 0xA000000C;
    constexpr std::uint32_t kJunction = 0xA0000003;
    constexpr std::uint32_t kWslSymlink = 0xA000001D;
    constexpr std::uint32_t kNfs = 0x80000014;

    // The substitute and print names of a link, relative to its path buffer.
    bool LinkNames(const ByteReader& data, std::size_t bufferAt, TDecoded& out)
    {
        const std::uint16_t substituteAt = *data.U16(0);
        const std::uint16_t substituteLength = *data.U16(2);
        const std::uint16_t printAt = *data.U16(4);
        const std::uint16_t printLength = *data.U16(6);
        auto name = [&](const char* field, std::size_t at, std::size_t length) {
            if (!data.Has(bufferAt + at, length) || length % 2 != 0) {
                out.Refusal = std::string("the ") + field + " lies outside the data";
                return false;
            }
            out.Add(0, field, Utf16ToUtf8(data.At(bufferAt + at), length / 2));
            return true;
        };
        return name("Substitute name", substituteAt, substituteLength)
            && name("Print name", printAt, printLength);
    }

} // namespace

std::string ReparseTagName(std::uint32_t tag)
{
    for (const Tag& t : kTags)
        if (t.Value == tag)
            return std::string(t.Name);
    // Cloud files use a range of tags that differ in the bits 12 to 15.
    if ((tag & 0xFFFF0FFF) == 0x9000001A)
        return "cloud file";
    return {};
}

void DecodeReparse(const TStreamBytes& stream, TDecoded& out)
{
    out.Form = "Reparse data";
    const ByteReader r(stream.Bytes, stream.Length);
    if (!r.Has(0, 8)) {
        out.Refusal = "it is " + std::to_string(stream.Length)
            + " bytes long, shorter than the 8-byte header";
        return;
    }
    const std::uint32_t tag = *r.U32(0);
    const std::uint16_t dataLength = *r.U16(4);
    const std::string name = ReparseTagName(tag);
    out.Add(0, "Tag", Hex(tag, 8) + (name.empty() ? "" : ": " + name));
    std::string traits = (tag & 0x80000000) ? "Microsoft" : "third party";
    if (tag & 0x20000000)
        traits += ", name surrogate";
    if (tag & 0x10000000)
        traits += ", may be a folder";
    out.Add(0, "Tag bits", traits);
    out.Add(0, "Data length", std::to_string(dataLength));
    std::size_t dataAt = 8;
    if (!(tag & 0x80000000)) {
        if (!r.Has(8, 16)) {
            out.Refusal = "a third-party tag needs a GUID after the header";
            return;
        }
        out.Add(0, "GUID", Guid(r.At(8)));
        dataAt = 24;
    }
    if (!r.Has(dataAt, dataLength)) {
        out.Refusal = "its data claims " + std::to_string(dataLength) + " bytes; "
            + std::to_string(stream.Length - dataAt) + " follow the header";
        return;
    }
    const ByteReader data(r.At(dataAt), dataLength);
    if (tag == kSymlink) {
        if (!data.Has(0, 12)) {
            out.Refusal = "a symbolic link's data needs 12 bytes before its names";
            return;
        }
        const std::uint32_t flags = *data.U32(8);
        out.Add(0, "Flags", Hex(flags, 8) + ((flags & 1) ? ": relative" : ": absolute"));
        (void)LinkNames(data, 12, out);
    } else if (tag == kJunction) {
        if (!data.Has(0, 8)) {
            out.Refusal = "a junction's data needs 8 bytes before its names";
            return;
        }
        (void)LinkNames(data, 8, out);
    } else if (tag == kWslSymlink) {
        if (!data.Has(0, 4)) {
            out.Refusal = "a WSL link's data needs its 4-byte version";
            return;
        }
        out.Add(0, "Version", std::to_string(*data.U32(0)));
        const std::string target(reinterpret_cast<const char*>(data.At(4)), dataLength - 4u);
        out.Add(0, "Target", IsUtf8(target) ? target : HexBytes(data.At(4), dataLength - 4u));
    } else if (tag == kNfs && data.Has(0, 8)) {
        const std::uint64_t type = *data.U64(0);
        if (type == 0x014B4E4C) {
            out.Add(0, "NFS type", "symbolic link");
            out.Add(0, "Target", Utf16ToUtf8(data.At(8), (dataLength - 8u) / 2));
        } else if ((type == 0x524843 || type == 0x4B4C42) && data.Has(8, 8)) {
            out.Add(0, "NFS type", type == 0x524843 ? "character device" : "block device");
            out.Add(
                0, "Device", std::to_string(*data.U32(8)) + ", " + std::to_string(*data.U32(12)));
        } else if (type == 0x4F464946 || type == 0x4B434F53) {
            out.Add(0, "NFS type", type == 0x4F464946 ? "FIFO" : "socket");
        } else {
            out.Add(0, "NFS type", Hex(type, 16));
        }
    } else if (dataLength > 0) {
        out.Add(0, "Data", HexBytes(data.At(0), dataLength, 64));
    }
}

void DecodeObjectId(const TStreamBytes& stream, TDecoded& out)
{
    out.Form = "Object id";
    if (stream.Length != 16 && stream.Length != 64) {
        out.Refusal
            = "an object id is 16 or 64 bytes long; this one is " + std::to_string(stream.Length);
        return;
    }
    static constexpr const char* kNames[]
        = { "Object id", "Birth volume id", "Birth object id", "Domain id" };
    static constexpr std::uint8_t kZero[16] {};
    for (std::size_t i = 0; i * 16 < stream.Length; ++i) {
        const std::uint8_t* guid = stream.Bytes + 16 * i;
        const bool zero = std::equal(guid, guid + 16, kZero);
        out.Add(0, kNames[i], zero ? "none (all zero)" : Guid(guid));
    }
}

void DecodeSparseBlock(const TStreamBytes& stream, TDecoded& out)
{
    out.Form = "Sparse block";
    const ByteReader r(stream.Bytes, stream.Length);
    if (!r.Has(0, 8) || stream.Size < 8) {
        out.Refusal = "a sparse block starts with its 8-byte offset; this one is "
            + std::to_string(stream.Size) + " bytes long";
        return;
    }
    const std::uint64_t offset = *r.U64(0);
    const std::uint64_t length = stream.Size - 8;
    out.Add(0, "Offset", std::to_string(offset) + " (" + Hex(offset) + ")");
    out.Add(0, "Length", std::to_string(length) + (length == 0 ? " (the end of the file)" : ""));
    if (stream.SparseMap.empty())
        return;
    // The last block holds no data and stands at the file's size.
    const std::uint64_t fileSize = stream.SparseMap.back().Offset;
    out.Add(0, "File size", std::to_string(fileSize));
    out.Add(0, "Map");
    constexpr std::size_t kMostRanges = 2000;
    std::size_t shown = 0;
    std::uint64_t at = 0;
    auto range = [&](const char* what, std::uint64_t from, std::uint64_t to) {
        if (shown++ < kMostRanges)
            out.Add(1, what,
                std::to_string(from) + " to " + std::to_string(to) + " ("
                    + std::to_string(to - from) + " bytes)");
    };
    for (const TSparseRange& block : stream.SparseMap) {
        if (block.Length > ~std::uint64_t { 0 } - block.Offset || block.Offset < at) {
            out.Refusal = "the blocks overlap or are out of order at offset "
                + std::to_string(block.Offset);
            return;
        }
        if (block.Offset > at)
            range("hole", at, block.Offset);
        if (block.Length > 0)
            range(block.Offset == offset ? "data (this block)" : "data", block.Offset,
                block.Offset + block.Length);
        at = block.Offset + block.Length;
    }
    if (shown > kMostRanges)
        out.Add(1, "…", std::to_string(shown - kMostRanges) + " more ranges");
}

} // namespace sondrel::streams::decode
