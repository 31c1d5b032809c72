#pragma once
// Reparse data, object ids and sparse blocks: the small fixed forms NTFS keeps beside a file.

#include "Decoded.h"

namespace sondrel::streams::decode {

// The tag's name ("symbolic link", ...), or empty for a tag nobody here knows.
[[nodiscard]] std::string ReparseTagName(std::uint32_t tag);

void DecodeReparse(const TStreamBytes& stream, TDecoded& out);
void DecodeObjectId(const TStreamBytes& stream, TDecoded& out);
void DecodeSparseBlock(const TStreamBytes& stream, TDecoded& out);

} // namespace sondrel::streams::decode
