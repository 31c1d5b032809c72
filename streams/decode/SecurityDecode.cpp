#include "SecurityDecode.h"

#include "DecodeText.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace sondrel::streams::decode {

namespace {

    struct WellKnownSid
    {
        std::string_view Sid;
        std::string_view Name;
        std::string_view Sddl; // empty when SDDL has no abbreviation for it
    };

    constexpr std::array kWellKnown = {
        WellKnownSid { "S-1-0-0", "Nobody", "" },
        WellKnownSid { "S-1-1-0", "Everyone", "WD" },
        WellKnownSid { "S-1-2-0", "Local", "" },
        WellKnownSid { "S-1-2-1", "Console Logon", "" },
        WellKnownSid { "S-1-3-0", "Creator Owner", "CO" },
        WellKnownSid { "S-1-3-1", "Creator Group", "CG" },
        WellKnownSid { "S-1-3-4", "Owner Rights", "OW" },
        WellKnownSid { "S-1-5-1", "Dialup", "" },
        WellKnownSid { "S-1-5-2", "Network", "NU" },
        WellKnownSid { "S-1-5-3", "Batch", "" },
        WellKnownSid { "S-1-5-4", "Interactive", "IU" },
        WellKnownSid { "S-1-5-6", "Service", "SU" },
        WellKnownSid { "S-1-5-7", "Anonymous Logon", "AN" },
        WellKnownSid { "S-1-5-9", "Enterprise Domain Controllers", "ED" },
        WellKnownSid { "S-1-5-10", "Principal Self", "PS" },
        WellKnownSid { "S-1-5-11", "Authenticated Users", "AU" },
        WellKnownSid { "S-1-5-12", "Restricted Code", "RC" },
        WellKnownSid { "S-1-5-13", "Terminal Server Users", "" },
        WellKnownSid { "S-1-5-14", "Remote Interactive Logon", "" },
        WellKnownSid { "S-1-5-18", "Local System", "SY" },
        WellKnownSid { "S-1-5-19", "Local Service", "LS" },
        WellKnownSid { "S-1-5-20", "Network Service", "NS" },
        WellKnownSid { "S-1-5-32-544", "Administrators", "BA" },
        WellKnownSid { "S-1-5-32-545", "Users", "BU" },
        WellKnownSid { "S-1-5-32-546", "Guests", "BG" },
        WellKnownSid { "S-1-5-32-547", "Power Users", "PU" },
        WellKnownSid { "S-1-5-32-548", "Account Operators", "AO" },
        WellKnownSid { "S-1-5-32-549", "Server Operators", "SO" },
        WellKnownSid { "S-1-5-32-550", "Print Operators", "PO" },
        WellKnownSid { "S-1-5-32-551", "Backup Operators", "BO" },
        WellKnownSid { "S-1-5-32-552", "Replicator", "RE" },
        WellKnownSid { "S-1-5-32-555", "Remote Desktop Users", "RD" },
        WellKnownSid { "S-1-5-32-556", "Network Configuration Operators", "NO" },
        WellKnownSid { "S-1-5-64-10", "NTLM Authentication", "" },
        WellKnownSid { "S-1-5-80-0", "All Services", "" },
        WellKnownSid { "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
            "TrustedInstaller", "" },
        WellKnownSid { "S-1-15-2-1", "All Application Packages", "AC" },
        WellKnownSid { "S-1-16-0", "Untrusted Mandatory Level", "" },
        WellKnownSid { "S-1-16-4096", "Low Mandatory Level", "LW" },
        WellKnownSid { "S-1-16-8192", "Medium Mandatory Level", "ME" },
        WellKnownSid { "S-1-16-12288", "High Mandatory Level", "HI" },
        WellKnownSid { "S-1-16-16384", "System Mandatory Level", "SI" },
    };

    struct DomainRid
    {
        std::uint32_t Rid;
        std::string_view Name;
    };
    constexpr std::array kDomainRids = {
        DomainRid { 500, "Administrator" },
        DomainRid { 501, "Guest" },
        DomainRid { 502, "krbtgt" },
        DomainRid { 512, "Domain Admins" },
        DomainRid { 513, "Domain Users" },
        DomainRid { 514, "Domain Guests" },
        DomainRid { 515, "Domain Computers" },
        DomainRid { 516, "Domain Controllers" },
        DomainRid { 518, "Schema Admins" },
        DomainRid { 519, "Enterprise Admins" },
        DomainRid { 520, "Group Policy Creator Owners" },
    };

