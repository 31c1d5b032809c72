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

// While one lives on the thread, what the folders' comparisons learn of each entry (its size,
// time and type) is kept, so that sorting n entries by one of those asks the file system and
// the type database once per entry, not at each of the n log n comparisons. A sort holds one
// around itself; what changes meanwhile is seen by the next sort. Scopes may nest (the outer
// one keeps what is learnt).
class TEntryOrderScope
{
public:
    TEntryOrderScope();
    ~TEntryOrderScope();
    TEntryOrderScope(const TEntryOrderScope&) = delete;
    TEntryOrderScope& operator=(const TEntryOrderScope&) = delete;

private:
    bool m_outermost;
};

// Size as the Size column shows it: kilobytes rounded up, with the locale's separators.
[[nodiscard]] std::string KilobyteText(std::uint64_t bytes);

} // namespace sondrel::platform
