#include "PidlList.h"

#include "IdListArray.h"
#include "ShellErrors.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace sondrel::shell {

namespace {

    int ByteOrder(PCItemIDList first, PCItemIDList second)
    {
        const win32::UINT a = IdListLen(first);
        const win32::UINT b = IdListLen(second);
        const int order = a && b ? std::memcmp(first, second, std::min(a, b)) : 0;
        if (order != 0) {
            // The first differing byte decides, as unsigned values.
            const auto* x = reinterpret_cast<const unsigned char*>(first);
            const auto* y = reinterpret_cast<const unsigned char*>(second);
            std::size_t i = 0;
            while (x[i] == y[i])
                ++i;
            return x[i] - y[i];
        }
        return static_cast<int>(a) - static_cast<int>(b);
    }

} // namespace

TPTPidlList::~TPTPidlList() { Clear(); }

void TPTPidlList::Check(int index, bool insertion) const
{
    const int limit = insertion ? GetCount() : GetCount() - 1;
    if (index < 0 || index > limit)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TPTPidlList::SetCapacity(int capacity)
{
    if (capacity < GetCount())
        throw EListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
    if (capacity > GetCapacity())
        m_pairs.reserve(static_cast<std::size_t>(capacity));
    else
        m_pairs.shrink_to_fit();
}

PItemIDList TPTPidlList::GetPIDL(int index) const
{
    Check(index);
    return m_pairs[static_cast<std::size_t>(index)]->Pidl;
}

void TPTPidlList::SetPIDL(int index, PItemIDList pidl)
{
    Check(index);
    m_pairs[static_cast<std::size_t>(index)]->Pidl = pidl;
}

void* TPTPidlList::GetObject(int index) const
{
    Check(index);
    return m_pairs[static_cast<std::size_t>(index)]->Object;
}

void TPTPidlList::SetObject(int index, void* object)
{
    Check(index);
    m_pairs[static_cast<std::size_t>(index)]->Object = object;
}

void TPTPidlList::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    if (sorted)
        Sort();
    m_sorted = sorted;
}

int TPTPidlList::Compare(PCItemIDList first, PCItemIDList second) const
{
    if (m_compareFolder != nullptr) {
        const HRESULT hr = m_compareFolder->CompareIDs(0, first, second);
        // A folder that cannot compare two lists still leaves them an order: their bytes.
        if (SUCCEEDED(hr))
            return win32::CompareResultOrder(hr);
    }
    return ByteOrder(first, second);
}

void TPTPidlList::Sort()
{
    // A bottom-up merge with explicit bounds: a folder's order may change while it sorts (the
    // disk changes under it), and no answer of the comparison may take the sort out of range.
    std::vector<Pair*> scratch(m_pairs.size());
    for (std::size_t width = 1; width < m_pairs.size(); width *= 2) {
        for (std::size_t start = 0; start < m_pairs.size(); start += 2 * width) {
            const std::size_t middle = std::min(start + width, m_pairs.size());
            const std::size_t end = std::min(start + 2 * width, m_pairs.size());
            std::size_t left = start, right = middle, out = start;
            while (left < middle && right < end) {
                const bool takeRight = Compare(m_pairs[right]->Pidl, m_pairs[left]->Pidl) < 0;
                scratch[out++] = takeRight ? m_pairs[right++] : m_pairs[left++];
            }
            while (left < middle)
                scratch[out++] = m_pairs[left++];
            while (right < end)
                scratch[out++] = m_pairs[right++];
        }
        m_pairs.swap(scratch);
    }
}

bool TPTPidlList::BinarySearch(PCItemIDList pidl, int& index) const
{
    int lo = 0;
    int hi = GetCount() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int order = Compare(m_pairs[static_cast<std::size_t>(mid)]->Pidl, pidl);
        if (order < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (order == 0) {
                found = true;
                if (m_duplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

bool TPTPidlList::LinearSearch(PCItemIDList pidl, int& index) const
{
    for (int i = 0; i < GetCount(); ++i) {
        if (Compare(m_pairs[static_cast<std::size_t>(i)]->Pidl, pidl) == 0) {
            index = i;
            return true;
        }
    }
    index = -1;
    return false;
}

int TPTPidlList::IndexOf(PCItemIDList pidl) const
{
    int index = -1;
    const bool found = m_sorted ? BinarySearch(pidl, index) : LinearSearch(pidl, index);
    return found ? index : -1;
}

int TPTPidlList::AddObject(PItemIDList pidl, void* object)
{
    int index = GetCount();
    if (m_sorted && BinarySearch(pidl, index)) {
        if (m_duplicates == dupIgnore)
            return index;
        if (m_duplicates == dupError)
            throw EPTPidlListError("TPTPidlList: Duplicate PIDL");
    }
    InsertObject(index, pidl, object);
    return index;
}

void TPTPidlList::InsertObject(int index, PItemIDList pidl, void* object)
{
    Check(index, true);
    m_pairs.insert(m_pairs.begin() + index, new Pair { pidl, object });
}

void TPTPidlList::Delete(int index)
{
    Check(index);
    Pair* pair = m_pairs[static_cast<std::size_t>(index)];
    if (m_allocator != nullptr)
        m_allocator->Free(pair->Pidl);
    delete pair;
    m_pairs.erase(m_pairs.begin() + index);
}

void TPTPidlList::Clear()
{
    if (m_allocator != nullptr) {
        for (Pair* pair : m_pairs)
            m_allocator->Free(pair->Pidl);
    }
    for (Pair* pair : m_pairs)
        delete pair;
    m_pairs.clear();
}

} // namespace sondrel::shell
