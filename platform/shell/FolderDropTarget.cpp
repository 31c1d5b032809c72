#include "FolderDropTarget.h"

#include "CommandUi.h"
#include "GlobalMemory.h"
#include "ShellCommands.h"

#include <cstring>

#include <sys/stat.h>

namespace sondrel::platform {

namespace {

    using namespace win32;

    // The bytes of one format of `data`, or nothing.
    std::optional<std::string> Fetch(IDataObject_NRC* data, WORD format)
    {
        FORMATETC wanted;
        wanted.cfFormat = format;
        wanted.tymed = TYMED_HGLOBAL;
        STGMEDIUM medium;
        if (data->QueryGetData(&wanted) != S_OK || data->GetData(&wanted, &medium) != S_OK)
            return std::nullopt;
        std::optional<std::string> bytes;
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr)
            bytes = std::string(
                static_cast<const char*>(GlobalLock(medium.hGlobal)), GlobalSize(medium.hGlobal));
        if (medium.pUnkForRelease != nullptr)
            medium.pUnkForRelease->Release();
        else
            (void)GlobalFree(medium.hGlobal);
        return bytes;
    }

    // A file-drop block: a 20-byte header whose first word is the offset of the list, and the
    // paths, each ended by a zero, the list by another (8-bit paths only; a wide list is not
    // ours to read).
    std::optional<std::vector<BytePath>> DropFiles(std::string_view block)
    {
        if (block.size() < 20)
            return std::nullopt;
        std::uint32_t offset = 0;
        std::uint32_t wide = 0;
        std::memcpy(&offset, block.data(), 4);
        std::memcpy(&wide, block.data() + 16, 4);
        if (wide != 0 || offset < 20 || offset >= block.size())
            return std::nullopt;
        std::vector<BytePath> paths;
        for (std::size_t at = offset; at < block.size();) {
            const std::size_t end = block.find('\0', at);
            if (end == std::string_view::npos)
                return std::nullopt;
            if (end == at)
                break;
            paths.emplace_back(block.substr(at, end - at));
            at = end + 1;
        }
        if (paths.empty())
            return std::nullopt;
        return paths;
    }

    bool SameDevice(const BytePath& a, const BytePath& b)
    {
        struct stat first
        {
        };
        struct stat second
        {
        };
        return ::lstat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0
            && first.st_dev == second.st_dev;
    }

} // namespace

std::optional<FileTransfer> ReadDataObject(IDataObject_NRC* data)
{
    if (data == nullptr)
        return std::nullopt;
    IFilePaths_NRC* known = nullptr;
    if (data->QueryInterface(IID_ISondrelFilePaths, reinterpret_cast<void**>(&known)) == S_OK
        && known != nullptr) {
        std::optional<FileTransfer> transfer;
        if (!known->FilePaths().empty())
            transfer = FileTransfer { known->FilePaths(), false, known->NewNamesOnly() };
        known->Release();
        return transfer;
    }
    static const WORD idLists = static_cast<WORD>(RegisterClipboardFormatA("Shell IDList Array"));
    if (const auto block = Fetch(data, idLists))
        if (auto paths = DecodeIdListArray(*block))
            return FileTransfer { std::move(*paths), false };
    if (const auto block = Fetch(data, CF_HDROP))
        if (auto paths = DropFiles(*block))
            return FileTransfer { std::move(*paths), false };
    return std::nullopt;
}

FolderDropTarget* FolderDropTarget::Create(BytePath folder, bool trash)
{
    return new FolderDropTarget(std::move(folder), trash);
}

FolderDropTarget::FolderDropTarget(BytePath folder, bool trash)
    : m_folder(std::move(folder))
    , m_trash(trash)
{
}

FolderDropTarget::Placement FolderDropTarget::PlacementOf(const FileTransfer& transfer) const
{
    // Asked at every step of a drag of maybe thousands of files: views, no copies.
    const std::string_view folder(m_folder);
    Placement placement = Placement::Elsewhere;
    for (const std::string_view path : transfer.Paths) {
        // Nothing is dropped on itself or below itself.
        const std::size_t slash = path.rfind('/');
        const std::string_view parent = slash == 0 ? std::string_view("/") : path.substr(0, slash);
        const bool below
            = folder.size() > path.size() && folder.starts_with(path) && folder[path.size()] == '/';
        if (folder == path || below)
            return Placement::Refused;
        if (parent == folder)
            placement = Placement::SameFolder;
    }
    return placement;
}

