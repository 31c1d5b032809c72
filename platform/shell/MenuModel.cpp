#include "MenuModel.h"

#include <algorithm>

namespace sondrel::platform {

namespace {

    const MenuEntry* FindIn(const std::vector<MenuEntry>& entries, win32::UINT id)
    {
        for (const MenuEntry& entry : entries) {
            if (!entry.Separator && entry.SubMenu.empty() && entry.Id == id)
                return &entry;
            if (const MenuEntry* inner = FindIn(entry.SubMenu, id))
                return inner;
        }
        return nullptr;
    }

} // namespace

void MenuModel::Insert(std::size_t position, MenuEntry entry)
{
    position = std::min(position, m_entries.size());
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
}

int MenuModel::DefaultId() const
{
    for (const MenuEntry& entry : m_entries)
        if (entry.Default && !entry.Separator)
            return static_cast<int>(entry.Id);
    return -1;
}

const MenuEntry* MenuModel::Find(win32::UINT id) const { return FindIn(m_entries, id); }

} // namespace sondrel::platform
