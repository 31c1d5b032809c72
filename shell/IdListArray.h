#pragma once
// Item ID lists: length, copy, concatenation, comparison of absolute lists, and TPTIdListArray,
// an indexed view of the items of one list. Lists are never edited in place.

#include "UPTShell95.h"

namespace sondrel::shell {

// Bytes of the list including its terminator: 0 for null, 2 for the empty list.
[[nodiscard]] win32::UINT IdListLen(PCItemIDList pidl);
// A new copy from `allocator`, or from the shell allocator when none; null source: a fresh empty
// list; null when memory runs out.
[[nodiscard]] PItemIDList CopyIdList(IMalloc_NRC* allocator, PCItemIDList pidl);
// The items of `first`, then those of `second` (null counts as empty), as a new list.
[[nodiscard]] PItemIDList ConcatIdLists(
    IMalloc_NRC* allocator, PCItemIDList first, PCItemIDList second);

// The order of two absolute lists by the desktop's CompareIDs: negative, 0 (the same item),
// positive, or kIdListsIncomparable when the desktop cannot compare them.
inline constexpr int kIdListsIncomparable = 0x7FFFFFFF;
[[nodiscard]] int CompareAbsIdLists(PCItemIDList first, PCItemIDList second);

// An indexed view of one list's items. The list is borrowed and must outlive the view; each
// result belongs to the view and lasts until the next GetItem or GoUp or the view's end.
class TPTIdListArray
{
public:
    explicit TPTIdListArray(PCItemIDList pidl);
    ~TPTIdListArray();
    TPTIdListArray(const TPTIdListArray&) = delete;
    TPTIdListArray& operator=(const TPTIdListArray&) = delete;

    [[nodiscard]] int GetCount() const;
    // Item `index` as a one-item list; null outside the list.
    PItemIDList GetItem(int index);
    // The list without its last `levels` items: the whole list for 0, the empty list (the
    // desktop) for all of them, null for more or fewer.
    PItemIDList GoUp(int levels);

private:
    void FreeLast();

    PCItemIDList m_pidl;
    PItemIDList m_last = nullptr;
};

} // namespace sondrel::shell
