#pragma once
// What the namespace's drop targets share: the reference count, and the one interface they
// answer besides IUnknown. Made with one reference for the caller; the last Release deletes.

#include "ShellInterfaces.h"

#include <atomic>

namespace sondrel::platform {

class DropTargetBase : public win32::IDropTarget_NRC
{
public:
    win32::HRESULT QueryInterface(win32::REFIID riid, void** object) final;
    win32::ULONG AddRef() final;
    win32::ULONG Release() final;

protected:
    DropTargetBase() = default;
    virtual ~DropTargetBase() = default;

private:
    std::atomic<win32::ULONG> m_references { 1 };
};

} // namespace sondrel::platform
