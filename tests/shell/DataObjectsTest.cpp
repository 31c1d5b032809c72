// The data objects of the list and the tree on real files: the exact bytes of both blocks, the
// formats offered and refused, the enumerator, and the object of nothing.
#include "DataObjects.h"

#include "FolderDropTarget.h"
#include "IdListArray.h"
#include "IdListFormat.h"
#include "ShellHeld.h"
#include "ShellTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace sondrel;
using namespace sondrel::shell;
using namespace std::string_literals;
using test::Com;

namespace {

std::string U32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string Whole(PCItemIDList pidl)
{
    return { reinterpret_cast<const char*>(pidl), IdListLen(pidl) };
}

// The bytes a data object hands out for `format`, or the failure.
win32::HRESULT Fetch(IDataObject_NRC* data, win32::WORD format, std::string& bytes,
    win32::DWORD tymed = win32::TYMED_HGLOBAL)
{
    win32::FORMATETC wanted;
    wanted.cfFormat = format;
    wanted.tymed = tymed;
    win32::STGMEDIUM medium;
    const win32::HRESULT result = data->GetData(&wanted, &medium);
    if (result == win32::S_OK) {
        EXPECT_EQ(medium.tymed, win32::TYMED_HGLOBAL);
        EXPECT_EQ(medium.pUnkForRelease, nullptr);
        bytes.assign(static_cast<const char*>(win32::GlobalLock(medium.hGlobal)),
            win32::GlobalSize(medium.hGlobal));
        (void)win32::GlobalFree(medium.hGlobal);
    }
    return result;
}

Com<IDataObject_NRC> Hold(TPTShellDataObject* object)
{
    Com<IDataObject_NRC> held;
    EXPECT_EQ(object->QueryInterface(win32::IID_IDataObject, held.outVoid()), win32::S_OK);
    return held;
}

} // namespace

TEST(DataObjects, ASelectionGivesByteExactBlocks)
{
    test::TempDir dir;
    test::WriteFile(dir / "a.txt", "a");
    test::WriteFile(dir / "b\xff", "b");
    const test::Pidl folder = test::ParsePath(dir.Path());
    const test::Pidl absA = test::ParsePath(dir / "a.txt");
    const test::Pidl absB = test::ParsePath(dir / "b\xff");
    ASSERT_TRUE(folder && absA && absB);
    TPTIdListArray levelsA(absA.get());
    const HeldPidl a(CopyIdList(nullptr, levelsA.GetItem(levelsA.GetCount() - 1)));
    TPTIdListArray levelsB(absB.get());
    const HeldPidl b(CopyIdList(nullptr, levelsB.GetItem(levelsB.GetCount() - 1)));

    auto data = Hold(new TDataObject_shlv(folder.get(), { a.Get(), b.Get() }));
    std::string ids;
    ASSERT_EQ(Fetch(data.get(), ShellIdListArrayFormat(), ids), win32::S_OK);
    const std::string parent = Whole(folder.get());
    EXPECT_EQ(ids,
        U32(2) + U32(16) + U32(16 + parent.size()) + U32(16 + parent.size() + IdListLen(a.Get()))
            + parent + Whole(a.Get()) + Whole(b.Get()));
    EXPECT_EQ(ids.size(), 4 * 2 + 8 + parent.size() + IdListLen(a.Get()) + IdListLen(b.Get()));

    std::string drop;
    ASSERT_EQ(Fetch(data.get(), win32::CF_HDROP, drop), win32::S_OK);
    EXPECT_EQ(
        drop, U32(20) + std::string(16, '\0') + dir / "a.txt" + "\0"s + dir / "b\xff" + "\0\0"s);

    // A node of the tree: one item under its parent node's list.
    auto node = Hold(new TDataObject_shtv(folder.get(), a.Get()));
    ASSERT_EQ(Fetch(node.get(), win32::CF_HDROP, drop), win32::S_OK);
    EXPECT_EQ(drop, U32(20) + std::string(16, '\0') + dir / "a.txt" + "\0\0"s);
}

TEST(DataObjects, OnlyFileSystemItemsReachTheFileDropList)
{
    // "Computer" is no path: its array is offered, a file-drop list is not.
    const test::Pidl computer = test::ParsePath("/");
    ASSERT_TRUE(computer);
    TPTIdListArray levels(computer.get());
    const HeldPidl first(CopyIdList(nullptr, levels.GetItem(0)));
    auto data = Hold(new TDataObject_shlv(nullptr, { first.Get() }));
    std::string bytes;
    EXPECT_EQ(Fetch(data.get(), ShellIdListArrayFormat(), bytes), win32::S_OK);
    EXPECT_EQ(Fetch(data.get(), win32::CF_HDROP, bytes), DV_E_FORMATETC);
    // The desktop parent is written as the empty list.
    EXPECT_EQ(bytes.substr(12, 2), "\0\0"s);
}

