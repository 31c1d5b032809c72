#include "DataObjects.h"

#include "ClipboardFormats.h"
#include "FolderDropTarget.h"
#include "IdListArray.h"
#include "IdListArrayFormat.h"
#include "ShellHeld.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sondrel::shell {

using namespace win32;

namespace {

    constexpr DWORD kFileDropHeader = 20;

    std::string_view ListBytes(PCItemIDList pidl)
    {
        return { reinterpret_cast<const char*>(pidl), IdListLen(pidl) };
    }

    // A fresh global memory block holding `bytes`; null when none can be had.
    HGLOBAL CopyToGlobal(const std::string& bytes)
    {
        HGLOBAL block = GlobalAlloc(GHND, bytes.size());
        if (block == nullptr)
            return nullptr;
        if (!bytes.empty())
            std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        (void)GlobalUnlock(block);
        return block;
    }

} // namespace

WORD ShellIdListArrayFormat()
{
    static const WORD format = static_cast<WORD>(RegisterClipboardFormatA("Shell IDList Array"));
    return format;
}

std::string MakeFileDropBlock(const std::vector<std::string>& paths)
{
    std::string block(kFileDropHeader, '\0');
    block[0] = static_cast<char>(kFileDropHeader);
    for (const std::string& path : paths) {
        block += path;
        block += '\0';
    }
    block += '\0';
    return block;
}

// ---- The format list

TPTFormatEtcList::Record::~Record() { std::free(Format.ptd); }

void TPTFormatEtcList::Add(const FORMATETC& format)
{
    auto record = std::make_unique<Record>();
    record->Format = format;
    record->Format.ptd = nullptr;
    if (format.ptd != nullptr) {
        std::uint32_t size = 0;
        std::memcpy(&size, format.ptd, sizeof size);
        size = std::max<std::uint32_t>(size, sizeof size);
        record->Format.ptd = std::malloc(size);
        if (record->Format.ptd == nullptr)
            throw std::bad_alloc();
        std::memcpy(record->Format.ptd, format.ptd, size);
    }
    m_items.push_back(std::move(record));
}

void TPTFormatEtcList::AddFormats(const std::vector<WORD>& formats)
{
    for (const WORD number : formats) {
        FORMATETC format;
        format.cfFormat = number;
        format.ptd = nullptr;
        format.dwAspect = DVASPECT_CONTENT;
        format.lindex = -1;
        format.tymed = TYMED_HGLOBAL;
        Add(format);
    }
}

void TPTFormatEtcList::Clear() { m_items.clear(); }

HRESULT TPTFormatEtcList::Query(const FORMATETC& format) const
{
    if (format.dwAspect != DVASPECT_CONTENT)
        return DV_E_FORMATETC;
    HRESULT result = DV_E_FORMATETC;
    for (const auto& record : m_items) {
        if (record->Format.cfFormat != format.cfFormat)
            continue;
        if (record->Format.tymed & format.tymed)
            return S_OK;
        result = DV_E_TYMED;
    }
    return result;
}

// ---- The enumerator

TPTFormatEtcList_IEnumFormatEtc::TPTFormatEtcList_IEnumFormatEtc(
    const TPTFormatEtcList& list, IUnknown_NRC* owner, int position)
    : m_list(list)
    , m_owner(owner)
    , m_position(position)
{
    if (m_owner)
        m_owner->AddRef();
}

