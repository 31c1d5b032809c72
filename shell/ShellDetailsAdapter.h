#pragma once
// Column details of a folder: TShellFolder2ToShellDetailsAdapter presents a folder's
// IShellFolder2 as IShellDetails, answering only for the columns that are on by default, and
// ShellGetFolderDetails finds a folder's details interface the way the list needs it.

#include "UPTShell95.h"

#include <atomic>

namespace sondrel::shell {

class TShellFolder2ToShellDetailsAdapter final : public IShellDetails_NRC
{
public:
    // Holds one reference to `folder`; created with one reference for the caller.
    explicit TShellFolder2ToShellDetailsAdapter(IShellFolder2_NRC* folder);

    HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;
    HRESULT GetDetailsOf(PCItemIDList pidl, win32::UINT column, TShColInfo* details) override;
    HRESULT ColumnClick(win32::UINT column) override;

private:
    ~TShellFolder2ToShellDetailsAdapter();

    std::atomic<win32::ULONG> m_references { 1 };
    IShellFolder2_NRC* m_folder;
};

// The details interface of `folder` (one reference for the caller), or null: an adapter over
// its IShellFolder2 when that answers column 0, else its own IShellDetails, else the one of its
// view object.
[[nodiscard]] IShellDetails_NRC* ShellGetFolderDetails(IShellFolder_NRC* folder);

} // namespace sondrel::shell
