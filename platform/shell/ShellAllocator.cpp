#include "ShellAllocator.h"

#include "IdListFormat.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace sondrel::platform {

namespace {

    class HeapAllocator final : public win32::IMalloc_NRC
    {
    public:
        win32::HRESULT QueryInterface(win32::REFIID riid, void** object) override
        {
            if (object == nullptr)
                return win32::E_POINTER;
            if (riid == win32::IID_IUnknown || riid == win32::IID_IMalloc) {
                *object = static_cast<win32::IMalloc_NRC*>(this);
                return win32::S_OK;
            }
            *object = nullptr;
            return win32::E_NOINTERFACE;
        }
        // The process owns the allocator; references are not counted.
        win32::ULONG AddRef() override { return 1; }
        win32::ULONG Release() override { return 1; }

        void* Alloc(std::size_t size) override { return std::malloc(size == 0 ? 1 : size); }
        void* Realloc(void* block, std::size_t size) override
        {
            if (block == nullptr)
                return Alloc(size);
            if (size == 0) {
                std::free(block);
                return nullptr;
            }
            return std::realloc(block, size);
        }
        void Free(void* block) override { std::free(block); }
        std::size_t GetSize(void* block) override
        {
            return block == nullptr ? static_cast<std::size_t>(-1) : ::malloc_usable_size(block);
        }
        // The heap cannot tell its own blocks from others: -1 is COM's "cannot say".
        int DidAlloc(void* block) override { return block == nullptr ? 0 : -1; }
        void HeapMinimize() override { ::malloc_trim(0); }
    };

} // namespace

win32::IMalloc_NRC& ShellAllocator()
{
    static HeapAllocator allocator;
    return allocator;
}

win32::PIDLIST MakeIdList(std::string_view items)
{
    auto* block = static_cast<unsigned char*>(ShellAllocator().Alloc(items.size() + 2));
    if (block == nullptr)
        return nullptr;
    if (!items.empty())
        std::memcpy(block, items.data(), items.size());
    block[items.size()] = 0;
    block[items.size() + 1] = 0;
    return reinterpret_cast<win32::PIDLIST>(block);
}

std::string_view IdListItems(win32::PCIDLIST list)
{
    if (list == nullptr)
        return {};
    return std::string_view(
        reinterpret_cast<const char*>(list), idlist::ListSize(list) - idlist::kTerminator);
}

} // namespace sondrel::platform

namespace win32 {

HRESULT SHGetMalloc(IMalloc_NRC** allocator)
{
    if (allocator == nullptr)
        return E_INVALIDARG;
    *allocator = &sondrel::platform::ShellAllocator();
    (*allocator)->AddRef();
    return S_OK;
}

} // namespace win32
