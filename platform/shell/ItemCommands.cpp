#include "ItemCommands.h"

#include "ClipboardFormats.h"
#include "CommandUi.h"
#include "MenuModel.h"
#include "ShellCommands.h"

#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace sondrel::platform {

namespace {

    using namespace win32;

    struct Command
    {
        UINT Offset;
        const char* Verb;
        const char* Text;
        const char* Help;
        const char* Icon;
    };

    constexpr std::array kCommands {
        Command { ItemCommands::kOpen, "open", "&Open", "Opens the item.", "document-open" },
        Command { ItemCommands::kCut, "cut", "Cu&t", "Moves the items when they are pasted.",
            "edit-cut" },
        Command { ItemCommands::kCopy, "copy", "&Copy", "Copies the items when they are pasted.",
            "edit-copy" },
        Command { ItemCommands::kPaste, "paste", "&Paste",
            "Copies or moves the items on the clipboard into this folder.", "edit-paste" },
        Command { ItemCommands::kDelete, "delete", "&Delete",
            "Moves the items to the trash; with Shift, deletes them permanently.", "edit-delete" },
        Command { ItemCommands::kLink, "link", "Create &Link",
            "Makes a symbolic link to each item beside it.", "insert-link" },
        Command { ItemCommands::kOpenImage, "openimage", "Open disk &image\u2026",
            "Opens a disk image read-only and adds its NTFS volumes to Computer as drives.",
            "drive-harddisk" },
        Command { ItemCommands::kRename, "rename", "Rena&me", "Renames the item.", "" },
        Command { ItemCommands::kProperties, "properties", "P&roperties",
            "Shows the item's type, size, times, owner, file system and streams.",
            "document-properties" },
    };

    const Command* FindCommand(UINT offset)
    {
        const auto* found = std::find_if(kCommands.begin(), kCommands.end(),
            [offset](const Command& c) { return c.Offset == offset; });
        return found == kCommands.end() ? nullptr : found;
    }

    bool SameText(std::string_view a, std::string_view b)
    {
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x))
                       == std::tolower(static_cast<unsigned char>(y));
               });
    }

    bool ClipboardHoldsFiles()
    {
        return QGuiApplication::instance() != nullptr && ReadClipboard().has_value();
    }

} // namespace

ItemCommands* ItemCommands::Create(std::vector<CommandItem> items)
{
    return new ItemCommands(std::move(items));
}

ItemCommands::ItemCommands(std::vector<CommandItem> items)
    : m_items(std::move(items))
{
}

HRESULT ItemCommands::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IContextMenu) {
        *object = static_cast<IContextMenu_NRC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ItemCommands::AddRef() { return ++m_references; }

ULONG ItemCommands::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

std::vector<BytePath> ItemCommands::Paths() const
{
    std::vector<BytePath> paths;
    for (const CommandItem& item : m_items)
        paths.push_back(item.Path);
    return paths;
}

bool ItemCommands::PasteTarget() const
{
    return m_items.size() == 1 && (m_items[0].Folder || m_items[0].Trash) && !m_items[0].ReadOnly
        && !m_items[0].InTrash;
}

bool ItemCommands::Enabled(UINT offset) const
{
    if (m_items.empty())
        return false;
    const bool anyReadOnly = std::any_of(
        m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.ReadOnly; });
    const bool anyTrash
        = std::any_of(m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.Trash; });
    const bool allMovable = std::all_of(
        m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.CanMove; });
    if (std::any_of(
            m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.OpensImages; }))
        return offset == kOpenImage && m_items.size() == 1;
    const bool anyImage
        = std::any_of(m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.Image; });
    switch (offset) {
    case kOpen:
        // A file of an image is no file on disk for another program to open; folders open here.
        return (!anyTrash || m_items.size() == 1)
            && !(anyImage && std::any_of(m_items.begin(), m_items.end(), [](const CommandItem& i) {
                   return !i.Folder;
               }));
    case kCopy:
        return !anyTrash && !anyImage;
    case kCut:
    case kDelete:
        return !anyTrash && !anyReadOnly && allMovable;
    case kPaste:
        return PasteTarget() && ClipboardHoldsFiles();
    case kLink:
        return !anyTrash && !anyReadOnly
            && std::none_of(
                m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.InTrash; });
    case kRename:
        return m_items.size() == 1 && !anyTrash && !anyReadOnly && !m_items[0].InTrash
            && allMovable;
    case kProperties:
        return m_items.size() == 1 && !anyTrash;
    default:
        return false;
    }
}

