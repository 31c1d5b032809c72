// The stream walk over the backup reader on a real NTFS volume made with mkntfs and served by
// ntfs-3g: named streams (written through the Windows-style interface, read back through the
// xattr one), the real security descriptor, EAs, object ids and reparse points.

#include "BackupApi.h"
#include "CodePage.h"
#include "NtfsImage.h"
#include "StreamWalk.h"
#include "TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace sondrel::test {

namespace {

    struct Listed
    {
        win32::DWORD Kind = 0;
        std::string Name;
        std::uint64_t Size = 0;
        std::string Content; // the bytes read, DataLength of them
        std::string ReadError;
    };

    class Collector final : public streams::TStreamSink
    {
    public:
        void AddStream(std::unique_ptr<streams::StreamInfo> info, const std::string&,
            const std::string&, int) override
        {
            Listed listed;
            listed.Kind = info->Header.dwStreamId;
            listed.Name = win32::WideToAnsi(info->Name);
            listed.Size = info->Size();
            if (info->Data)
                listed.Content.assign(
                    reinterpret_cast<const char*>(info->Data.get()), info->DataLength);
            listed.ReadError = info->ReadError;
            Streams.push_back(std::move(listed));
        }
        void SelectFirstStream() override { }

        std::vector<Listed> Streams;
    };

    std::vector<Listed> ListStreams(const std::string& path)
    {
        Collector sink;
        const std::string count = streams::WalkStreams(path, true, &sink);
        EXPECT_EQ(count, std::to_string(sink.Streams.size())) << path;
        return sink.Streams;
    }

    std::vector<win32::DWORD> Kinds(const std::vector<Listed>& listed)
    {
        std::vector<win32::DWORD> kinds;
        for (const Listed& s : listed)
            kinds.push_back(s.Kind);
        return kinds;
    }

    const Listed* Find(
        const std::vector<Listed>& listed, win32::DWORD kind, const std::string& name = {})
    {
        const auto found = std::find_if(listed.begin(), listed.end(),
            [&](const Listed& s) { return s.Kind == kind && s.Name == name; });
        return found == listed.end() ? nullptr : &*found;
    }

    // The value as ntfs-3g hands it out, to compare with what the walk delivers.
    std::string Xattr(const std::string& path, const char* name, bool followLinks = true)
    {
        std::string value(1 << 16, '\0');
        const ssize_t got = followLinks
            ? ::getxattr(path.c_str(), name, value.data(), value.size())
            : ::lgetxattr(path.c_str(), name, value.data(), value.size());
        EXPECT_GE(got, 0) << name << " of " << path;
        value.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        return value;
    }

    std::string Patterned(std::size_t size, unsigned seed)
    {
        std::string bytes(size, '\0');
        std::uint32_t state = seed;
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        return bytes;
    }

    std::uint32_t U32At(const std::string& bytes, std::size_t at)
    {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
        return value;
    }

    std::string U32Bytes(std::uint32_t value)
    {
        std::string out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>(value >> (8 * i));
        return out;
    }

    // One FILE_FULL_EA_INFORMATION entry padded to 4 bytes, its next offset its own length as
    // Windows writes even the last one (ntfs-3g refuses a list whose last offset is 0).
    std::string EaEntry(const std::string& name, const std::string& value)
    {
        std::string entry = U32Bytes(0);
        entry += '\0';
        entry += static_cast<char>(name.size());
        entry += static_cast<char>(value.size() & 0xFF);
        entry += static_cast<char>(value.size() >> 8);
        entry += name;
        entry += '\0';
        entry += value;
        entry.resize((entry.size() + 3) & ~std::size_t { 3 }, '\0');
        entry.replace(0, 4, U32Bytes(static_cast<std::uint32_t>(entry.size())));
        return entry;
    }

    const std::string kSmall = "a small named stream\n";
    const std::string kMain = "the main data\n";
    const std::string kFolderStream = "a stream on a folder\n";
    const std::string kReparseTag = U32Bytes(0x80000013);

    std::string ReparseBuffer()
    {
        const std::string payload = "not a link, some other reparse point";
        std::string buffer = kReparseTag;
        buffer += static_cast<char>(payload.size());
        buffer += '\0';
        buffer += std::string(2, '\0');
        return buffer + payload;
    }

