#include "Decoded.h"

#include "EaDecode.h"
#include "NamedDecode.h"
#include "ReparseDecode.h"
#include "SecurityDecode.h"

namespace sondrel::streams::decode {

TDecoded DecodeStream(const TStreamBytes& stream)
{
    TDecoded out;
    switch (stream.Kind) {
    case 2:
        DecodeEaList(stream, out);
        break;
    case 3:
        DecodeSecurityDescriptor(stream, out);
        break;
    case 4:
        DecodeNamedStream(stream, out);
        break;
    case 7:
        DecodeObjectId(stream, out);
        break;
    case 8:
        DecodeReparse(stream, out);
        break;
    case 9:
        DecodeSparseBlock(stream, out);
        break;
    default:
        break;
    }
    // Every decoder read only what was loaded; say so where that is not the whole stream.
    if (out.Known() && stream.Length < stream.Size && stream.Kind != 9)
        out.Add(0, "Read",
            "the first " + std::to_string(stream.Length) + " of " + std::to_string(stream.Size)
                + " bytes");
    return out;
}

std::string DecodedText(const TDecoded& decoded)
{
    std::string out;
    if (!decoded.Known())
        return out;
    out += decoded.Form + "\n";
    if (!decoded.Refusal.empty())
        out += "Not readable as " + decoded.Form + ": " + decoded.Refusal + "\n";
    for (const TDecodedRow& row : decoded.Rows) {
        out.append(2 * static_cast<std::size_t>(row.Depth + 1), ' ');
        out += row.Field;
        if (!row.Value.empty())
            out += ": " + row.Value;
        out += '\n';
    }
    return out;
}

} // namespace sondrel::streams::decode
