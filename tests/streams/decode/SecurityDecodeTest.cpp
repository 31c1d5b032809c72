// Security descriptors made here (from mode bits and POSIX ACLs set with setfacl) and by Windows
// (the NTFS fixture), decoded and their SDDL read back by an independent parser: Samba's Python
// bindings, where the machine has them.

#include "DecodeSupport.h"
#include "NtfsImage.h"
#include "Run.h"
#include "SecurityDescriptor.h"
#include "StreamDecode.h"
#include "StreamWalk.h"
#include "TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <unistd.h>

namespace sondrel::test {

namespace {

    std::string HexOf(const Bytes& bytes)
    {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string out;
        for (std::uint8_t b : bytes) {
            out += kDigits[b >> 4];
            out += kDigits[b & 15];
        }
        return out;
    }

    // Samba parses our SDDL and the raw bytes; the owner, group and every entry must agree.
    constexpr const char* kRoundTrip = R"(
import re, sys
from samba.dcerpc import security
from samba.ndr import ndr_unpack
raw = bytes.fromhex(sys.argv[1])
# This Samba reads the file-rights shorthand FA as 0x1ff rather than all file rights.
sddl = re.sub(r'(?<=;)FA(?=;)', '0x1f01ff', sys.argv[2])
domain = security.dom_sid('S-1-5-21-1-2-3')
def entries(acl):
    if acl is None:
        return None
    return [(a.type, a.flags, a.access_mask, str(a.trustee)) for a in acl.aces]
def parts(sd):
    return (str(sd.owner_sid), str(sd.group_sid), entries(sd.dacl), entries(sd.sacl))
theirs = parts(ndr_unpack(security.descriptor, raw))
mine = parts(security.descriptor.from_sddl(sddl, domain))
if theirs != mine:
    print('bytes:', theirs)
    print('SDDL: ', mine)
    sys.exit(1)
)";

    const char* kPython = "/usr/bin/python3";

    // Empty when Samba read the SDDL as the bytes say; else what differs, or why it could not
    // be asked ("skip: ...").
    std::string SambaDisagrees(const Bytes& descriptor, const std::string& sddl)
    {
        static const bool have = access(kPython, X_OK) == 0
            && Run({ kPython, "-c", "import samba.dcerpc.security" }).Status == 0;
        if (!have)
            return "skip: Samba's Python bindings (python3-samba) are not installed";
        const RunResult result = Run({ kPython, "-c", kRoundTrip, HexOf(descriptor), sddl });
        return result.Status == 0 ? "" : result.Out + result.Err;
    }

#define EXPECT_SAMBA_AGREES(bytes, sddl)                                                           \
    do {                                                                                           \
        const std::string problem = SambaDisagrees(bytes, sddl);                                   \
        if (problem.starts_with("skip: "))                                                         \
            GTEST_SKIP() << problem.substr(6);                                                     \
        EXPECT_EQ(problem, "") << (sddl);                                                          \
    } while (false)

    Bytes Bytes_(const std::vector<std::uint8_t>& v) { return v; }

} // namespace

TEST(SecurityDecode, DescriptorFromModeBitsAndAcl)
{
    backup::PosixSecurity file;
    file.Uid = 4242;
    file.Gid = 4242;
    file.Mode = 0640;
    const Bytes plain = Bytes_(backup::BuildSecurityDescriptor(file));
    const auto decoded = Decode(3, plain);
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_EQ(Row(decoded, "Control"), "0x8004: DACL present, self-relative");
    EXPECT_EQ(Row(decoded, "Owner"), "S-1-22-1-4242 (Unix user alice42)");
    EXPECT_EQ(Row(decoded, "Group"), "S-1-22-2-4242 (Unix group staff42)");
    EXPECT_EQ(Rows(decoded, "SID"),
        (std::vector<std::string> { "S-1-22-1-4242 (Unix user alice42)",
            "S-1-22-2-4242 (Unix group staff42)", "S-1-1-0 (Everyone)" }));
    // rw for the owner: the base rights with read and write data; r for the group.
    EXPECT_EQ(Rows(decoded, "Rights")[1], "0x00120089: Read");
    EXPECT_EQ(Row(decoded, "SDDL"),
        "O:S-1-22-1-4242G:S-1-22-2-4242D:(A;;0x1f019f;;;S-1-22-1-4242)(A;;FR;;;S-1-22-2-4242)"
        "(A;;0x120088;;;WD)");
    EXPECT_SAMBA_AGREES(plain, Row(decoded, "SDDL"));

    backup::PosixSecurity folder;
    folder.Uid = 7;
    folder.Gid = 0;
    folder.Mode = 0750;
    folder.Folder = true;
    folder.Acl = { { backup::PosixAclEntry::Tag::UserObj, 0, 7 },
        { backup::PosixAclEntry::Tag::User, 4242, 6 },
        { backup::PosixAclEntry::Tag::GroupObj, 0, 5 }, { backup::PosixAclEntry::Tag::Mask, 0, 7 },
        { backup::PosixAclEntry::Tag::Other, 0, 0 } };
    const Bytes withAcl = Bytes_(backup::BuildSecurityDescriptor(folder));
    const auto aclDecoded = Decode(3, withAcl);
    EXPECT_EQ(aclDecoded.Refusal, "");
    EXPECT_EQ(Row(aclDecoded, "Owner"), "S-1-22-1-7 (Unix user 7)");
    EXPECT_EQ(Row(aclDecoded, "Flags"), "0x03: object inherit, container inherit");
    EXPECT_EQ(Rows(aclDecoded, "Entry " + std::to_string(2)).at(0),
        "allow S-1-22-1-4242 (Unix user alice42)");
    EXPECT_SAMBA_AGREES(withAcl, Row(aclDecoded, "SDDL"));
}

