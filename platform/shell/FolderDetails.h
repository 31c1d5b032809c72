#pragma once
// The columns a folder shows and the text of each cell: Name, Size, Type, Modified for folders
// of files (the desktop and the trash too); Name, Type, Total Size, Free Space for "Computer".
// Texts are for display, in the user's locale, UTF-8 (names stay the bytes they are).

#include "ShellItems.h"

namespace sondrel::platform {

struct ColumnInfo
{
    const char* Caption;
    int WidthInChars;
    int Format; // LVCFMT_*
    win32::SHCOLSTATEF State;
};

// The columns of the folder at `folder`; `count` is set to their number.
[[nodiscard]] const ColumnInfo* FolderColumns(const Location& folder, int& count);

// The text of `item`'s cell in `column`; E_INVALIDARG for a column the folder lacks.
[[nodiscard]] win32::HRESULT CellText(
    const Location& folder, const idlist::Item& item, int column, std::string& text);

// Size as the Size column shows it: kilobytes rounded up, with the locale's separators.
[[nodiscard]] std::string KilobyteText(std::uint64_t bytes);

} // namespace sondrel::platform
