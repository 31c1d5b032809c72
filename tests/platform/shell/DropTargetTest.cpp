// Dropping files on folders and on the trash through the namespace's drop targets, with data
// objects that carry an ID-list array or a file-drop list.

#include "ClipboardFormats.h"
#include "CommandUi.h"
#include "FolderDropTarget.h"
#include "GlobalMemory.h"
#include "Launcher.h"
#include "ShellAllocator.h"
#include "ShellItems.h"
#include "ShellTestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace win32;
using namespace sondrel;
using namespace sondrel::test;

namespace {

namespace fs = std::filesystem;

// A data object holding one block of one format.
class BlockData final : public IDataObject_NRC
{
public:
    BlockData(WORD format, std::string block)
        : m_format(format)
        , m_block(std::move(block))
    {
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (QueryGetData(format) != S_OK)
            return MakeHResult(0x80040064);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = GlobalAlloc(GHND, m_block.size());
        std::memcpy(GlobalLock(medium->hGlobal), m_block.data(), m_block.size());
        return S_OK;
    }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == m_format ? S_OK : MakeHResult(0x80040064);
    }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFormatEtc_NRC**) override { return E_NOTIMPL; }
    HRESULT DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    WORD m_format;
    std::string m_block;
};

BlockData IdLists(const std::vector<std::string>& paths)
{
    return { static_cast<WORD>(RegisterClipboardFormatA("shell idlist array")),
        platform::EncodeIdListArray(paths) };
}

BlockData DropFiles(const std::vector<std::string>& paths)
{
    std::string block(20, '\0');
    block[0] = 20;
    for (const std::string& path : paths)
        block += path + '\0';
    block += '\0';
    return { CF_HDROP, block };
}

Com<IDropTarget_NRC> DropTargetOf(const std::string& folder, const std::string& name)
{
    Com<IShellFolder_NRC> shell = BindPath(folder);
    std::string item;
    EXPECT_TRUE(SUCCEEDED(platform::ParseRelativePath(folder, name, item)));
    item += std::string(2, '\0');
    Pidl list(static_cast<ITEMIDLIST*>(platform::ShellAllocator().Alloc(item.size())));
    std::memcpy(list.get(), item.data(), item.size());
    PCIDLIST items[] = { list.get() };
    Com<IDropTarget_NRC> target;
    (void)shell->GetUIObjectOf(nullptr, 1, items, IID_IDropTarget, nullptr, target.outVoid());
    return target;
}

TEST(DropTarget, FoldersTakeDropsAsTheKeysSayAndFilesTakeNone)
{
    platform::QuietCommandUi ui;
    platform::InstallCommandUi(&ui);
    TempDir dir;
    fs::create_directories(dir / "to");
    WriteFile(dir / "a", "a");
    WriteFile(dir / "b", "b");
    EXPECT_FALSE(DropTargetOf(dir.Path(), "a")) << "a plain file is no drop target";
    Com<IDropTarget_NRC> target = DropTargetOf(dir.Path(), "to");
    ASSERT_TRUE(target);

    // Within one file system a plain drag moves; Ctrl copies.
    BlockData moved = IdLists({ dir / "a" });
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(&moved, MK_LBUTTON, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_CONTROL, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(&moved, 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_EQ(ReadWholeFile(dir / "to/a"), "a");

    BlockData copied = DropFiles({ dir / "b" });
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(&copied, MK_CONTROL, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(ReadWholeFile(dir / "b"), "b");
    EXPECT_EQ(ReadWholeFile(dir / "to/b"), "b");

    // A folder on itself, items into their own folder, and data that is no files: no effect.
    BlockData self = IdLists({ dir / "to" });
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(&self, MK_LBUTTON, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    BlockData home = IdLists({ dir / "to/a" });
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(&home, MK_CONTROL, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    BlockData text { 1, "not files" };
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&text, 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    BlockData wide { CF_HDROP, std::string("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\0\0\0", 20) };
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&wide, 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    platform::InstallCommandUi(nullptr);
}

TEST(DropTarget, TheTrashTakesDropsIntoTheTrash)
{
    ScopedHome home;
    platform::QuietCommandUi ui;
    platform::InstallCommandUi(&ui);
    TempDir dir;
    WriteFile(dir / "thrown", "t");
    Com<IShellFolder_NRC> desktop = Desktop();
    std::vector<Pidl> items = Enumerate(desktop.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    Com<IDropTarget_NRC> trash;
    for (const Pidl& item : items) {
        if (NameOf(desktop.get(), item.get(), SHGDN_INFOLDER) != "Trash")
            continue;
        PCIDLIST list[] = { item.get() };
        ASSERT_EQ(
            desktop->GetUIObjectOf(nullptr, 1, list, IID_IDropTarget, nullptr, trash.outVoid()),
            S_OK);
    }
    ASSERT_TRUE(trash);
    BlockData data = IdLists({ dir / "thrown" });
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(trash->DragEnter(&data, MK_LBUTTON, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE) << "the trash takes moves only";
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(trash->Drop(&data, 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    EXPECT_FALSE(fs::exists(dir / "thrown"));
    EXPECT_EQ(ReadWholeFile(home.Path() + "/.local/share/Trash/files/thrown"), "t");
    platform::InstallCommandUi(nullptr);
}

} // namespace

TEST(Launcher, TheExecLineRunsOnceForAllOrOncePerFile)
{
    using platform::DesktopEntryExec;
    using platform::ExpandExec;
    const auto exec
        = DesktopEntryExec("# a launcher\n[Desktop Entry]\nName=Viewer\nType=Application\n"
                           "Exec=\"/opt/my viewer/run\" --title=\"a \\\\\"b\\\\\"\" %F\n"
                           "[Desktop Action New]\nExec=other %f\n");
    ASSERT_TRUE(exec);
    EXPECT_EQ(*exec, "\"/opt/my viewer/run\" --title=\"a \\\"b\\\"\" %F");
    using Commands = std::vector<std::vector<std::string>>;
    EXPECT_EQ(ExpandExec(*exec, { "/x y", "/z\xff" }),
        (Commands { { "/opt/my viewer/run", "--title=a \"b\"", "/x y", "/z\xff" } }));
    EXPECT_EQ(ExpandExec("view %u 100%% %i", { "/a", "/b c" }),
        (Commands { { "view", "file:///a", "100%" }, { "view", "file:///b%20c", "100%" } }));
    EXPECT_EQ(ExpandExec("view \"unclosed", { "/a" }), Commands {});
    // Not a launcher of a program: nothing to run.
    EXPECT_FALSE(DesktopEntryExec("[Desktop Entry]\nType=Link\nURL=https://example.org\n"));
    EXPECT_FALSE(DesktopEntryExec("[Other]\nType=Application\nExec=x\n"));
}
