// The shell list's columns and order: which columns a folder gets, the widths remembered while
// the program runs (shared by every shell list), the built-in columns with the widths a
// "DirectoryCols" registry value may set, and sorting by column, including the protocol by which
// a column-click handler takes sorting over (it calls SetSortColumn itself).

#include "Filer.h"
#include "FolderDetails.h"
#include "Guard.h"
#include "IdListArray.h"
#include "Registry.h"
#include "ShellDetailsAdapter.h"
#include "ShellHeld.h"
#include "ShellList.h"
#include "Uptshconsts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace sondrel::shell {

using namespace win32;

namespace {

    // Column widths as the user left them, column 0 first, behind a 32-bit count; empty until
    // a list first remembers its widths.
    struct TColumnMemory
    {
        framework::TMemoryStream Widths;
        std::array<std::uint8_t, 22> LastDirectoryCols {};
        DWORD LastDirectoryColsSize = 0;
    };

    TColumnMemory& ColumnMemory()
    {
        static TColumnMemory memory;
        return memory;
    }

    constexpr int kDefaultColumnCount = 4;
    constexpr int kCharWidth = 7;
    constexpr int kDirectoryColsMax = 22;
    constexpr std::array<std::uint16_t, 5> kDefaultWidths = { 200, 60, 100, 120, 50 };

    framework::TAlignment AlignmentOf(int format)
    {
        switch (format) {
        case LVCFMT_RIGHT:
            return framework::TAlignment::taRightJustify;
        case LVCFMT_CENTER:
            return framework::TAlignment::taCenter;
        default:
            return framework::TAlignment::taLeftJustify;
        }
    }

    QString LibraryText(int id) { return QString::fromStdString(PTLoadStr(LoadLibraryString(id))); }

    // The folder's order of two items' relative lists by sort column `column` (1-based;
    // negative: descending); an item without a list (no shell data) is equal to all.
    int CompareLists(IShellFolder_NRC* folder, int column, PCItemIDList a, PCItemIDList b)
    {
        if (!a || !b || !folder)
            return 0;
        const HRESULT result = folder->CompareIDs(static_cast<LPARAM>(std::abs(column) - 1), a, b);
        const int order = SUCCEEDED(result) ? static_cast<std::int16_t>(result & 0xFFFF) : 0;
        return column < 0 ? -order : order;
    }

    using TColumnsUpdate = framework::TUpdating<framework::TListColumns>;

} // namespace

IShellDetails_NRC* TPTCustomShellList::GetCurrentFolderIShellDetails()
{
    if (!m_current.DetailsAsked && m_current.Interface.Get()) {
        m_current.DetailsAsked = true;
        m_current.Details.Reset(ShellGetFolderDetails(m_current.Interface.Get()));
    }
    return m_current.Details.Get();
}

void TPTCustomShellList::InitColumns(IShellDetails_NRC* details)
{
    if (Columns().Count() > 0 && m_saveWidths)
        RememberWidths();
    if (details)
        DetailsColumns(details);
    else
        DefaultColumns();
    SetHeaderODStyle();
    SetSortColumn(m_sortColumn > Columns().Count() ? 1 : m_sortColumn);
}

void TPTCustomShellList::RememberWidths()
{
    framework::TMemoryStream& store = ColumnMemory().Widths;
    store = framework::TMemoryStream();
    const std::int32_t count = Columns().Count();
    store.WriteBuffer(&count, sizeof count);
    for (int i = 0; i < count; ++i) {
        const std::int32_t width = Columns()[i]->Width();
        store.WriteBuffer(&width, sizeof width);
    }
}

void TPTCustomShellList::ApplyRememberedWidths()
{
    framework::TMemoryStream& store = ColumnMemory().Widths;
    store.SetPosition(0);
    std::int32_t count = 0;
    if (store.Read(&count, sizeof count) != sizeof count)
        return;
    const int last = std::min(count, Columns().Count() - 1);
    for (int i = 0; i <= last; ++i) {
        std::int32_t width = 0;
        if (store.Read(&width, sizeof width) != sizeof width)
            break;
        Columns()[i]->SetWidth(width);
    }
}