    std::string FixtureAttr(const std::string& name)
    {
        const std::string path = std::string(SONDREL_FIXTURES_DIR) + "/attrs/" + name;
        return std::filesystem::exists(path) ? ReadWholeFile(path) : std::string();
    }

} // namespace

// One volume for the suite: mkntfs and three mounts are the slow part, and every test only
// reads what SetUpTestSuite made.
class NtfsVolume : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_image = std::make_unique<NtfsImage>();
        if (!s_image->Usable())
            return;
        s_setupProblem = MakeMaterial();
    }

    static void TearDownTestSuite() { s_image.reset(); }

    void SetUp() override
    {
        SONDREL_REQUIRE_NTFS(*s_image);
        ASSERT_EQ(s_setupProblem, "") << "the test material could not be made";
    }

    static std::string At(const std::string& name) { return *s_image / name; }

    static std::string MakeMaterial()
    {
        NtfsImage& image = *s_image;
        // Streams over 64 KiB can only be written through the Windows-style interface.
        if (!image.Mount("streams_interface=windows"))
            return image.Problem();
        WriteFile(At("streams.txt"), kMain);
        WriteFile(At("streams.txt:small"), kSmall);
        WriteFile(At("streams.txt:big"), Patterned(70000, 1));
        WriteFile(At("streams.txt:exact"), Patterned(65536, 2));
        std::filesystem::create_directory(At("folder"));
        WriteFile(At("folder:note"), kFolderStream);
        WriteFile(At("all.txt"), kMain);
        WriteFile(At("all.txt:named"), kSmall);
        if (::testing::Test::HasFatalFailure())
            return "writing through streams_interface=windows failed";

        if (!image.Mount())
            return image.Problem();
        WriteFile(At("ea.txt"), kMain);
        WriteFile(At("objid.txt"), kMain);
        WriteFile(At("reparse.bin"), "");
        WriteFile(At("target.txt"), kMain);
        const std::vector<std::pair<std::string, std::string>> metadata {
            { "ea.txt", "system.ntfs_ea" },
            { "objid.txt", "system.ntfs_object_id" },
            { "all.txt", "system.ntfs_ea" },
            { "all.txt", "system.ntfs_object_id" },
            { "reparse.bin", "system.ntfs_reparse_data" },
        };
        for (const auto& [name, attribute] : metadata) {
            // Object ids are indexed per volume: each file needs its own.
            const std::string value = attribute == "system.ntfs_ea" ? s_eaList
                : attribute == "system.ntfs_object_id" ? name + s_objectId.substr(name.size())
                                                       : ReparseBuffer();
            if (!SetXattr(At(name), attribute, value))
                return "ntfs-3g refused " + attribute + " on " + name + ": " + std::strerror(errno);
        }
        if (const std::string ea = FixtureAttr("ea-1.bin"); !ea.empty()) {
            WriteFile(At("wsl-ea.txt"), kMain);
            if (!SetXattr(At("wsl-ea.txt"), "system.ntfs_ea", ea))
                return "ntfs-3g refused the Windows-written EA list";
        }
        if (const std::string link = FixtureAttr("rp.bin.reparse"); !link.empty()) {
            // A Windows relative symbolic link to target.txt, cut from a real MFT record.
            WriteFile(At("windows-link"), "");
            if (!SetXattr(At("windows-link"), "system.ntfs_reparse_data", link))
                return "ntfs-3g refused the Windows symbolic link";
        }
        std::error_code error;
        std::filesystem::create_symlink("streams.txt", At("symlink"), error);
        if (error)
            return "symbolic link: " + error.message();
        std::filesystem::create_hard_link(At("streams.txt"), At("hardlink"), error);
        if (error)
            return "hard link: " + error.message();
        if (::testing::Test::HasFatalFailure())
            return "writing the files failed";

        // A fresh mount, as the walk would meet a volume: right after a reparse point is set
        // the kernel still holds the file as a regular one and answers EIO.
        if (!image.Mount())
            return image.Problem();
        return {};
    }

    static inline std::unique_ptr<NtfsImage> s_image;
    static inline std::string s_setupProblem;
    static inline const std::string s_eaList
        = EaEntry("FIRST", "one") + EaEntry("SECOND.NAME", std::string("v\0al\xff", 5));
    static inline const std::string s_objectId = "0123456789abcdef";
};