HRESULT ItemCommands::QueryContextMenu(
    void* menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags)
{
    if (menu == nullptr)
        return E_INVALIDARG;
    auto& model = *static_cast<MenuModel*>(menu);
    std::vector<MenuEntry> entries;
    auto add = [&](UINT offset, bool isDefault = false) {
        const Command& command = *FindCommand(offset);
        if (idCmdFirst + offset > idCmdLast)
            return;
        MenuEntry entry;
        entry.Id = idCmdFirst + offset;
        entry.Text = command.Text;
        entry.Icon = command.Icon;
        entry.Grayed = !Enabled(offset);
        entry.Default = isDefault;
        entries.push_back(std::move(entry));
    };
    auto separator = [&] {
        MenuEntry entry;
        entry.Separator = true;
        entries.push_back(entry);
    };
    if (m_items.size() == 1 && m_items[0].OpensImages) {
        if ((flags & CMF_DEFAULTONLY) == 0)
            add(kOpenImage);
        for (std::size_t i = 0; i < entries.size(); ++i)
            model.Insert(indexMenu + i, std::move(entries[i]));
        return MakeHResult(kProperties + 1);
    }
    add(kOpen, true);
    if ((flags & CMF_DEFAULTONLY) == 0) {
        separator();
        add(kCut);
        add(kCopy);
        add(kPaste);
        if (std::none_of(m_items.begin(), m_items.end(),
                [](const CommandItem& i) { return i.Trash || i.InTrash; })) {
            // The shell library serves this sub-menu from the user's Send To folder; the
            // grayed entry alone marks it as waiting to be filled.
            MenuEntry sendTo;
            sendTo.Text = "Se&nd To";
            MenuEntry placeholder;
            placeholder.Text = "(empty)";
            placeholder.Grayed = true;
            sendTo.SubMenu.push_back(std::move(placeholder));
            entries.push_back(std::move(sendTo));
        }
        separator();
        add(kLink);
        add(kDelete);
        if (flags & CMF_CANRENAME)
            add(kRename);
        separator();
        add(kProperties);
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
        model.Insert(indexMenu + i, std::move(entries[i]));
    // The largest offset used, plus one, in the code's low word.
    return MakeHResult(kProperties + 1);
}

bool ItemCommands::OffsetOfVerb(std::string_view verb, UINT& offset)
{
    for (const Command& command : kCommands) {
        if (SameText(verb, command.Verb)) {
            offset = command.Offset;
            return true;
        }
    }
    return false;
}

HRESULT ItemCommands::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    if (info == nullptr)
        return E_INVALIDARG;
    UINT offset = 0;
    const auto verb = reinterpret_cast<std::uintptr_t>(info->lpVerb);
    if (verb < 0x10000)
        offset = static_cast<UINT>(verb);
    else if (!OffsetOfVerb(info->lpVerb, offset))
        return E_INVALIDARG; // never another command in its place
    if (FindCommand(offset) == nullptr)
        return E_FAIL;
    if (!Enabled(offset)) {
        // The keys invoke the verbs that write without a menu to see them grayed in.
        const bool writes = offset == kCut || offset == kPaste || offset == kDelete
            || offset == kLink || offset == kRename;
        const bool image = std::any_of(
            m_items.begin(), m_items.end(), [](const CommandItem& i) { return i.Image; });
        if (image && (writes || offset == kCopy)) {
            CurrentCommandUi().Tell("Disk image", writes ? kImageReadOnlyText : kImageCopyText);
            return E_ACCESSDENIED;
        }
        // Nothing on the clipboard to paste is no failure: PasteInto answers S_FALSE for it.
        if (offset != kPaste || !PasteTarget())
            return E_FAIL;
    }
    const std::vector<BytePath> paths = Paths();
    switch (offset) {
    case kOpen:
        return OpenPaths(paths);
    case kCut:
    case kCopy:
        return PutPathsOnClipboard(paths, offset == kCut);
    case kPaste:
        return PasteInto(m_items[0].Path, m_items[0].Trash);
    case kDelete: {
        const bool shift = (info->fMask & CMIC_MASK_SHIFT_DOWN) != 0
            || (QGuiApplication::instance() != nullptr
                && (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier));
        return DeletePaths(paths, shift);
    }
    case kLink:
        return LinkPaths(paths);
    case kOpenImage:
        return OpenChosenImage();
    case kProperties:
        return ShowPropertiesOf(paths[0]);
    default:
        // Renaming needs the caption in the control, which starts it itself.
        return E_NOTIMPL;
    }
}

HRESULT ItemCommands::GetCommandString(
    std::uintptr_t idCmd, UINT type, UINT* /*reserved*/, LPSTR name, UINT size)
{
    const Command* command = FindCommand(static_cast<UINT>(idCmd));
    if (command == nullptr)
        return E_INVALIDARG;
    const char* text = nullptr;
    switch (type) {
    case GCS_VERBA:
        text = command->Verb;
        break;
    case GCS_HELPTEXTA:
        text = command->Help;
        break;
    case GCS_VALIDATEA:
        return S_OK;
    default:
        return E_INVALIDARG;
    }
    if (name == nullptr || size == 0)
        return E_INVALIDARG;
    const std::size_t length = std::min<std::size_t>(std::strlen(text), size - 1);
    std::memcpy(name, text, length);
    name[length] = '\0';
    return S_OK;
}

} // namespace sondrel::platform
