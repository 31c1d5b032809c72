#include "DropTargetBase.h"

namespace sondrel::platform {

using namespace win32;

HRESULT DropTargetBase::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *object = static_cast<IDropTarget_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DropTargetBase::AddRef() { return ++m_references; }

ULONG DropTargetBase::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

} // namespace sondrel::platform
