#pragma once
// The packed extended-attribute list: one row per entry with its flags and value, and the WSL
// entries (LXATTRB: mode, owner and times; LXXATTR: the Linux xattrs it nests) read out.

#include "Decoded.h"

namespace sondrel::streams::decode {

void DecodeEaList(const TStreamBytes& stream, TDecoded& out);

// A Unix mode as "0100644 (regular file, rw-r--r--)".
[[nodiscard]] std::string UnixMode(std::uint32_t mode);

} // namespace sondrel::streams::decode
