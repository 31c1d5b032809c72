#pragma once
// The drop target of a folder or of the trash (IDropTarget): files dropped on it are copied or
// moved in, as the keys and the drives say (Ctrl copies, Shift moves, otherwise a move within
// a file system and a copy across; after a drag with the right button the user chooses from a
// menu, links too), or into the trash put in the trash. The files are read from
// the data object's "Shell IDList Array" block, or else from its file-drop list (CF_HDROP).
// Reference-counted; GUI thread.

#include "BytePath.h"
#include "ClipboardFormats.h"
#include "DropTargetBase.h"
#include "ShellInterfaces.h"

#include <optional>

namespace win32 {

constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD MK_LBUTTON = 0x01;
constexpr DWORD MK_RBUTTON = 0x02;
constexpr DWORD MK_SHIFT = 0x04;
constexpr DWORD MK_CONTROL = 0x08;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr WORD CF_HDROP = 15;

} // namespace win32

namespace sondrel::platform {

// What a data object of ours answers besides IDataObject: the files it carries, already read,
// so that a drop target asked at every step of a drag reads nothing again.
inline constexpr win32::IID IID_ISondrelFilePaths
    = { 0x5A0D2E11, 0x7C3B, 0x4E8A, { 0x9B, 0x61, 0x2F, 0x40, 0x18, 0xD7, 0x3C, 0x95 } };
class IFilePaths_NRC : public win32::IUnknown_NRC
{
public:
    [[nodiscard]] virtual const std::vector<BytePath>& FilePaths() = 0;
    // Whether the files were made for this transfer alone: see FileTransfer::NewNames.
    [[nodiscard]] virtual bool NewNamesOnly() = 0;

protected:
    ~IFilePaths_NRC() = default;
};

// The files a data object carries; nothing when it carries none we can take.
[[nodiscard]] std::optional<FileTransfer> ReadDataObject(win32::IDataObject_NRC* data);

class FolderDropTarget final : public DropTargetBase
{
public:
    // One reference for the caller. `folder` is where dropped files go (the trash's files
    // folder when `trash`).
    [[nodiscard]] static FolderDropTarget* Create(BytePath folder, bool trash);

    win32::HRESULT DragEnter(win32::IDataObject_NRC* data, win32::DWORD keyState,
        win32::POINTL point, win32::DWORD* effect) override;
    win32::HRESULT DragOver(
        win32::DWORD keyState, win32::POINTL point, win32::DWORD* effect) override;
    win32::HRESULT DragLeave() override;
    win32::HRESULT Drop(win32::IDataObject_NRC* data, win32::DWORD keyState, win32::POINTL point,
        win32::DWORD* effect) override;

    // The effect a drop of `transfer` with `keyState` would have, within `allowed`.
    [[nodiscard]] win32::DWORD EffectFor(
        const FileTransfer& transfer, win32::DWORD keyState, win32::DWORD allowed) const;
    // The effect the user chooses from the menu a drop with the right button shows: move, copy
    // or link, within `allowed` (the left button's effect the default), or none.
    [[nodiscard]] win32::DWORD ChooseEffect(
        const FileTransfer& transfer, win32::DWORD keyState, win32::DWORD allowed) const;

private:
    enum class Placement { Elsewhere, SameFolder, Refused };
    // Where the items are relative to the folder: refused when the folder is one of them or
    // lies below one of them.
    [[nodiscard]] Placement PlacementOf(const FileTransfer& transfer) const;

    FolderDropTarget(BytePath folder, bool trash);
    ~FolderDropTarget() override = default;

    BytePath m_folder;
    bool m_trash;
    std::optional<FileTransfer> m_entered; // what the drag carries, from DragEnter on
};

} // namespace sondrel::platform