    struct Bit
    {
        std::uint32_t Mask;
        std::string_view Name;
    };

    constexpr std::array kControl = {
        Bit { 0x0001, "owner defaulted" },
        Bit { 0x0002, "group defaulted" },
        Bit { 0x0004, "DACL present" },
        Bit { 0x0008, "DACL defaulted" },
        Bit { 0x0010, "SACL present" },
        Bit { 0x0020, "SACL defaulted" },
        Bit { 0x0040, "DACL trusted" },
        Bit { 0x0080, "server security" },
        Bit { 0x0100, "DACL inheritance required" },
        Bit { 0x0200, "SACL inheritance required" },
        Bit { 0x0400, "DACL inherited" },
        Bit { 0x0800, "SACL inherited" },
        Bit { 0x1000, "DACL protected" },
        Bit { 0x2000, "SACL protected" },
        Bit { 0x4000, "resource manager control valid" },
        Bit { 0x8000, "self-relative" },
    };

    constexpr std::array kAceFlags = {
        Bit { 0x01, "object inherit" },
        Bit { 0x02, "container inherit" },
        Bit { 0x04, "no propagate" },
        Bit { 0x08, "inherit only" },
        Bit { 0x10, "inherited" },
        Bit { 0x40, "audit success" },
        Bit { 0x80, "audit failure" },
    };
    constexpr std::array kAceFlagSddl = {
        Bit { 0x01, "OI" },
        Bit { 0x02, "CI" },
        Bit { 0x04, "NP" },
        Bit { 0x08, "IO" },
        Bit { 0x10, "ID" },
        Bit { 0x40, "SA" },
        Bit { 0x80, "FA" },
    };

    constexpr std::array kRights = {
        Bit { 0x00000001, "read data / list folder" },
        Bit { 0x00000002, "write data / add file" },
        Bit { 0x00000004, "append data / add subfolder" },
        Bit { 0x00000008, "read extended attributes" },
        Bit { 0x00000010, "write extended attributes" },
        Bit { 0x00000020, "execute / traverse" },
        Bit { 0x00000040, "delete child" },
        Bit { 0x00000080, "read attributes" },
        Bit { 0x00000100, "write attributes" },
        Bit { 0x00010000, "delete" },
        Bit { 0x00020000, "read permissions" },
        Bit { 0x00040000, "change permissions" },
        Bit { 0x00080000, "take ownership" },
        Bit { 0x00100000, "synchronize" },
        Bit { 0x01000000, "access system security" },
        Bit { 0x02000000, "maximum allowed" },
        Bit { 0x10000000, "generic all" },
        Bit { 0x20000000, "generic execute" },
        Bit { 0x40000000, "generic write" },
        Bit { 0x80000000, "generic read" },
    };

    constexpr std::array kRightCombos = {
        Bit { 0x1F01FF, "Full control" },
        Bit { 0x1301BF, "Modify" },
        Bit { 0x1201BF, "Read, write and execute" },
        Bit { 0x1200A9, "Read and execute" },
        Bit { 0x120089, "Read" },
        Bit { 0x120116, "Write" },
    };

    // The rights SDDL writes as two letters; other bits force the mask into hex.
    constexpr std::array kRightSddl = {
        Bit { 0x10000000, "GA" },
        Bit { 0x80000000, "GR" },
        Bit { 0x40000000, "GW" },
        Bit { 0x20000000, "GX" },
        Bit { 0x00010000, "SD" },
        Bit { 0x00020000, "RC" },
        Bit { 0x00040000, "WD" },
        Bit { 0x00080000, "WO" },
        Bit { 0x00000001, "CC" },
        Bit { 0x00000002, "DC" },
        Bit { 0x00000004, "LC" },
        Bit { 0x00000008, "SW" },
        Bit { 0x00000010, "RP" },
        Bit { 0x00000020, "WP" },
        Bit { 0x00000040, "DT" },
        Bit { 0x00000080, "LO" },
        Bit { 0x00000100, "CR" },
    };
    constexpr std::array kRightSddlCombos = {
        Bit { 0x1F01FF, "FA" },
        Bit { 0x120089, "FR" },
        Bit { 0x120116, "FW" },
        Bit { 0x1200A0, "FX" },
        Bit { 0xF003F, "KA" },
        Bit { 0x20019, "KR" },
        Bit { 0x20006, "KW" },
    };

