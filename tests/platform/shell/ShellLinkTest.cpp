// The link object over real .lnk files: every field written and read back, the file's bytes
// cut short at every length, files that are no links, and links made on Windows when the shared
// material has one.

#include "ShellLink.h"

#include "ClassId.h"
#include "CodePage.h"
#include "LinkFormat.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "Win32Error.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace win32;
using sondrel::test::Com;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

Com<IShellLink_NRC> NewLink()
{
    Com<IShellLink_NRC> link;
    EXPECT_EQ(CoCreateInstance(
                  CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.outVoid()),
        S_OK);
    return link;
}

Com<IPersistFile_NRC> FileOf(const Com<IShellLink_NRC>& link)
{
    Com<IPersistFile_NRC> file;
    EXPECT_EQ(link->QueryInterface(IID_IPersistFile, file.outVoid()), S_OK);
    return file;
}

std::string Text(IShellLink_NRC* link, HRESULT (IShellLink_NRC::*get)(LPSTR, int))
{
    char buffer[8192];
    EXPECT_EQ((link->*get)(buffer, sizeof buffer), S_OK);
    return buffer;
}

TEST(ShellLink, EveryFieldRoundTripsThroughAFile)
{
    TempDir dir;
    // A target whose name is not UTF-8 and a description with multi-byte characters.
    const std::string target = dir / "t\xff\xfe rget.txt";
    WriteFile(target, "12345");
    Com<IShellLink_NRC> link = NewLink();
    ASSERT_EQ(link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(link->SetDescription("Déjà vu — 説明"), S_OK);
    ASSERT_EQ(link->SetArguments("-x \"a b\""), S_OK);
    ASSERT_EQ(link->SetIconLocation("/usr/share/icons/x.png", -7), S_OK);
    ASSERT_EQ(link->SetWorkingDirectory((dir.Path() + "/").c_str()), S_OK);
    ASSERT_EQ(link->SetHotKey(0x0641), S_OK);
    ASSERT_EQ(link->SetShowCmd(3), S_OK);
    const std::u16string file = AnsiToWide(dir / "a.lnk");
    ASSERT_EQ(FileOf(link)->Save(file.c_str(), TRUE), S_OK);
    EXPECT_EQ(FileOf(link)->IsDirty(), S_FALSE);

    Com<IShellLink_NRC> back = NewLink();
    ASSERT_EQ(FileOf(back)->Load(file.c_str(), STGM_READ), S_OK);
    char path[4097];
    WIN32_FIND_DATAA found;
    ASSERT_EQ(back->GetPath(path, sizeof path, &found, 0), S_OK);
    EXPECT_EQ(std::string(path), target);
    EXPECT_EQ(std::string(found.cFileName), "t\xff\xfe rget.txt");
    EXPECT_EQ(found.nFileSizeLow, 5u);
    EXPECT_NE(found.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_EQ(Text(back.get(), &IShellLink_NRC::GetDescription), "Déjà vu — 説明");
    EXPECT_EQ(Text(back.get(), &IShellLink_NRC::GetArguments), "-x \"a b\"");
    EXPECT_EQ(Text(back.get(), &IShellLink_NRC::GetWorkingDirectory), dir.Path() + "/");
    int icon = 0;
    char iconPath[256];
    EXPECT_EQ(back->GetIconLocation(iconPath, sizeof iconPath, &icon), S_OK);
    EXPECT_EQ(std::string(iconPath), "/usr/share/icons/x.png");
    EXPECT_EQ(icon, -7);
    WORD hotKey = 0;
    int show = 0;
    EXPECT_EQ(back->GetHotKey(&hotKey), S_OK);
    EXPECT_EQ(back->GetShowCmd(&show), S_OK);
    EXPECT_EQ(hotKey, 0x0641);
    EXPECT_EQ(show, 3);
    // The ID list names the same item as the path does.
    PIDLIST pidl = nullptr;
    ASSERT_EQ(back->GetIDList(&pidl), S_OK);
    EXPECT_EQ(
        sondrel::test::Bytes(pidl), sondrel::test::Bytes(sondrel::test::ParsePath(target).get()));
    sondrel::test::PidlFree()(pidl);
    EXPECT_EQ(back->Resolve(nullptr, SLR_NO_UI), S_OK);

    // A buffer too small for the description gets whole characters only.
    char small[7];
    EXPECT_EQ(back->GetDescription(small, sizeof small), S_OK);
    EXPECT_EQ(std::string(small), "Déjà");
}

TEST(ShellLink, ResolvingAMovedTargetByItsRelativePath)
{
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "old").c_str(), 0755), 0);
    WriteFile(dir / "old/doc", "x");
    Com<IShellLink_NRC> link = NewLink();
    ASSERT_EQ(link->SetPath((dir / "old/doc").c_str()), S_OK);
    ASSERT_EQ(link->SetRelativePath((dir / "old/doc.lnk").c_str(), 0), S_OK);
    const std::u16string file = AnsiToWide(dir / "old/doc.lnk");
    ASSERT_EQ(FileOf(link)->Save(file.c_str(), TRUE), S_OK);
    // The folder moves with the link in it: the absolute path is gone, the relative one holds.
    ASSERT_EQ(::rename((dir / "old").c_str(), (dir / "new").c_str()), 0);
    Com<IShellLink_NRC> moved = NewLink();
    const std::u16string movedFile = AnsiToWide(dir / "new/doc.lnk");
    ASSERT_EQ(FileOf(moved)->Load(movedFile.c_str(), STGM_READ), S_OK);
    EXPECT_EQ(moved->Resolve(nullptr, SLR_NO_UI), S_OK);
    char path[4097];
    EXPECT_EQ(moved->GetPath(path, sizeof path, nullptr, 0), S_OK);
    EXPECT_EQ(std::string(path), dir / "new/doc");
    // Gone altogether: the failure is said, and nothing is written to the link.
    ASSERT_EQ(::unlink((dir / "new/doc").c_str()), 0);
    Com<IShellLink_NRC> lost = NewLink();
    ASSERT_EQ(FileOf(lost)->Load(movedFile.c_str(), STGM_READ), S_OK);
    EXPECT_EQ(lost->Resolve(nullptr, SLR_NO_UI), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST(ShellLink, CutAndForeignBytesAreRefusedWithoutHarm)
{
    TempDir dir;
    const std::string target = dir / "target";
    WriteFile(target, "");
    Com<IShellLink_NRC> link = NewLink();
    ASSERT_EQ(link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(link->SetDescription("description"), S_OK);
    ASSERT_EQ(link->SetArguments("arguments"), S_OK);
    const std::u16string file = AnsiToWide(dir / "whole.lnk");
    ASSERT_EQ(FileOf(link)->Save(file.c_str(), TRUE), S_OK);
    const std::string whole = sondrel::test::ReadWholeFile(dir / "whole.lnk");
    // Every prefix short of the strings' end is refused (the terminal block alone may go).
    for (std::size_t length = 0; length + 4 < whole.size(); ++length) {
        sondrel::shelllink::LinkRecord record;
        EXPECT_FALSE(sondrel::shelllink::ReadLink(
            reinterpret_cast<const unsigned char*>(whole.data()), length, record))
            << length;
    }
    const struct
    {
        const char* Name;
        std::string Bytes;
    } foreign[] = { { "empty", "" }, { "text", std::string(200, 'a') },
        { "bad-id-list", whole.substr(0, 20) + '\x01' + whole.substr(21, 55) + "\xff\x7f" } };
    for (const auto& f : foreign) {
        WriteFile(dir / f.Name, f.Bytes);
        const std::u16string name = AnsiToWide(dir / f.Name);
        EXPECT_EQ(FileOf(NewLink())->Load(name.c_str(), STGM_READ), HRESULT_FROM_WIN32(11))
            << f.Name;
    }
    const std::u16string folder = AnsiToWide(dir.Path());
    EXPECT_EQ(FileOf(NewLink())->Load(folder.c_str(), STGM_READ), HRESULT_FROM_WIN32(5));
    // A failed save leaves the old file as it was.
    ASSERT_EQ(::mkdir((dir / "folder.lnk").c_str(), 0755), 0);
    const std::u16string ontoFolder = AnsiToWide(dir / "folder.lnk");
    EXPECT_TRUE(FAILED(FileOf(link)->Save(ontoFolder.c_str(), TRUE)));
    struct stat st
    {
    };
    EXPECT_EQ(::stat((dir / "folder.lnk").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(ShellLink, FifosDevicesAndLinksToThemAreRefusedUnopened)
{
    // Opening a FIFO releases a writer waiting on it; opening a device may arm it. Neither is
    // opened, not even through a symbolic link, and the refusal says what the item is.
    TempDir dir;
    std::vector<std::string> specials { dir / "fifo" };
    ASSERT_EQ(::mkfifo(specials[0].c_str(), 0644), 0);
    if (::mknod((dir / "device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        specials.push_back(dir / "device");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (std::size_t i = 0; i < specials.size(); ++i) {
        ASSERT_GE(::inotify_add_watch(watch, specials[i].c_str(), IN_OPEN), 0);
        const std::string named = specials[i] + ".lnk";
        const std::string linked = dir / ("link" + std::to_string(i) + ".lnk");
        ASSERT_EQ(::rename(specials[i].c_str(), named.c_str()), 0);
        ASSERT_EQ(::symlink(named.c_str(), linked.c_str()), 0);
        for (const std::string& path : { named, linked }) {
            const std::u16string wide = AnsiToWide(path);
            EXPECT_EQ(FileOf(NewLink())->Load(wide.c_str(), STGM_READ),
                HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE))
                << path;
        }
    }
    EXPECT_NE(
        SystemMessageText(ERROR_BAD_FILE_TYPE).find("FIFO, socket or device"), std::string::npos);
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "a FIFO or device was opened";
    ::close(watch);
    if (specials.size() < 2)
        GTEST_SKIP() << "could not make a device node (needs CAP_MKNOD); the FIFO passed";
}

TEST(ShellLink, LinksMadeOnWindowsRead)
{
    const std::string root = SONDREL_FIXTURES_DIR;
    std::vector<std::string> links;
    for (const char* sub : { "", "/lnk", "/links" }) {
        if (DIR* d = ::opendir((root + sub).c_str())) {
            while (const dirent* e = ::readdir(d)) {
                const std::string name = e->d_name;
                if (name.size() > 4 && name.ends_with(".lnk"))
                    links.push_back(root + sub + "/" + name);
            }
            ::closedir(d);
        }
    }
    if (links.empty())
        GTEST_SKIP() << "no Windows-made .lnk among the shared fixtures in " << root;
    for (const std::string& path : links) {
        const std::u16string file = AnsiToWide(path);
        Com<IShellLink_NRC> link = NewLink();
        EXPECT_EQ(FileOf(link)->Load(file.c_str(), STGM_READ), S_OK) << path;
        char target[4097];
        EXPECT_TRUE(SUCCEEDED(link->GetPath(target, sizeof target, nullptr, 0))) << path;
    }
}

TEST(ClassId, ParsesOnlyTheBracedForm)
{
    const struct
    {
        const char16_t* Text;
        bool Ok;
    } cases[] = {
        { u"{00021401-0000-0000-C000-000000000046}", true },
        { u"{00021401-0000-0000-c000-000000000046}", true },
        { u"00021401-0000-0000-C000-000000000046", false },
        { u"{00021401-0000-0000-C000-000000000046", false },
        { u"{00021401-0000-0000-C000-000000000046}x", false },
        { u"{0002140G-0000-0000-C000-000000000046}", false },
        { u"{00021401-0000-0000-C000-00000000004}", false },
        { u"", false },
    };
    for (const auto& c : cases) {
        CLSID id {};
        EXPECT_EQ(CLSIDFromString(c.Text, &id), c.Ok ? S_OK : CO_E_CLASSSTRING);
        EXPECT_EQ(id == CLSID_ShellLink, c.Ok);
    }
    EXPECT_EQ(
        sondrel::platform::ClassIdText(CLSID_ShellLink), "{00021401-0000-0000-C000-000000000046}");
}

} // namespace