TPTFormatEtcList_IEnumFormatEtc::~TPTFormatEtcList_IEnumFormatEtc()
{
    if (m_owner)
        m_owner->Release();
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumFORMATETC) {
        *object = static_cast<IEnumFormatEtc_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TPTFormatEtcList_IEnumFormatEtc::AddRef() { return ++m_references; }

ULONG TPTFormatEtcList_IEnumFormatEtc::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Next(ULONG count, FORMATETC* formats, ULONG* fetched)
{
    if (formats == nullptr && count > 0)
        return E_POINTER;
    ULONG copied = 0;
    while (copied < count && m_position < m_list.Count())
        formats[copied++] = m_list.Item(m_position++);
    if (fetched)
        *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Skip(ULONG count)
{
    const auto left = static_cast<ULONG>(m_list.Count() - m_position);
    if (count > left) {
        m_position = m_list.Count();
        return S_FALSE;
    }
    m_position += static_cast<int>(count);
    return S_OK;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Clone(IEnumFormatEtc_NRC** copy)
{
    if (copy == nullptr)
        return E_POINTER;
    auto* clone = new TPTFormatEtcList_IEnumFormatEtc(m_list, m_owner, m_position);
    clone->AddRef();
    *copy = clone;
    return S_OK;
}

// ---- The data object

TPTShellDataObject::TPTShellDataObject(PCItemIDList parent, const std::vector<PCItemIDList>& items)
{
    if (items.empty())
        return;
    std::vector<std::string_view> lists;
    lists.reserve(items.size());
    for (PCItemIDList item : items) {
        lists.push_back(ListBytes(item));
        HeldPidl absolute(ConcatIdLists(nullptr, parent, item));
        std::string path = ShellGetPathFromIdList(absolute.Get());
        if (!path.empty())
            m_paths.push_back(std::move(path));
    }
    std::vector<std::string> paths = std::move(m_paths);
    Offer(idlist::EncodeArray(parent ? ListBytes(parent) : std::string_view("\0\0", 2), lists),
        std::move(paths));
}

void TPTShellDataObject::Offer(std::string idLists, std::vector<std::string> paths)
{
    m_idLists = std::move(idLists);
    m_paths = std::move(paths);
    m_formats.Clear();
    std::vector<WORD> offered;
    if (!m_idLists.empty())
        offered.push_back(ShellIdListArrayFormat());
    m_fileDrop.clear();
    if (!m_paths.empty()) {
        m_fileDrop = MakeFileDropBlock(m_paths);
        offered.push_back(CF_HDROP);
    }
    m_formats.AddFormats(offered);
}

TDataObject_files::TDataObject_files(const std::vector<std::string>& paths, bool newNames)
{
    m_newNames = newNames;
    Offer(platform::EncodeIdListArray(paths), paths);
}

HRESULT TPTShellDataObject::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *object = static_cast<IDataObject_NRC*>(this);
        AddRef();
        return S_OK;
    }
    if (riid == platform::IID_ISondrelFilePaths) {
        *object = static_cast<platform::IFilePaths_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TPTShellDataObject::AddRef() { return ++m_references; }

ULONG TPTShellDataObject::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TPTShellDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (format == nullptr || medium == nullptr)
        return E_INVALIDARG;
    const HRESULT query = m_formats.Query(*format);
    if (query != S_OK)
        return query;
    const std::string* block = nullptr;
    if (format->cfFormat == ShellIdListArrayFormat())
        block = &m_idLists;
    else if (format->cfFormat == CF_HDROP)
        block = &m_fileDrop;
    else
        return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = nullptr;
    medium->hGlobal = CopyToGlobal(*block);
    return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
}

HRESULT TPTShellDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT TPTShellDataObject::QueryGetData(FORMATETC* format)
{
    if (format == nullptr)
        return E_INVALIDARG;
    return m_formats.Query(*format);
}

HRESULT TPTShellDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TPTShellDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT TPTShellDataObject::EnumFormatEtc(DWORD direction, IEnumFormatEtc_NRC** formats)
{
    if (formats == nullptr)
        return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    auto* enumerator
        = new TPTFormatEtcList_IEnumFormatEtc(m_formats, static_cast<IDataObject_NRC*>(this), 0);
    enumerator->AddRef();
    *formats = enumerator;
    return S_OK;
}

HRESULT TPTShellDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT TPTShellDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT TPTShellDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

} // namespace sondrel::shell
