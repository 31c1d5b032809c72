#include "ShellDetailsAdapter.h"

#include "UPTShellUtils.h"

namespace sondrel::shell {

using namespace win32;

TShellFolder2ToShellDetailsAdapter::TShellFolder2ToShellDetailsAdapter(IShellFolder2_NRC* folder)
    : m_folder(folder)
{
    if (m_folder)
        m_folder->AddRef();
}

TShellFolder2ToShellDetailsAdapter::~TShellFolder2ToShellDetailsAdapter()
{
    if (m_folder)
        m_folder->Release();
}

HRESULT TShellFolder2ToShellDetailsAdapter::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellDetails) {
        *object = static_cast<IShellDetails_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TShellFolder2ToShellDetailsAdapter::AddRef() { return ++m_references; }

ULONG TShellFolder2ToShellDetailsAdapter::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TShellFolder2ToShellDetailsAdapter::GetDetailsOf(
    PCItemIDList pidl, UINT column, TShColInfo* details)
{
    SHCOLSTATEF state = 0;
    const HRESULT hr = m_folder->GetDefaultColumnState(column, &state);
    if (FAILED(hr) || (state & SHCOLSTATE_ONBYDEFAULT))
        return m_folder->GetDetailsOf(pidl, column, details);
    return E_INVALIDARG;
}

HRESULT TShellFolder2ToShellDetailsAdapter::ColumnClick(UINT) { return E_NOTIMPL; }

IShellDetails_NRC* ShellGetFolderDetails(IShellFolder_NRC* folder)
{
    if (folder == nullptr)
        return nullptr;
    IShellDetails_NRC* details = nullptr;
    IShellFolder2_NRC* folder2 = nullptr;
    if (SUCCEEDED(folder->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(&folder2)))) {
        TShColInfo probe;
        const HRESULT hr = folder2->GetDetailsOf(nullptr, 0, &probe);
        if (SUCCEEDED(hr)) {
            StrretFree(probe.str);
            details = new TShellFolder2ToShellDetailsAdapter(folder2);
            folder2->Release();
            return details;
        }
        folder2->Release();
        if (SUCCEEDED(
                folder->QueryInterface(IID_IShellDetails, reinterpret_cast<void**>(&details))))
            return details;
        details = nullptr;
    }
    if (FAILED(folder->CreateViewObject(
            nullptr, IID_IShellDetails, reinterpret_cast<void**>(&details))))
        return nullptr;
    return details;
}

} // namespace sondrel::shell