TEST(DataObjects, QueriesAndTheEnumerator)
{
    test::TempDir dir;
    test::WriteFile(dir / "f", "f");
    const test::Pidl folder = test::ParsePath(dir.Path());
    const test::Pidl abs = test::ParsePath(dir / "f");
    TPTIdListArray levels(abs.get());
    const HeldPidl f(CopyIdList(nullptr, levels.GetItem(levels.GetCount() - 1)));
    auto data = Hold(new TDataObject_shlv(folder.get(), { f.Get() }));

    win32::FORMATETC query;
    query.cfFormat = win32::CF_HDROP;
    query.tymed = win32::TYMED_HGLOBAL | 4;
    EXPECT_EQ(data->QueryGetData(&query), win32::S_OK);
    query.tymed = 4; // a stream: not offered
    EXPECT_EQ(data->QueryGetData(&query), DV_E_TYMED);
    std::string bytes;
    EXPECT_EQ(Fetch(data.get(), win32::CF_HDROP, bytes, 4), DV_E_TYMED);
    query.tymed = win32::TYMED_HGLOBAL;
    query.dwAspect = 4; // an icon: not offered
    EXPECT_EQ(data->QueryGetData(&query), DV_E_FORMATETC);
    query.dwAspect = DVASPECT_CONTENT;
    query.cfFormat = 1; // text
    EXPECT_EQ(data->QueryGetData(&query), DV_E_FORMATETC);
    EXPECT_EQ(data->GetDataHere(&query, nullptr), win32::E_NOTIMPL);
    EXPECT_EQ(data->SetData(&query, nullptr, 0), win32::E_NOTIMPL);
    EXPECT_EQ(data->DAdvise(&query, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);

    Com<IEnumFormatEtc_NRC> formats;
    EXPECT_EQ(data->EnumFormatEtc(2, formats.out()), win32::E_NOTIMPL);
    EXPECT_FALSE(formats);
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.out()), win32::S_OK);
    win32::FORMATETC got[3];
    win32::ULONG fetched = 99;
    EXPECT_EQ(formats->Next(3, got, &fetched), win32::S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0].cfFormat, ShellIdListArrayFormat());
    EXPECT_EQ(got[1].cfFormat, win32::CF_HDROP);
    EXPECT_EQ(got[1].dwAspect, DVASPECT_CONTENT);
    EXPECT_EQ(got[1].lindex, -1);
    EXPECT_EQ(got[1].tymed, win32::TYMED_HGLOBAL);
    EXPECT_EQ(formats->Next(1, got, &fetched), win32::S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(formats->Reset(), win32::S_OK);
    EXPECT_EQ(formats->Skip(1), win32::S_OK);
    Com<IEnumFormatEtc_NRC> clone;
    ASSERT_EQ(formats->Clone(clone.out()), win32::S_OK);
    EXPECT_EQ(formats->Skip(5), win32::S_FALSE);
    EXPECT_EQ(formats->Next(1, got, nullptr), win32::S_FALSE);
    // The clone stayed where the original was when it was made.
    EXPECT_EQ(clone->Next(1, got, nullptr), win32::S_OK);
    EXPECT_EQ(got[0].cfFormat, win32::CF_HDROP);
}

TEST(DataObjects, NothingSelectedOffersNothing)
{
    auto data = Hold(new TDataObject_shlv(nullptr, {}));
    for (const win32::WORD format : { ShellIdListArrayFormat(), win32::CF_HDROP }) {
        win32::FORMATETC query;
        query.cfFormat = format;
        query.tymed = win32::TYMED_HGLOBAL;
        EXPECT_EQ(data->QueryGetData(&query), DV_E_FORMATETC);
    }
    Com<IEnumFormatEtc_NRC> formats;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.out()), win32::S_OK);
    win32::FORMATETC got;
    EXPECT_EQ(formats->Next(1, &got, nullptr), win32::S_FALSE);
}

TEST(DataObjects, ATargetDeviceIsCopiedWithItsRecord)
{
    TPTFormatEtcList list;
    const std::uint32_t device[3] = { 12, 0xAAAA, 0xBBBB };
    win32::FORMATETC format;
    format.cfFormat = 7;
    format.ptd = const_cast<std::uint32_t*>(device);
    list.Add(format);
    ASSERT_EQ(list.Count(), 1);
    ASSERT_NE(list.Item(0).ptd, device);
    EXPECT_EQ(std::memcmp(list.Item(0).ptd, device, sizeof device), 0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