    template <std::size_t N> std::string Names(std::uint32_t value, const std::array<Bit, N>& table)
    {
        std::string out;
        std::uint32_t rest = value;
        for (const Bit& b : table) {
            if ((value & b.Mask) == b.Mask) {
                out += out.empty() ? "" : ", ";
                out += b.Name;
                rest &= ~b.Mask;
            }
        }
        if (rest != 0) {
            out += out.empty() ? "" : ", ";
            out += "other bits " + Hex(rest);
        }
        return out.empty() ? "none" : out;
    }

    struct AceType
    {
        std::uint8_t Type;
        std::string_view Name;
        std::string_view Sddl; // empty: SDDL cannot write it
        bool Object; // carries object type GUIDs before its SID
    };
    constexpr std::array kAceTypes = {
        AceType { 0x00, "allow", "A", false },
        AceType { 0x01, "deny", "D", false },
        AceType { 0x02, "audit", "AU", false },
        AceType { 0x03, "alarm", "AL", false },
        AceType { 0x04, "compound allow", "", false },
        AceType { 0x05, "object allow", "OA", true },
        AceType { 0x06, "object deny", "OD", true },
        AceType { 0x07, "object audit", "OU", true },
        AceType { 0x08, "object alarm", "OL", true },
        AceType { 0x09, "conditional allow", "", false },
        AceType { 0x0A, "conditional deny", "", false },
        AceType { 0x0B, "conditional object allow", "", true },
        AceType { 0x0C, "conditional object deny", "", true },
        AceType { 0x0D, "conditional audit", "", false },
        AceType { 0x0E, "conditional alarm", "", false },
        AceType { 0x0F, "conditional object audit", "", true },
        AceType { 0x10, "conditional object alarm", "", true },
        AceType { 0x11, "mandatory label", "ML", false },
        AceType { 0x12, "resource attribute", "", false },
        AceType { 0x13, "scoped policy", "SP", false },
        AceType { 0x14, "trust label", "TL", false },
    };

    const AceType* FindAceType(std::uint8_t type)
    {
        for (const AceType& t : kAceTypes)
            if (t.Type == type)
                return &t;
        return nullptr;
    }

    const WellKnownSid* FindWellKnown(std::string_view sid)
    {
        for (const WellKnownSid& w : kWellKnown)
            if (w.Sid == sid)
                return &w;
        return nullptr;
    }

    std::string SddlSid(const std::string& sid)
    {
        const WellKnownSid* known = FindWellKnown(sid);
        return known && !known->Sddl.empty() ? std::string(known->Sddl) : sid;
    }

    // SDDL writes other masks in lower-case hex.
    std::string SddlHex(std::uint32_t mask)
    {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", mask);
        return text;
    }

    std::string SddlRights(std::uint32_t mask, bool label)
    {
        if (label) {
            // A mandatory label's mask says what lower levels may not do.
            std::string out;
            if (mask & 1)
                out += "NW";
            if (mask & 2)
                out += "NR";
            if (mask & 4)
                out += "NX";
            return (mask & ~7u) == 0 && !out.empty() ? out : SddlHex(mask);
        }
        for (const Bit& b : kRightSddlCombos)
            if (mask == b.Mask)
                return std::string(b.Name);
        std::string out;
        std::uint32_t rest = mask;
        for (const Bit& b : kRightSddl) {
            if (mask & b.Mask) {
                out += b.Name;
                rest &= ~b.Mask;
            }
        }
        return rest != 0 || out.empty() ? SddlHex(mask) : out;
    }

    std::string SddlGuid(const std::uint8_t* bytes)
    {
        std::string g = Guid(bytes).substr(1, 36);
        for (char& c : g)
            if (c >= 'A' && c <= 'F')
                c = static_cast<char>(c - 'A' + 'a');
        return g;
    }

    std::string SidValue(const std::string& sid, const TAccountNames& accounts)
    {
        const std::string account = SidAccount(sid, accounts);
        return account.empty() ? sid : sid + " (" + account + ")";
    }

    // The descriptor as SDDL, or the kind of entry that SDDL cannot write.
    struct SddlText
    {
        std::string Text;
        std::string Unwritable;
    };

