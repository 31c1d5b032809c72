#pragma once
// The data objects that carry shell items out of the list and the tree (clipboard, drags,
// Send To): a list of the formats offered with its enumerator, and the object itself with two
// blocks, the "Shell IDList Array" (the parent folder's absolute list and each item relative to
// it) and the file-drop list (CF_HDROP) of the items' paths. Only items of the file system go
// into the file-drop list: another item's parsing name is not a path. An object made of no
// items offers nothing.
//
// Reference-counted, starting at 0: QueryInterface adds the first reference. GUI thread.

#include "FolderDropTarget.h"
#include "GlobalMemory.h"
#include "UPTShell95.h"

#include <memory>
#include <string>
#include <vector>

namespace sondrel::shell {

inline constexpr win32::DWORD DATADIR_GET = 1;
inline constexpr win32::DWORD DVASPECT_CONTENT = 1;
inline constexpr win32::HRESULT DV_E_FORMATETC = win32::MakeHResult(0x80040064);
inline constexpr win32::HRESULT DV_E_TYMED = win32::MakeHResult(0x80040069);
inline constexpr win32::HRESULT OLE_E_ADVISENOTSUPPORTED = win32::MakeHResult(0x80040003);

// The format number of "Shell IDList Array", registered once for the process.
[[nodiscard]] win32::WORD ShellIdListArrayFormat();

// An owned list of format records; a record's target device is copied with it (its first
// 32-bit word is its size) and freed with it.
class TPTFormatEtcList
{
public:
    TPTFormatEtcList() = default;
    ~TPTFormatEtcList() { Clear(); }
    TPTFormatEtcList(const TPTFormatEtcList&) = delete;
    TPTFormatEtcList& operator=(const TPTFormatEtcList&) = delete;

    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] const win32::FORMATETC& Item(int index) const
    {
        return m_items.at(index)->Format;
    }
    // A copy of `format`, its target device with it.
    void Add(const win32::FORMATETC& format);
    // Each number becomes {number, no device, content, index -1, global memory}.
    void AddFormats(const std::vector<win32::WORD>& formats);
    void Clear();
    // S_OK when a record has the number, the content aspect and a medium in common with
    // `format`; DV_E_TYMED when only the number matches; DV_E_FORMATETC otherwise.
    [[nodiscard]] win32::HRESULT Query(const win32::FORMATETC& format) const;

private:
    struct Record
    {
        win32::FORMATETC Format;
        ~Record();
    };
    std::vector<std::unique_ptr<Record>> m_items;
};

// An enumerator over a format list it borrows: the data object that made it keeps a reference
// through it, so the list lives as long as the enumerator.
class TPTFormatEtcList_IEnumFormatEtc final : public IEnumFormatEtc_NRC
{
public:
    TPTFormatEtcList_IEnumFormatEtc(
        const TPTFormatEtcList& list, IUnknown_NRC* owner, int position);

    HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;
    HRESULT Next(win32::ULONG count, win32::FORMATETC* formats, win32::ULONG* fetched) override;
    HRESULT Skip(win32::ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFormatEtc_NRC** copy) override;

private:
    ~TPTFormatEtcList_IEnumFormatEtc();

    win32::ULONG m_references = 0;
    const TPTFormatEtcList& m_list;
    IUnknown_NRC* m_owner;
    int m_position;
};

// The data object of some items of one folder. It also answers with the files it carries,
// read once, so that drop targets need not read its blocks at every step of a drag.
class TPTShellDataObject : public IDataObject_NRC, public platform::IFilePaths_NRC
{
public:
    const std::vector<std::string>& FilePaths() override { return m_paths; }
    bool NewNamesOnly() override { return m_newNames; }

    HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;
    HRESULT GetData(win32::FORMATETC* format, win32::STGMEDIUM* medium) override;
    HRESULT GetDataHere(win32::FORMATETC* format, win32::STGMEDIUM* medium) override;
    HRESULT QueryGetData(win32::FORMATETC* format) override;
    HRESULT GetCanonicalFormatEtc(win32::FORMATETC* in, win32::FORMATETC* out) override;
    HRESULT SetData(
        win32::FORMATETC* format, win32::STGMEDIUM* medium, win32::BOOL release) override;
    HRESULT EnumFormatEtc(win32::DWORD direction, IEnumFormatEtc_NRC** formats) override;
    HRESULT DAdvise(win32::FORMATETC* format, win32::DWORD flags, win32::IAdviseSink* sink,
        win32::DWORD* connection) override;
    HRESULT DUnadvise(win32::DWORD connection) override;
    HRESULT EnumDAdvise(win32::IEnumSTATDATA** advises) override;

    [[nodiscard]] const TPTFormatEtcList& Formats() const { return m_formats; }
    // The blocks as they are offered (empty when not offered).
    [[nodiscard]] const std::string& IdListArrayBlock() const { return m_idLists; }
    [[nodiscard]] const std::string& FileDropBlock() const { return m_fileDrop; }
    // The file-system paths of the items, as the file-drop list holds them.
    [[nodiscard]] const std::vector<std::string>& Paths() const { return m_paths; }

protected:
    // `parent` is the folder's absolute list (null: the desktop); `items` are relative to it.
    TPTShellDataObject(PCItemIDList parent, const std::vector<PCItemIDList>& items);
    TPTShellDataObject() = default;
    virtual ~TPTShellDataObject() = default;
    // Offers the blocks (each when not empty).
    void Offer(std::string idLists, std::vector<std::string> paths);
    bool m_newNames = false;

private:
    win32::ULONG m_references = 0;
    std::string m_idLists;
    std::string m_fileDrop;
    std::vector<std::string> m_paths;
    TPTFormatEtcList m_formats;
};

// Of the selected items of a list that carry shell data.
class TDataObject_shlv final : public TPTShellDataObject
{
public:
    TDataObject_shlv(PCItemIDList folder, const std::vector<PCItemIDList>& items)
        : TPTShellDataObject(folder, items)
    {
    }
};

// Of one tree node: its relative list under its parent node's absolute list.
class TDataObject_shtv final : public TPTShellDataObject
{
public:
    TDataObject_shtv(PCItemIDList parent, PCItemIDList item)
        : TPTShellDataObject(parent, std::vector<PCItemIDList> { item })
    {
    }
};

// Of files that came from elsewhere (a drag from another program, or our own through the
// display): the files the offer carries, read once.
class TDataObject_files final : public TPTShellDataObject
{
public:
    // `newNames`: the files were made for this transfer alone (FileTransfer::NewNames).
    explicit TDataObject_files(const std::vector<std::string>& paths, bool newNames = false);
};

// The file-drop block of `paths`: the 20-byte header, each path with its zero, one more zero.
[[nodiscard]] std::string MakeFileDropBlock(const std::vector<std::string>& paths);

} // namespace sondrel::shell
