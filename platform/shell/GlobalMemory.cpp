#include "GlobalMemory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace win32 {

namespace {

    // The size sits before the bytes, in a header that keeps them aligned.
    struct alignas(std::max_align_t) Header
    {
        std::size_t Size;
    };

    Header* HeaderOf(HGLOBAL block) { return static_cast<Header*>(block) - 1; }

    bool SameName(const std::string& a, const std::string& b)
    {
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x))
                       == std::tolower(static_cast<unsigned char>(y));
               });
    }

    constexpr UINT kFirstRegistered = 0xC000;

} // namespace

HGLOBAL GlobalAlloc(UINT /*flags*/, std::size_t bytes)
{
    void* memory = std::calloc(1, sizeof(Header) + bytes);
    if (memory == nullptr)
        return nullptr;
    auto* header = static_cast<Header*>(memory);
    header->Size = bytes;
    return header + 1;
}

std::size_t GlobalSize(HGLOBAL block) { return block == nullptr ? 0 : HeaderOf(block)->Size; }

void* GlobalLock(HGLOBAL block) { return block; }

BOOL GlobalUnlock(HGLOBAL /*block*/) { return FALSE; }

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (block != nullptr)
        std::free(HeaderOf(block));
    return nullptr;
}

UINT RegisterClipboardFormatA(LPCSTR name)
{
    static std::mutex mutex;
    static std::vector<std::string> names;
    if (name == nullptr || *name == '\0')
        return 0;
    const std::lock_guard lock(mutex);
    const std::string wanted(name);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameName(names[i], wanted))
            return kFirstRegistered + static_cast<UINT>(i);
    names.push_back(wanted);
    return kFirstRegistered + static_cast<UINT>(names.size() - 1);
}

} // namespace win32
