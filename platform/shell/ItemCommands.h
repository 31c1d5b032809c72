#pragma once
// The context menu of some items of one folder of the namespace (IContextMenu): its verbs and
// their fixed command offsets, so that a verb finds the same offset whatever else the menu
// holds, and rename sits at offset 18 as the controls expect. Verbs the keys use (cut, copy,
// paste, delete) are always in the menu, grayed where they cannot act; a verb the menu does
// not have invokes nothing and fails. Reference-counted; GUI thread.

#include "BytePath.h"
#include "ShellInterfaces.h"

#include <atomic>
#include <vector>

namespace sondrel::platform {

struct CommandItem
{
    BytePath Path; // the item's file-system path; for the trash, its files folder
    bool Folder = false;
    bool Trash = false; // the trash itself
    bool InTrash = false;
    bool ReadOnly = false; // in another file system's trash or on a disk image: only read
    bool Image = false; // on a disk image: a verb that would write says why it cannot
    bool CanMove = true; // its folder lets it be moved or deleted
    // The desktop or Computer: its menu opens disk images, and nothing else.
    bool OpensImages = false;
};

// What a user is told when a verb would write into a disk image, or copy out of one.
inline constexpr const char* kImageReadOnlyText
    = "A disk image is opened read-only: nothing in it is changed, moved, deleted or added.";
inline constexpr const char* kImageCopyText
    = "Items of a disk image are not copied as files; save a stream of one from the stream "
      "list instead.";

class ItemCommands final : public win32::IContextMenu_NRC
{
public:
    enum Offset : win32::UINT {
        kOpen = 0,
        kCut = 1,
        kCopy = 2,
        kPaste = 3,
        kDelete = 4,
        kLink = 5,
        kOpenImage = 6,
        kRename = 18,
        kProperties = 19,
    };

    // One reference for the caller.
    [[nodiscard]] static ItemCommands* Create(std::vector<CommandItem> items);

    win32::HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;

    // `menu` is a MenuModel.
    win32::HRESULT QueryContextMenu(void* menu, win32::UINT indexMenu, win32::UINT idCmdFirst,
        win32::UINT idCmdLast, win32::UINT flags) override;
    win32::HRESULT InvokeCommand(win32::CMINVOKECOMMANDINFO* info) override;
    win32::HRESULT GetCommandString(std::uintptr_t idCmd, win32::UINT type, win32::UINT* reserved,
        win32::LPSTR name, win32::UINT size) override;

    // The offset of a verb, ignoring case; false for a verb this menu does not have.
    [[nodiscard]] static bool OffsetOfVerb(std::string_view verb, win32::UINT& offset);
    // Whether the command at `offset` can act now (grayed when not).
    [[nodiscard]] bool Enabled(win32::UINT offset) const;

private:
    explicit ItemCommands(std::vector<CommandItem> items);
    ~ItemCommands() = default;

    [[nodiscard]] std::vector<BytePath> Paths() const;
    [[nodiscard]] bool PasteTarget() const;

    std::atomic<win32::ULONG> m_references { 1 };
    std::vector<CommandItem> m_items;
};

} // namespace sondrel::platform