    // One ACL: its rows under `depth` and its SDDL entries. False with `problem` set when the
    // list cannot be read to its end.
    bool DecodeAcl(const ByteReader& r, std::size_t at, const TAccountNames& accounts, int depth,
        TDecoded& out, SddlText& sddl, std::string& problem)
    {
        const auto revision = r.U8(at);
        const auto size = r.U16(at + 2);
        const auto count = r.U16(at + 4);
        if (!revision || !size || !count || *size < 8) {
            problem = "the access list at " + Hex(at) + " does not fit";
            return false;
        }
        const std::size_t end = at + *size;
        if (!r.Has(at, *size)) {
            problem = "the access list at " + Hex(at) + " claims " + std::to_string(*size)
                + " bytes, past the end";
            return false;
        }
        out.Add(depth, "Revision", std::to_string(*revision));
        out.Add(depth, "Entries", std::to_string(*count));
        std::size_t ace = at + 8;
        for (unsigned i = 0; i < *count; ++i) {
            const auto type = r.U8(ace);
            const auto flags = r.U8(ace + 1);
            const auto aceSize = r.U16(ace + 2);
            if (!type || !flags || !aceSize || *aceSize < 8 || ace + *aceSize > end) {
                problem = "entry " + std::to_string(i + 1) + " runs past its access list";
                return false;
            }
            const AceType* kind = FindAceType(*type);
            const ByteReader entry(r.At(ace), *aceSize);
            const std::uint32_t mask = *entry.U32(4);
            std::size_t sidAt = 8;
            std::string objectGuid;
            std::string inheritedGuid;
            if (kind && kind->Object) {
                const auto objectFlags = entry.U32(8);
                sidAt = 12;
                if (objectFlags && (*objectFlags & 1) && entry.Has(sidAt, 16)) {
                    objectGuid = SddlGuid(entry.At(sidAt));
                    sidAt += 16;
                }
                if (objectFlags && (*objectFlags & 2) && entry.Has(sidAt, 16)) {
                    inheritedGuid = SddlGuid(entry.At(sidAt));
                    sidAt += 16;
                }
            }
            const auto sid = ReadSid(entry, sidAt);
            const std::string typeName = kind ? std::string(kind->Name) : "type " + Hex(*type, 2);
            out.Add(depth, "Entry " + std::to_string(i + 1),
                typeName + " " + (sid ? SidValue(sid->Text, accounts) : std::string("?")));
            out.Add(depth + 1, "Type", typeName + " (" + Hex(*type, 2) + ")");
            out.Add(depth + 1, "Flags", Hex(*flags, 2) + ": " + Names(*flags, kAceFlags));
            out.Add(depth + 1, "Rights", Hex(mask, 8) + ": " + AccessRights(mask));
            if (!objectGuid.empty())
                out.Add(depth + 1, "Object type", objectGuid);
            if (!inheritedGuid.empty())
                out.Add(depth + 1, "Inherited object type", inheritedGuid);
            if (!sid) {
                problem = "entry " + std::to_string(i + 1) + " holds no readable SID";
                return false;
            }
            out.Add(depth + 1, "SID", SidValue(sid->Text, accounts));
            if (sidAt + sid->Length < *aceSize)
                out.Add(depth + 1, "Extra data",
                    HexBytes(entry.At(sidAt + sid->Length), *aceSize - sidAt - sid->Length, 64));
            if (!kind || kind->Sddl.empty()) {
                sddl.Unwritable = typeName;
            } else {
                std::string flagsText;
                for (const Bit& b : kAceFlagSddl)
                    if (*flags & b.Mask)
                        flagsText += b.Name;
                sddl.Text += "(" + std::string(kind->Sddl) + ";" + flagsText + ";"
                    + SddlRights(mask, *type == 0x11) + ";" + objectGuid + ";" + inheritedGuid + ";"
                    + SddlSid(sid->Text) + ")";
            }
            ace += *aceSize;
        }
        return true;
    }

} // namespace

std::optional<TSid> ReadSid(const ByteReader& r, std::size_t at)
{
    const auto revision = r.U8(at);
    const auto count = r.U8(at + 1);
    if (!revision || !count || *revision != 1 || *count > 15 || !r.Has(at, 8 + 4 * *count))
        return std::nullopt;
    std::uint64_t authority = 0;
    for (int i = 0; i < 6; ++i)
        authority = authority << 8 | r.At(at + 2)[i];
    std::string text = "S-1-";
    text += authority < (1ull << 32) ? std::to_string(authority) : Hex(authority, 12);
    for (unsigned i = 0; i < *count; ++i)
        text += "-" + std::to_string(*r.U32(at + 8 + 4 * i));
    return TSid { std::move(text), 8 + 4 * std::size_t { *count } };
}

