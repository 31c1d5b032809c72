#include "IdListArray.h"

#include "IdListFormat.h"
#include "ShellAllocator.h"
#include "UPTShellUtils.h"

#include <cstring>

namespace sondrel::shell {

namespace {

    const unsigned char* BytesOf(PCItemIDList pidl)
    {
        return reinterpret_cast<const unsigned char*>(pidl);
    }

    PItemIDList Allocate(IMalloc_NRC* allocator, std::size_t size)
    {
        IMalloc_NRC& from = allocator ? *allocator : platform::ShellAllocator();
        return static_cast<PItemIDList>(from.Alloc(size));
    }

    std::size_t ItemBytes(PCItemIDList pidl)
    {
        const std::size_t length = IdListLen(pidl);
        return length >= 2 ? length - 2 : 0;
    }

} // namespace

win32::UINT IdListLen(PCItemIDList pidl)
{
    return static_cast<win32::UINT>(idlist::ListSize(pidl));
}

PItemIDList CopyIdList(IMalloc_NRC* allocator, PCItemIDList pidl)
{
    return ConcatIdLists(allocator, pidl, nullptr);
}

PItemIDList ConcatIdLists(IMalloc_NRC* allocator, PCItemIDList first, PCItemIDList second)
{
    const std::size_t a = ItemBytes(first);
    const std::size_t b = ItemBytes(second);
    PItemIDList list = Allocate(allocator, a + b + 2);
    if (list == nullptr)
        return nullptr;
    auto* bytes = reinterpret_cast<unsigned char*>(list);
    if (a)
        std::memcpy(bytes, first, a);
    if (b)
        std::memcpy(bytes + a, second, b);
    bytes[a + b] = 0;
    bytes[a + b + 1] = 0;
    return list;
}

int CompareAbsIdLists(PCItemIDList first, PCItemIDList second)
{
    if (first == nullptr || second == nullptr)
        return first == second ? 0 : -1;
    const bool emptyA = IdListLen(first) == 2;
    const bool emptyB = IdListLen(second) == 2;
    if (emptyA || emptyB)
        return emptyA == emptyB ? 0 : -1;
    IShellFolder_NRC* desktop = nullptr;
    if (FAILED(ShellGetDesktopFolder(desktop)))
        return kIdListsIncomparable;
    const HRESULT hr = desktop->CompareIDs(0, first, second);
    desktop->Release();
    if (FAILED(hr))
        return kIdListsIncomparable;
    return win32::CompareResultOrder(hr);
}

TPTIdListArray::TPTIdListArray(PCItemIDList pidl)
    : m_pidl(pidl)
{
}

TPTIdListArray::~TPTIdListArray() { FreeLast(); }

void TPTIdListArray::FreeLast()
{
    ShellMemFree(m_last);
    m_last = nullptr;
}

int TPTIdListArray::GetCount() const { return static_cast<int>(idlist::ItemCount(m_pidl)); }

PItemIDList TPTIdListArray::GetItem(int index)
{
    FreeLast();
    const int count = GetCount();
    if (m_pidl == nullptr || index < 0 || (index >= count && count > 0))
        return nullptr;
    const unsigned char* at = BytesOf(m_pidl);
    for (int i = 0; i < index && idlist::ReadItemSize(at) != 0; ++i)
        at += idlist::ReadItemSize(at);
    const std::size_t size = idlist::ReadItemSize(at);
    m_last = Allocate(nullptr, size + 2);
    if (m_last == nullptr)
        return nullptr;
    auto* bytes = reinterpret_cast<unsigned char*>(m_last);
    std::memcpy(bytes, at, size);
    bytes[size] = 0;
    bytes[size + 1] = 0;
    return m_last;
}

PItemIDList TPTIdListArray::GoUp(int levels)
{
    FreeLast();
    const int count = GetCount();
    if (levels < 0 || levels > count)
        return nullptr;
    const unsigned char* at = BytesOf(m_pidl);
    std::size_t size = 0;
    for (int i = 0; i < count - levels; ++i)
        size += idlist::ReadItemSize(at + size);
    m_last = Allocate(nullptr, size + 2);
    if (m_last == nullptr)
        return nullptr;
    auto* bytes = reinterpret_cast<unsigned char*>(m_last);
    std::memset(bytes, 0, size + 2);
    if (size)
        std::memcpy(bytes, at, size);
    return m_last;
}

} // namespace sondrel::shell
