#include "EaDecode.h"

#include "ByteReader.h"
#include "DecodeText.h"

#include <cstdio>
#include <string_view>

namespace sondrel::streams::decode {

namespace {

    constexpr std::size_t kLxattrbSize = 56;

    std::string Account(const TAccountNames& accounts, bool group, std::uint32_t id)
    {
        const std::string name = accounts ? accounts(group, id) : std::string();
        return std::to_string(id) + (name.empty() ? "" : " (" + name + ")");
    }

    void DecodeLxattrb(const ByteReader& v, const TAccountNames& accounts, int depth, TDecoded& out)
    {
        if (!v.Has(0, kLxattrbSize)) {
            out.Add(depth, "Problem",
                "WSL attributes take 56 bytes; this value has " + std::to_string(v.Length()));
            return;
        }
        out.Add(depth, "Version", std::to_string(*v.U16(2)));
        out.Add(depth, "Mode", UnixMode(*v.U32(4)));
        out.Add(depth, "Owner", Account(accounts, false, *v.U32(8)));
        out.Add(depth, "Group", Account(accounts, true, *v.U32(12)));
        if (const std::uint32_t device = *v.U32(16))
            out.Add(depth, "Device",
                std::to_string(device >> 20) + ", " + std::to_string(device & 0xFFFFF));
        const char* names[] = { "Accessed", "Modified", "Changed" };
        for (std::size_t i = 0; i < 3; ++i) {
            const auto seconds = static_cast<std::int64_t>(*v.U64(32 + 8 * i));
            out.Add(depth, names[i], UnixTime(seconds, *v.U32(20 + 4 * i)));
        }
    }

    void DecodeLxxattr(const ByteReader& v, int depth, TDecoded& out)
    {
        if (!v.Has(0, 4)) {
            out.Add(depth, "Problem", "too short for the Linux attributes' header");
            return;
        }
        out.Add(depth, "Version", std::to_string(*v.U16(2)));
        std::size_t at = 4;
        for (int n = 1; v.Has(at, 7); ++n) {
            const std::uint32_t next = *v.U32(at);
            const std::uint16_t valueLength = *v.U16(at + 4);
            const std::uint8_t nameLength = *v.U8(at + 6);
            if (!v.Has(at + 7, std::size_t { nameLength } + valueLength)) {
                out.Add(
                    depth, "Problem", "attribute " + std::to_string(n) + " runs past the value");
                return;
            }
            const std::string name(reinterpret_cast<const char*>(v.At(at + 7)), nameLength);
            out.Add(depth, IsUtf8(name) ? name : HexBytes(v.At(at + 7), nameLength),
                ValueText(v.At(at + 7 + nameLength), valueLength));
            if (next == 0)
                return;
            if (next < 7 || !v.Has(at, next))
                return; // an offset leading nowhere ends the list, as the end of the value does
            at += next;
        }
    }

} // namespace

std::string UnixMode(std::uint32_t mode)
{
    const char* type = "unknown type";
    switch (mode & 0170000) {
    case 0100000:
        type = "regular file";
        break;
    case 0040000:
        type = "folder";
        break;
    case 0120000:
        type = "symbolic link";
        break;
    case 0010000:
        type = "FIFO";
        break;
    case 0140000:
        type = "socket";
        break;
    case 0020000:
        type = "character device";
        break;
    case 0060000:
        type = "block device";
        break;
    default:
        break;
    }
    std::string perms = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        if (!(mode & (1u << (8 - i))))
            perms[static_cast<std::size_t>(i)] = '-';
    if (mode & 04000)
        perms[2] = (mode & 0100) ? 's' : 'S';
    if (mode & 02000)
        perms[5] = (mode & 010) ? 's' : 'S';
    if (mode & 01000)
        perms[8] = (mode & 01) ? 't' : 'T';
    char octal[16];
    std::snprintf(octal, sizeof octal, "0%o", mode);
    return std::string(octal) + " (" + type + ", " + perms + ")";
}

void DecodeEaList(const TStreamBytes& stream, TDecoded& out)
{
    out.Form = "Extended attributes";
    const ByteReader r(stream.Bytes, stream.Length);
    if (stream.Length == 0) {
        out.Add(0, "Entries", "0");
        return;
    }
    std::size_t at = 0;
    int n = 0;
    while (true) {
        ++n;
        if (!r.Has(at, 8)) {
            out.Refusal = "entry " + std::to_string(n) + " at " + Hex(at) + " is cut short";
            return;
        }
        const std::uint32_t next = *r.U32(at);
        const std::uint8_t flags = *r.U8(at + 4);
        const std::uint8_t nameLength = *r.U8(at + 5);
        const std::uint16_t valueLength = *r.U16(at + 6);
        const std::size_t size = 8 + std::size_t { nameLength } + 1 + valueLength;
        if (!r.Has(at, size)) {
            out.Refusal = "entry " + std::to_string(n) + " at " + Hex(at) + " claims "
                + std::to_string(size) + " bytes, past the end";
            return;
        }
        const std::string name(reinterpret_cast<const char*>(r.At(at + 8)), nameLength);
        const std::uint8_t* value = r.At(at + 9 + nameLength);
        const std::string shownName = IsUtf8(name) ? name : HexBytes(r.At(at + 8), nameLength);
        out.Add(0, shownName, std::to_string(valueLength) + " bytes");
        out.Add(1, "Flags", Hex(flags, 2) + ((flags & 0x80) ? ": needed by the file" : ""));
        const ByteReader v(value, valueLength);
        if (name == "LXATTRB") {
            out.Add(1, "WSL attributes");
            DecodeLxattrb(v, stream.Accounts, 2, out);
        } else if (name == "LXXATTR") {
            out.Add(1, "Linux extended attributes");
            DecodeLxxattr(v, 2, out);
        } else {
            out.Add(1, "Value", ValueText(value, valueLength));
        }
        // Windows writes the last entry's next offset as its own length: the end of the buffer
        // ends the list as well as a zero does.
        if (next == 0 || next >= stream.Length - at)
            return;
        if (next < size) {
            out.Refusal = "entry " + std::to_string(n) + "'s next offset " + Hex(next)
                + " points back inside it";
            return;
        }
        at += next;
    }
}

} // namespace sondrel::streams::decode