TEST_F(NtfsVolume, FileListsRealDescriptorDataAndItsNamedStreams)
{
    const std::vector<Listed> listed = ListStreams(At("streams.txt"));
    ASSERT_EQ(listed.size(), 5u);
    // Security first, data next, then the named streams in the file system's order.
    EXPECT_EQ(listed[0].Kind, win32::BACKUP_SECURITY_DATA);
    EXPECT_EQ(listed[0].Content, Xattr(At("streams.txt"), "system.ntfs_acl"));
    EXPECT_EQ(listed[0].Size, listed[0].Content.size());
    EXPECT_EQ(listed[1].Kind, win32::BACKUP_DATA);
    EXPECT_EQ(listed[1].Content, kMain);
    for (std::size_t i = 2; i < listed.size(); ++i)
        EXPECT_EQ(listed[i].Kind, win32::BACKUP_ALTERNATE_DATA) << i;

    const Listed* small = Find(listed, win32::BACKUP_ALTERNATE_DATA, "small");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->Size, kSmall.size());
    EXPECT_EQ(small->Content, kSmall);
    EXPECT_EQ(small->ReadError, "");

    // Exactly 65536 bytes is still within what the xattr interface hands out.
    const Listed* exact = Find(listed, win32::BACKUP_ALTERNATE_DATA, "exact");
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->Size, 65536u);
    EXPECT_TRUE(exact->Content == Patterned(65536, 2));
    EXPECT_EQ(exact->ReadError, "");
}

TEST_F(NtfsVolume, StreamOverTheXattrLimitIsListedWithoutInventedBytes)
{
    const std::vector<Listed> listed = ListStreams(At("streams.txt"));
    const auto big = std::find_if(
        listed.begin(), listed.end(), [](const Listed& s) { return s.Name == "big"; });
    ASSERT_NE(big, listed.end());
    EXPECT_EQ(big->Kind, win32::BACKUP_ALTERNATE_DATA);
    EXPECT_EQ(big->Size, 65536u) << "the most ntfs-3g's size query can prove";
    EXPECT_EQ(big->Content.size(), 0u);
    EXPECT_NE(big->ReadError, "");

    // Reading it alone fails the same way, and the streams after it are still reached whole.
    const auto index = static_cast<std::uint64_t>(big - listed.begin());
    const streams::TSingleStream alone = streams::ReadStreamAt(At("streams.txt"), index);
    ASSERT_NE(alone.Info, nullptr);
    EXPECT_EQ(alone.Info->DataLength, 0u);
    EXPECT_NE(alone.Info->ReadError, "");
    for (std::uint64_t i = index + 1; i < listed.size(); ++i) {
        const streams::TSingleStream next = streams::ReadStreamAt(At("streams.txt"), i);
        ASSERT_NE(next.Info, nullptr) << i;
        EXPECT_EQ(next.Info->ReadError, "") << i;
        EXPECT_EQ(next.Info->DataLength, listed[i].Size) << i;
    }
}

TEST_F(NtfsVolume, EaListComesAfterTheDataWithItsLastNextOffsetZero)
{
    const std::vector<Listed> listed = ListStreams(At("ea.txt"));
    ASSERT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> {
            win32::BACKUP_SECURITY_DATA, win32::BACKUP_DATA, win32::BACKUP_EA_DATA }));
    const std::string& ea = listed[2].Content;
    ASSERT_EQ(ea.size(), s_eaList.size());
    const std::uint32_t first = U32At(s_eaList, 0);
    EXPECT_EQ(U32At(ea, 0), first) << "only the last entry's offset changes";
    EXPECT_EQ(U32At(ea, first), 0u);
    EXPECT_EQ(ea.substr(first + 4), s_eaList.substr(first + 4));
    EXPECT_EQ(ea.substr(4, first - 4), s_eaList.substr(4, first - 4));
}

TEST_F(NtfsVolume, WindowsWrittenEaListIsTerminatedAtItsEnd)
{
    const std::string written = FixtureAttr("ea-1.bin");
    if (written.empty())
        GTEST_SKIP() << "the shared fixture attrs/ea-1.bin is absent";
    const std::vector<Listed> listed = ListStreams(At("wsl-ea.txt"));
    const Listed* ea = Find(listed, win32::BACKUP_EA_DATA);
    ASSERT_NE(ea, nullptr);
    ASSERT_EQ(ea->Content.size(), written.size());
    // Two entries; Windows wrote the second one's next offset as its own length.
    const std::uint32_t first = U32At(written, 0);
    ASSERT_LT(first, written.size());
    ASSERT_EQ(U32At(written, first), written.size() - first);
    std::string expected = written;
    expected.replace(first, 4, U32Bytes(0));
    EXPECT_TRUE(ea->Content == expected);
}