std::string SidAccount(const std::string& sid, const TAccountNames& accounts)
{
    if (const WellKnownSid* known = FindWellKnown(sid))
        return std::string(known->Name);
    auto unixId = [&](std::string_view prefix, bool group) -> std::string {
        const std::string_view rest = std::string_view(sid).substr(prefix.size());
        if (rest.empty() || rest.size() > 10
            || rest.find_first_not_of("0123456789") != std::string_view::npos)
            return {};
        const std::uint64_t id = std::stoull(std::string(rest));
        if (id > 0xFFFFFFFFu)
            return {};
        const std::string name
            = accounts ? accounts(group, static_cast<std::uint32_t>(id)) : std::string();
        const std::string what = group ? "Unix group " : "Unix user ";
        return name.empty() ? what + std::string(rest) : what + name;
    };
    if (sid.starts_with("S-1-22-1-"))
        return unixId("S-1-22-1-", false);
    if (sid.starts_with("S-1-22-2-"))
        return unixId("S-1-22-2-", true);
    if (sid.starts_with("S-1-5-21-")) {
        const std::size_t dash = sid.rfind('-');
        const std::string rid = sid.substr(dash + 1);
        for (const DomainRid& d : kDomainRids)
            if (rid == std::to_string(d.Rid))
                return "domain's " + std::string(d.Name);
    }
    return {};
}

std::string AccessRights(std::uint32_t mask)
{
    for (const Bit& b : kRightCombos)
        if (mask == b.Mask)
            return std::string(b.Name);
    return Names(mask, kRights);
}

void DecodeSecurityDescriptor(const TStreamBytes& stream, TDecoded& out)
{
    out.Form = "Security descriptor";
    const ByteReader r(stream.Bytes, stream.Length);
    const auto revision = r.U8(0);
    const auto control = r.U16(2);
    const auto ownerAt = r.U32(4);
    const auto groupAt = r.U32(8);
    const auto saclAt = r.U32(12);
    const auto daclAt = r.U32(16);
    if (!daclAt) {
        out.Refusal = "it is " + std::to_string(stream.Length)
            + " bytes long, shorter than a descriptor's 20-byte header";
        return;
    }
    if (*revision != 1) {
        out.Refusal = "its revision is " + std::to_string(*revision) + ", not 1";
        return;
    }
    out.Add(0, "Revision", "1");
    out.Add(0, "Control", Hex(*control, 4) + ": " + Names(*control, kControl));
    if (!(*control & 0x8000)) {
        out.Refusal = "it is not in the self-relative form";
        return;
    }
    SddlText sddl;
    auto sidRow = [&](const char* field, const char* prefix, std::uint32_t at) -> bool {
        if (at == 0) {
            out.Add(0, field, "none");
            return true;
        }
        const auto sid = ReadSid(r, at);
        if (!sid) {
            out.Refusal = std::string("the ") + field + " SID at " + Hex(at) + " is not readable";
            return false;
        }
        out.Add(0, field, SidValue(sid->Text, stream.Accounts));
        sddl.Text += std::string(prefix) + SddlSid(sid->Text);
        return true;
    };
    if (!sidRow("Owner", "O:", *ownerAt) || !sidRow("Group", "G:", *groupAt))
        return;
    auto aclRows
        = [&](const char* field, const char* prefix, std::uint32_t at, std::uint16_t present,
              std::uint16_t protect, std::uint16_t required, std::uint16_t inherited) {
              if (!(*control & present)) {
                  out.Add(0, field, "none");
                  return true;
              }
              std::string flags;
              if (*control & protect)
                  flags += "P";
              if (*control & required)
                  flags += "AR";
              if (*control & inherited)
                  flags += "AI";
              if (at == 0) {
                  out.Add(0, field, "empty (no access control)");
                  sddl.Text += std::string(prefix) + flags + "NO_ACCESS_CONTROL";
                  return true;
              }
              out.Add(0, field);
              sddl.Text += std::string(prefix) + flags;
              std::string problem;
              if (!DecodeAcl(r, at, stream.Accounts, 1, out, sddl, problem)) {
                  out.Refusal = problem;
                  return false;
              }
              return true;
          };
    if (!aclRows("DACL", "D:", *daclAt, 0x0004, 0x1000, 0x0100, 0x0400)
        || !aclRows("SACL", "S:", *saclAt, 0x0010, 0x2000, 0x0200, 0x0800))
        return;
    out.Add(0, "SDDL",
        sddl.Unwritable.empty() ? sddl.Text
                                : "(none: SDDL has no form for a " + sddl.Unwritable + " entry)");
}

} // namespace sondrel::streams::decode