DWORD FolderDropTarget::EffectFor(const FileTransfer& transfer, DWORD keyState, DWORD allowed) const
{
    // Nothing goes into the folder it is in already (unless the user chose so from a menu).
    if (PlacementOf(transfer) != Placement::Elsewhere)
        return DROPEFFECT_NONE;
    if (m_trash)
        return allowed & DROPEFFECT_MOVE;
    DWORD wanted = DROPEFFECT_COPY;
    if (keyState & MK_CONTROL)
        wanted = DROPEFFECT_COPY;
    else if (keyState & MK_SHIFT)
        wanted = DROPEFFECT_MOVE;
    else if (!transfer.Paths.empty() && SameDevice(transfer.Paths.front(), m_folder))
        wanted = DROPEFFECT_MOVE;
    if (allowed & wanted)
        return wanted;
    if (allowed & DROPEFFECT_COPY)
        return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_MOVE;
}

DWORD FolderDropTarget::ChooseEffect(
    const FileTransfer& transfer, DWORD keyState, DWORD allowed) const
{
    const Placement placement = PlacementOf(transfer);
    if (placement == Placement::Refused)
        return DROPEFFECT_NONE;
    // Items in their own folder can only be copied or linked beside themselves; the trash only
    // takes items in.
    DWORD offered = allowed;
    if (placement == Placement::SameFolder)
        offered &= DROPEFFECT_COPY | DROPEFFECT_LINK;
    if (m_trash)
        offered &= DROPEFFECT_MOVE;
    if (offered == DROPEFFECT_NONE)
        return DROPEFFECT_NONE;
    const DWORD usual = placement == Placement::SameFolder
        ? (offered & DROPEFFECT_COPY)
        : EffectFor(transfer, keyState & ~(MK_LBUTTON | MK_RBUTTON), offered);
    MenuModel menu;
    auto add = [&](DWORD effect, const char* text) {
        MenuEntry entry;
        entry.Id = effect;
        entry.Text = text;
        entry.Grayed = (offered & effect) == 0;
        entry.Default = effect == usual;
        menu.Insert(menu.Entries().size(), std::move(entry));
    };
    add(DROPEFFECT_MOVE, "&Move Here");
    if (!m_trash) {
        add(DROPEFFECT_COPY, "&Copy Here");
        add(DROPEFFECT_LINK, "Create &Links Here");
    }
    MenuEntry separator;
    separator.Separator = true;
    menu.Insert(menu.Entries().size(), std::move(separator));
    constexpr UINT kCancel = 0x100;
    MenuEntry cancel;
    cancel.Id = kCancel;
    cancel.Text = "Cancel";
    menu.Insert(menu.Entries().size(), std::move(cancel));
    const UINT chosen = CurrentCommandUi().ChooseFromMenu(menu);
    return chosen == kCancel ? DROPEFFECT_NONE : (chosen & offered);
}

HRESULT FolderDropTarget::DragEnter(IDataObject_NRC* data, DWORD keyState, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    m_entered = ReadDataObject(data);
    *effect = m_entered ? EffectFor(*m_entered, keyState, *effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT FolderDropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    *effect = m_entered ? EffectFor(*m_entered, keyState, *effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT FolderDropTarget::DragLeave()
{
    m_entered.reset();
    return S_OK;
}

HRESULT FolderDropTarget::Drop(IDataObject_NRC* data, DWORD keyState, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    m_entered.reset();
    auto transfer = ReadDataObject(data);
    // A drag with the right button ends in a menu of what may be done with the items.
    *effect = !transfer                ? DROPEFFECT_NONE
        : (keyState & MK_RBUTTON) != 0 ? ChooseEffect(*transfer, keyState, *effect)
                                       : EffectFor(*transfer, keyState, *effect);
    if (*effect == DROPEFFECT_NONE)
        return S_OK;
    if (*effect == DROPEFFECT_LINK)
        return LinkPaths(transfer->Paths, m_folder);
    transfer->Cut = *effect == DROPEFFECT_MOVE;
    const HRESULT result = TransferInto(*transfer, m_folder, m_trash);
    return result == E_ABORT ? S_OK : result;
}

} // namespace sondrel::platform