TEST(SecurityDecode, DescriptorOfAFileGivenAnAclWithSetfacl)
{
    if (!HaveProgram("setfacl"))
        GTEST_SKIP() << "setfacl (Debian's acl) is not installed";
    TempDir dir;
    const std::string path = dir / "shared.txt";
    WriteFile(path, "x");
    const RunResult set
        = ::sondrel::test::Run({ "setfacl", "-m", "u:nobody:rw,g:nogroup:r,o::-", path });
    if (set.Status != 0)
        GTEST_SKIP() << "this file system takes no POSIX ACL: " << set.Err;
    const streams::TSingleStream security = streams::ReadStreamAt(path, 0);
    ASSERT_TRUE(security.Info) << security.OpenError;
    ASSERT_EQ(security.Info->Header.dwStreamId, 3u);
    const auto decoded = streams::DecodeRecord(*security.Info, {});
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_TRUE(
        Row(decoded, "Owner").starts_with("S-1-22-1-" + std::to_string(getuid()) + " (Unix user "))
        << Row(decoded, "Owner");
    const std::vector<std::string> sids = Rows(decoded, "SID");
    EXPECT_NE(std::find(sids.begin(), sids.end(), "S-1-22-1-65534 (Unix user nobody)"), sids.end());
    EXPECT_NE(
        std::find(sids.begin(), sids.end(), "S-1-22-2-65534 (Unix group nogroup)"), sids.end());
    const Bytes raw(
        security.Info->Data.get(), security.Info->Data.get() + security.Info->DataLength);
    EXPECT_SAMBA_AGREES(raw, Row(decoded, "SDDL"));
}

TEST(SecurityDecode, WindowsWrittenDescriptorsOfTheNtfsFixture)
{
    NtfsImage image("grr_ntfs_img.dd.xz", 32256);
    SONDREL_REQUIRE_NTFS(image);
    ASSERT_TRUE(image.Mount()) << image.Problem();
    struct Expected
    {
        const char* Path;
        const char* Owner;
        std::size_t Entries;
    };
    for (const Expected& e : { Expected { "adstest/a.txt", "S-1-5-32-544 (Administrators)", 4 },
             Expected { "adstest/dir", "S-1-5-32-544 (Administrators)", 8 },
             Expected { "Test Directory/notes.txt", "S-1-5-32-544 (Administrators)", 1 } }) {
        SCOPED_TRACE(e.Path);
        const streams::TSingleStream security = streams::ReadStreamAt(image / e.Path, 0);
        ASSERT_TRUE(security.Info) << security.OpenError;
        ASSERT_EQ(security.Info->Header.dwStreamId, 3u);
        const auto decoded = streams::DecodeRecord(*security.Info, {});
        EXPECT_EQ(decoded.Refusal, "");
        EXPECT_EQ(Row(decoded, "Owner"), e.Owner);
        EXPECT_EQ(Row(decoded, "Entries"), std::to_string(e.Entries));
        const Bytes raw(
            security.Info->Data.get(), security.Info->Data.get() + security.Info->DataLength);
        EXPECT_SAMBA_AGREES(raw, Row(decoded, "SDDL"));
    }
}

TEST(SecurityDecode, MandatoryLabelAndEntriesSddlCannotWrite)
{
    // A SACL holding a low-integrity label that forbids writing up: SDDL "ML;;NW;;;LW".
    const Bytes label = { 1, 0, 0x10, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0,
        /* ACL */ 2, 0, 28, 0, 1, 0, 0, 0,
        /* ACE */ 0x11, 0, 20, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 16, 0, 0x10, 0, 0 };
    const auto decoded = Decode(3, label);
    EXPECT_EQ(decoded.Refusal, "");
    EXPECT_EQ(Row(decoded, "Owner"), "none");
    EXPECT_EQ(Row(decoded, "SID"), "S-1-16-4096 (Low Mandatory Level)");
    EXPECT_EQ(Row(decoded, "SDDL"), "S:(ML;;NW;;;LW)");
    // A conditional entry: read, but SDDL would need its condition, which is not decoded.
    Bytes conditional = label;
    conditional[2] = 0x04; // a DACL, not a SACL
    conditional[12] = 0;
    conditional[16] = 20;
    conditional[28] = 0x09;
    const auto unwritable = Decode(3, conditional);
    EXPECT_EQ(unwritable.Refusal, "");
    EXPECT_EQ(Row(unwritable, "Type"), "conditional allow (0x09)");
    EXPECT_EQ(Row(unwritable, "SDDL"), "(none: SDDL has no form for a conditional allow entry)");
}

TEST(SecurityDecode, HostileDescriptorsAreRefused)
{
    backup::PosixSecurity file;
    file.Mode = 0644;
    const Bytes good = Bytes_(backup::BuildSecurityDescriptor(file));
    DecodesEveryDamagedCopy(3, good);
    Bytes badOffset = good;
    badOffset[16] = 0xF0; // the DACL far past the end
    EXPECT_NE(Decode(3, badOffset).Refusal, "");
    Bytes tooManySubAuthorities = good;
    tooManySubAuthorities[21] = 200; // the owner SID's count
    EXPECT_NE(Decode(3, tooManySubAuthorities).Refusal.find("Owner"), std::string::npos);
    EXPECT_NE(Decode(3, Bytes { 1, 0 }).Refusal, "");
}

} // namespace sondrel::test