void TPTCustomShellList::DefaultColumns()
{
    std::array<std::uint8_t, kDirectoryColsMax> widths {};
    std::memcpy(widths.data(), kDefaultWidths.data(), sizeof kDefaultWidths);
    DWORD size = sizeof kDefaultWidths;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
            0, KEY_READ, &key)
        == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD needed = 0;
        if (RegQueryValueExA(key, "DirectoryCols", nullptr, &type, nullptr, &needed)
                == ERROR_SUCCESS
            && needed <= kDirectoryColsMax) {
            DWORD read = kDirectoryColsMax;
            if (RegQueryValueExA(key, "DirectoryCols", nullptr, &type, widths.data(), &read)
                == ERROR_SUCCESS)
                size = read;
        }
        RegCloseKey(key);
    }

    TColumnMemory& memory = ColumnMemory();
    TColumnsUpdate update(Columns());
    Columns().Clear();
    const int captions[kDefaultColumnCount]
        = { _SColumnName, _SColumnSize, _SColumnType, _SColumnModified };
    const framework::TAlignment alignments[kDefaultColumnCount] = {
        framework::TAlignment::taLeftJustify,
        framework::TAlignment::taRightJustify,
        framework::TAlignment::taLeftJustify,
        framework::TAlignment::taLeftJustify,
    };
    for (int i = 0; i < kDefaultColumnCount; ++i) {
        framework::TListColumn* column = Columns().Add();
        column->SetCaption(LibraryText(captions[i]));
        column->SetAlignment(alignments[i]);
    }
    const bool sameAsLast = memory.LastDirectoryColsSize != 0
        && memory.LastDirectoryColsSize == size
        && std::memcmp(memory.LastDirectoryCols.data(), widths.data(), size) == 0;
    if (sameAsLast && !memory.Widths.Bytes().empty()) {
        ApplyRememberedWidths();
    } else {
        for (int i = 0; i < kDefaultColumnCount; ++i) {
            std::uint16_t width = 0;
            std::memcpy(&width, widths.data() + 2 * i, sizeof width);
            Columns()[i]->SetWidth(width);
        }
    }
    memory.LastDirectoryCols = widths;
    memory.LastDirectoryColsSize = size;
    m_columnMode = lcsDefault;
    m_saveWidths = true;
}

void TPTCustomShellList::DetailsColumns(IShellDetails_NRC* details)
{
    const bool hasPath = !ShellGetPathFromIdList(m_current.IdList.Get()).empty();
    const bool remembered = hasPath && !ColumnMemory().Widths.Bytes().empty();
    TColumnsUpdate update(Columns());
    Columns().Clear();
    for (UINT i = 0;; ++i) {
        TShColInfo info {};
        info.str.uType = STRRET_CSTR;
        if (FAILED(details->GetDetailsOf(nullptr, i, &info)))
            break;
        framework::TListColumn* column = Columns().Add();
        column->SetCaption(QString::fromStdString(StrretToString(nullptr, info.str)));
        StrretFree(info.str);
        if (!remembered)
            column->SetWidth(info.cxChar * kCharWidth);
        column->SetAlignment(AlignmentOf(info.fmt));
    }
    if (remembered)
        ApplyRememberedWidths();
    m_saveWidths = hasPath;
    m_columnMode = lcsShellDetails;
}

// ---- Sorting

void TPTCustomShellList::SetSortColumn(int column)
{
    SetHeaderSortColumn(std::abs(column) - 1);
    SetHeaderSortDirection(column >= 0 ? ptsdDesc : ptsdAsc);
    m_sortSet = true;
    if (column != m_sortColumn) {
        m_sortColumn = column;
        SortList();
    }
}

void TPTCustomShellList::SortList()
{
    if (m_sortColumn == 0) {
        CustomSort(nullptr, 0);
        return;
    }
    // The sort runs on keys held together, each item's relative list beside it: in a large
    // folder, following item to data to list at each of the n log n comparisons misses the
    // cache and outweighs the comparisons themselves. Whose data an item holds is looked up once.
    struct TKey
    {
        PCItemIDList Relative;
        framework::TListItem* Item;
    };
    std::vector<TKey> keys;
    keys.reserve(static_cast<std::size_t>(Items().Count()));
    std::size_t listBytes = 0;
    for (int i = 0; i < Items().Count(); ++i) {
        framework::TListItem* item = Items()[i];
        const TPTShListData* shellData = GetDataFromItem(item);
        const PCItemIDList relative = shellData ? shellData->RelativeIdList() : nullptr;
        listBytes += IdListLen(relative);
        keys.push_back({ relative, item });
    }
    // The lists are compared from copies side by side: a folder listed in hash order (as ext4
    // lists) is sorted from no order at all, and with its lists scattered over the heap among
    // the items, each comparison missed the cache.
    std::vector<unsigned char> lists(listBytes);
    std::size_t at = 0;
    for (TKey& key : keys) {
        if (key.Relative == nullptr)
            continue;
        const std::size_t size = IdListLen(key.Relative);
        std::memcpy(lists.data() + at, key.Relative, size);
        key.Relative = reinterpret_cast<PCItemIDList>(lists.data() + at);
        at += size;
    }
    IShellFolder_NRC* folder = m_current.Interface.Get();
    const int column = m_sortColumn;
    // Each item's size, time or type is asked once for the whole sort.
    const platform::TEntryOrderScope remembered;
    std::stable_sort(keys.begin(), keys.end(), [folder, column](const TKey& a, const TKey& b) {
        return CompareLists(folder, column, a.Relative, b.Relative) < 0;
    });
    std::vector<framework::TListItem*> order;
    order.reserve(keys.size());
    for (const TKey& key : keys)
        order.push_back(key.Item);
    (void)Items().Arrange(order);
}

void TPTCustomShellList::ColClick(framework::TListColumn* column)
{
    m_sortSet = false;
    TPTCustomListView::ColClick(column);
    if (m_sortSet)
        return;
    if (column->Index() + 1 == m_sortColumn)
        SetSortColumn(-m_sortColumn);
    else
        SetSortColumn(column->Index() + 1);
}

} // namespace sondrel::shell
