#pragma once
// TPTPidlList: an ordered list of (ID list, object) pairs, optionally kept sorted by a folder's
// order or by bytes. It stores the pointers it is given and copies nothing; with a PidlAllocator
// it frees the ID lists of the pairs it deletes. Owned by its creator; one thread.

#include "UPTShell95.h"

#include <vector>

namespace sondrel::shell {

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TPTPidlList
{
public:
    TPTPidlList() = default;
    ~TPTPidlList();
    TPTPidlList(const TPTPidlList&) = delete;
    TPTPidlList& operator=(const TPTPidlList&) = delete;

    [[nodiscard]] int GetCount() const { return static_cast<int>(m_pairs.size()); }
    [[nodiscard]] int GetCapacity() const { return static_cast<int>(m_pairs.capacity()); }
    void SetCapacity(int capacity);
    [[nodiscard]] PItemIDList GetPIDL(int index) const;
    void SetPIDL(int index, PItemIDList pidl); // replaces the pointer, frees nothing
    [[nodiscard]] void* GetObject(int index) const;
    void SetObject(int index, void* object);

    [[nodiscard]] bool GetSorted() const { return m_sorted; }
    void SetSorted(bool sorted); // turning it on sorts at once
    [[nodiscard]] TDuplicates GetDuplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates duplicates) { m_duplicates = duplicates; }
    [[nodiscard]] IShellFolder_NRC* GetCompareFolder() const { return m_compareFolder; }
    void SetCompareFolder(IShellFolder_NRC* folder) { m_compareFolder = folder; }
    [[nodiscard]] IMalloc_NRC* GetPidlAllocator() const { return m_allocator; }
    void SetPidlAllocator(IMalloc_NRC* allocator) { m_allocator = allocator; }

    void Sort();
    int Add(PItemIDList pidl) { return AddObject(pidl, nullptr); }
    int AddObject(PItemIDList pidl, void* object);
    void Insert(int index, PItemIDList pidl) { InsertObject(index, pidl, nullptr); }
    void InsertObject(int index, PItemIDList pidl, void* object); // ignores Sorted
    [[nodiscard]] int IndexOf(PCItemIDList pidl) const;
    bool BinarySearch(PCItemIDList pidl, int& index) const;
    bool LinearSearch(PCItemIDList pidl, int& index) const;
    void Delete(int index);
    void Clear();

private:
    struct Pair
    {
        PItemIDList Pidl;
        void* Object;
    };

    [[nodiscard]] int Compare(PCItemIDList first, PCItemIDList second) const;
    void Check(int index, bool insertion = false) const;

    std::vector<Pair*> m_pairs;
    bool m_sorted = false;
    TDuplicates m_duplicates = dupError;
    IShellFolder_NRC* m_compareFolder = nullptr;
    IMalloc_NRC* m_allocator = nullptr;
};

} // namespace sondrel::shell
