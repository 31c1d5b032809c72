// Positional formatting, the multi-byte-aware text helpers, shortcut files made and resolved
// through the link object, class ids from the registry, and the program's own version.

#include "ModuleVersion.h"
#include "Registry.h"
#include "ShellLinks.h"
#include "TempDir.h"
#include "TextHelpers.h"
#include "UPTShellUtils.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <unistd.h>

using namespace sondrel::shell;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;
using win32::S_OK;

namespace {

TEST(FormatStrPos, FiftyStringsAtMost)
{
    std::vector<std::string> strings;
    for (int i = 1; i <= 50; ++i)
        strings.push_back("s" + std::to_string(i));
    EXPECT_EQ(FormatStrPos("%50-%1-%12", strings), "s50-s1-s12");
    EXPECT_EQ(FormatStrPos("", strings), "");
    strings.push_back("s51");
    EXPECT_THROW((void)FormatStrPos("%1", strings), EFormatStrPosError);
    EXPECT_EQ(FormatStrPos("'%2'\n\n%1", { "reason", "New Folder" }), "'New Folder'\n\nreason");
    EXPECT_EQ(FormatStrPos("%3", { "one" }), ""); // a string that was not given
}

TEST(TextHelpers, TrailingCharactersAfterMultiByteOnes)
{
    const struct
    {
        std::string In;
        std::string Out;
    } cases[] = {
        { "", "" }, { "/home/u/", "/home/u/" }, { "/home/u", "/home/u/" },
        { "/home/é", "/home/é/" },
        { "/home/\xe2\x80\xaf", "/home/\xe2\x80\xaf/" }, // U+202F: ends in 0xAF
        { "/x\xff", "/x\xff/" }, // a byte that is no character still gets its slash
    };
    for (const auto& c : cases)
        EXPECT_EQ(EnsureTrailingCharDB(c.In, '/'), c.Out) << c.In;
    // A lone byte equal to the character counts as it.
    EXPECT_EQ(EnsureTrailingCharDB("a\xaf", '\xaf'), "a\xaf");
    EXPECT_EQ(EnsureTrailingCharDB("\xc2\xaf", '\xaf'), "\xc2\xaf\xaf");

    EXPECT_EQ(TrimRightDB(std::string("ab é \t\r\n\0 ", 11)), "ab é");
    EXPECT_EQ(TrimRightDB(" \x01"), "");

    std::string dest;
    std::size_t pos = 2;
    const std::string s = "a説b\xe8";
    CopyCharDB(pos, s, dest);
    EXPECT_EQ(dest, "説");
    EXPECT_EQ(pos, 5u);
    CopyCharDB(pos, s, dest);
    CopyCharDB(pos, s, dest); // a lead byte without its followers is one byte
    EXPECT_EQ(dest, "説b\xe8");
    EXPECT_EQ(pos, 7u);
    CopyCharDB(pos, s, dest); // past the end: nothing
    EXPECT_EQ(pos, 7u);
}

TEST(TextHelpers, CommandLineSplitting)
{
    const struct
    {
        std::string Line;
        std::vector<std::string> Parameters;
    } cases[] = {
        { "a \"b c\" d", { "a", "b c", "d" } },
        { "a\"b c\"d", { "a", "b c", "d" } }, // a quote ends the word and opens a quoted one
        { "  \t ", {} },
        { "\"\" x", { "x" } },
        { "\"open end  ", { "open end" } },
        { "\"説 明\" \xe8\xaa\xac", { "説 明", "説" } },
        { "prog\t-f  'x'", { "prog", "-f", "'x'" } },
    };
    for (const auto& c : cases) {
        std::vector<std::string> list;
        ParametizeCmdLineDB(c.Line, list);
        EXPECT_EQ(list, c.Parameters) << c.Line;
    }
}

TEST(Shortcuts, QuickShortcutAndResolvingWithoutTheList)
{
    TempDir dir;
    const std::string target = dir / "notes é.txt";
    WriteFile(target, "hello");
    ASSERT_EQ(CreateQuickShortcut(dir / "q.lnk", target), S_OK);
    TLinkData data;
    data.ResolveMode = 1;
    data.IdList = reinterpret_cast<PItemIDList>(&data); // must be overwritten with null
    ASSERT_EQ(ResolveShortcut(dir / "q.lnk", data, false), S_OK);
    EXPECT_EQ(data.Path, target);
    EXPECT_EQ(data.Description, target);
    EXPECT_EQ(data.WorkingDirectory, dir.Path() + "/");
    EXPECT_EQ(data.Options, kAllLinkDataOptions);
    EXPECT_EQ(data.IdList, nullptr);
    EXPECT_EQ(data.FindData.nFileSizeLow, 5u);

    // Every field written by options, then the list on request.
    TLinkData full;
    full.Path = target;
    full.Options = { ldoUseArgs, ldoUseIcon, ldoUseHotKey, ldoUseShowCmd };
    full.Description = "not written";
    full.Arguments = "--x";
    full.IconLocation = "icon.png";
    full.IconIndex = 4;
    full.HotKey = 0x0241;
    full.ShowCmd = 7;
    ASSERT_EQ(CreateShortcut(dir / "f.lnk", full), S_OK);
    TLinkData back;
    ASSERT_EQ(ResolveShortcut(dir / "f.lnk", back, true), S_OK);
    EXPECT_EQ(back.Description, "");
    EXPECT_EQ(back.Arguments, "--x");
    EXPECT_EQ(back.IconLocation, "icon.png");
    EXPECT_EQ(back.IconIndex, 4);
    EXPECT_EQ(back.HotKey, 0x0241);
    EXPECT_EQ(back.ShowCmd, 7);
    ASSERT_NE(back.IdList, nullptr);
    EXPECT_EQ(ShellGetPathFromIdList(back.IdList), target);
    ShellMemFree(back.IdList);

    // A link whose target is gone stops at the resolution and leaves the fields alone.
    ASSERT_EQ(::unlink(target.c_str()), 0);
    TLinkData lost;
    lost.Path = "kept";
    EXPECT_TRUE(FAILED(ResolveShortcut(dir / "q.lnk", lost, false)));
    EXPECT_EQ(lost.Path, "kept");
    EXPECT_EQ(lost.Options, TLinkDataOptions {});
    EXPECT_TRUE(FAILED(ResolveShortcut(dir / "none.lnk", lost, false)));
}

TEST(Registry, ClassIdsOfFileTypes)
{
    TempDir dir;
    WriteFile(dir / "registry",
        "[HKCR\\.direct]\n@=\"CLSID\\\\{00021401-0000-0000-C000-000000000046}\"\n"
        "[HKCR\\.sub]\n@=\"ignored\"\n[HKCR\\.sub\\CLSID]\n@=\"{00021401-0000-0000-C000-"
        "000000000046}\"\n"
        "[HKCR\\.txt]\n@=\"txtfile\"\n"
        "[HKCR\\txtfile\\CLSID]\n@=\"{00021401-0000-0000-C000-000000000046}\"\n"
        "[HKCR\\.noclass]\n@=\"plain\"\n[HKCR\\plain]\n@=\"x\"\n"
        "[HKCR\\.bad]\n@=\"clsid\\\\not-a-class-id\"\n"
        "[HKCR\\.empty]\n");
    sondrel::platform::SetRegistryFile(dir / "registry");
    const struct
    {
        const char* Type;
        bool Found;
    } cases[] = { { ".direct", true }, { ".sub", true }, { ".txt", true }, { ".noclass", false },
        { ".bad", false }, { ".empty", false }, { ".absent", false }, { "", false } };
    for (const auto& c : cases) {
        win32::GUID id {};
        EXPECT_EQ(PTClsidFromFileType(c.Type, id), c.Found) << c.Type;
        if (c.Found) {
            EXPECT_EQ(id, win32::CLSID_ShellLink) << c.Type;
        }
    }
    sondrel::platform::SetRegistryFile({});
}

TEST(ModuleVersion, TheProgramsOwnFileVersion)
{
    TPTModuleVersion version;
    ASSERT_TRUE(GetModuleVersion("", version));
    EXPECT_EQ(version.MS, 0x00020005u); // 2.5.7.11, as the build embeds it
    EXPECT_EQ(version.LS, 0x0007000Bu);
    TempDir dir;
    WriteFile(dir / "plain", "no program");
    TPTModuleVersion untouched { 1, 2 };
    EXPECT_FALSE(GetModuleVersion(dir / "plain", untouched));
    EXPECT_EQ(untouched.LS, 1u);
    EXPECT_FALSE(GetModuleVersion(dir / "absent", untouched));
}

} // namespace
