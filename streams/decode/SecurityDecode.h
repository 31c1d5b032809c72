#pragma once
// Security descriptors in their self-relative form: the header, owner and group SIDs with the
// accounts they stand for, each entry of the DACL and SACL, and the whole as SDDL.

#include "ByteReader.h"
#include "Decoded.h"

#include <optional>
#include <string>

namespace sondrel::streams::decode {

struct TSid
{
    std::string Text; // S-1-5-32-544
    std::size_t Length = 0; // bytes it takes
};

// The SID at `at`, or nothing when it does not fit or is malformed.
[[nodiscard]] std::optional<TSid> ReadSid(const ByteReader& reader, std::size_t at);

// The account a SID stands for: well-known names, Samba's Unix ids (S-1-22-1-uid users,
// S-1-22-2-gid groups) through `accounts`, and the well-known accounts of any domain. Empty
// when unknown.
[[nodiscard]] std::string SidAccount(const std::string& sid, const TAccountNames& accounts);

// Access rights by name ("Full control", or the single rights joined by ", ").
[[nodiscard]] std::string AccessRights(std::uint32_t mask);

void DecodeSecurityDescriptor(const TStreamBytes& stream, TDecoded& out);

} // namespace sondrel::streams::decode
