#pragma once
// The stand-in for a popup menu handle: what IContextMenu::QueryContextMenu fills and the shell
// library turns into a real menu, tracks, and hands back the chosen id of (TPM_RETURNCMD). Plain
// data, no widgets: the namespace below the widgets builds it.

#include "ShellTypes.h"

#include <string>
#include <vector>

namespace win32 {

constexpr UINT CMF_NORMAL = 0x00;
constexpr UINT CMF_DEFAULTONLY = 0x01;
constexpr UINT CMF_EXPLORE = 0x04;
constexpr UINT CMF_CANRENAME = 0x10;

constexpr UINT GCS_VERBA = 0x0;
constexpr UINT GCS_HELPTEXTA = 0x1;
constexpr UINT GCS_VALIDATEA = 0x2;

constexpr DWORD CMIC_MASK_SHIFT_DOWN = 0x10000000;

} // namespace win32

namespace sondrel::platform {

struct MenuEntry
{
    win32::UINT Id = 0; // 0 for separators and sub-menus
    std::string Text; // UTF-8, "&" marks the access key
    std::string Icon; // an icon theme name, or empty
    bool Grayed = false;
    bool Separator = false;
    bool Default = false;
    std::vector<MenuEntry> SubMenu;
};

class MenuModel
{
public:
    [[nodiscard]] const std::vector<MenuEntry>& Entries() const { return m_entries; }
    // Inserts at `position` (clamped to the end), as InsertMenuItem does.
    void Insert(std::size_t position, MenuEntry entry);
    // The id of the default entry at the top level, or -1 (GetMenuDefaultItem).
    [[nodiscard]] int DefaultId() const;
    // The entry with `id` at any depth, or null.
    [[nodiscard]] const MenuEntry* Find(win32::UINT id) const;

private:
    std::vector<MenuEntry> m_entries;
};

} // namespace sondrel::platform