TEST_F(NtfsVolume, ObjectIdIsItsWhole64Bytes)
{
    const std::vector<Listed> listed = ListStreams(At("objid.txt"));
    ASSERT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> {
            win32::BACKUP_SECURITY_DATA, win32::BACKUP_DATA, win32::BACKUP_OBJECT_ID }));
    EXPECT_EQ(listed[2].Size, 64u);
    // The id, then the birth volume, birth object and domain ids, unset here.
    EXPECT_EQ(listed[2].Content, "objid.txt" + s_objectId.substr(9) + std::string(48, '\0'));
}

TEST_F(NtfsVolume, EveryKindInItsPlace)
{
    const std::vector<Listed> listed = ListStreams(At("all.txt"));
    EXPECT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> { win32::BACKUP_SECURITY_DATA, win32::BACKUP_DATA,
            win32::BACKUP_EA_DATA, win32::BACKUP_ALTERNATE_DATA, win32::BACKUP_OBJECT_ID }));
    ASSERT_NE(Find(listed, win32::BACKUP_ALTERNATE_DATA, "named"), nullptr);
    EXPECT_EQ(Find(listed, win32::BACKUP_ALTERNATE_DATA, "named")->Content, kSmall);
}

TEST_F(NtfsVolume, ReparsePointThatIsNoLinkIsWalkedAsItself)
{
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(At("reparse.bin").c_str(), &st), 0);
    ASSERT_TRUE(S_ISLNK(st.st_mode)) << "ntfs-3g shows an unknown reparse point as a link";

    const std::vector<Listed> listed = ListStreams(At("reparse.bin"));
    ASSERT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> { win32::BACKUP_SECURITY_DATA, win32::BACKUP_REPARSE_DATA }));
    EXPECT_EQ(listed[0].Content, Xattr(At("reparse.bin"), "system.ntfs_acl", false));
    EXPECT_EQ(listed[1].Content, ReparseBuffer());
    EXPECT_EQ(listed[1].Size, ReparseBuffer().size());
}

TEST_F(NtfsVolume, LinksAreFollowedToTheirTarget)
{
    // A link ntfs-3g made itself carries no reparse data; it leads to the file.
    EXPECT_EQ(Kinds(ListStreams(At("symlink"))), Kinds(ListStreams(At("streams.txt"))));
    if (FixtureAttr("rp.bin.reparse").empty())
        GTEST_SKIP() << "the shared fixture attrs/rp.bin.reparse is absent";
    // A Windows symbolic link is a name surrogate: the walk shows target.txt, not the link.
    const std::vector<Listed> listed = ListStreams(At("windows-link"));
    ASSERT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> { win32::BACKUP_SECURITY_DATA, win32::BACKUP_DATA }));
    EXPECT_EQ(listed[1].Content, kMain);
}

TEST_F(NtfsVolume, FolderShowsItsNamedStream)
{
    const std::vector<Listed> listed = ListStreams(At("folder"));
    ASSERT_EQ(Kinds(listed),
        (std::vector<win32::DWORD> { win32::BACKUP_SECURITY_DATA, win32::BACKUP_ALTERNATE_DATA }));
    EXPECT_EQ(listed[0].Content, Xattr(At("folder"), "system.ntfs_acl"));
    EXPECT_EQ(listed[1].Name, "note");
    EXPECT_EQ(listed[1].Content, kFolderStream);
}

TEST_F(NtfsVolume, CountsAgreeWithTheListings)
{
    const std::map<std::string, std::string> expected {
        { "streams.txt", "5" },
        { "hardlink", "5" }, // streams belong to the inode, not to the name
        { "symlink", "5" },
        { "folder", "2" },
        { "ea.txt", "3" },
        { "objid.txt", "3" },
        { "all.txt", "5" },
        { "reparse.bin", "2" },
        { "target.txt", "2" },
    };
    for (const auto& [name, count] : expected) {
        EXPECT_EQ(streams::WalkStreams(At(name), false, nullptr), count) << name;
        EXPECT_EQ(std::to_string(ListStreams(At(name)).size()), count) << name;
    }
}

} // namespace sondrel::test
