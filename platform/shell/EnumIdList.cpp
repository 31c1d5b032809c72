#include "EnumIdList.h"

#include "IdListFormat.h"
#include "ShellAllocator.h"

#include <atomic>
#include <string_view>

namespace sondrel::platform {

using namespace win32;

namespace {

    class EnumIdList final : public IEnumIDList_NRC
    {
    public:
        EnumIdList(std::shared_ptr<const Listing> listing, std::size_t position)
            : m_listing(std::move(listing))
            , m_position(position)
        {
        }

        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            if (object == nullptr)
                return E_POINTER;
            if (riid == IID_IUnknown || riid == IID_IEnumIDList) {
                *object = static_cast<IEnumIDList_NRC*>(this);
                AddRef();
                return S_OK;
            }
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG AddRef() override { return ++m_references; }
        ULONG Release() override
        {
            const ULONG left = --m_references;
            if (left == 0)
                delete this;
            return left;
        }

        HRESULT Next(ULONG count, PIDLIST* items, ULONG* fetched) override
        {
            if (items == nullptr || (count > 1 && fetched == nullptr))
                return E_INVALIDARG;
            const std::size_t total = m_listing->Offsets.size();
            ULONG given = 0;
            while (given < count && m_position < total) {
                const std::size_t start = m_listing->Offsets[m_position];
                const std::size_t end = m_position + 1 < total ? m_listing->Offsets[m_position + 1]
                                                               : m_listing->Items.size();
                PIDLIST item
                    = MakeIdList(std::string_view(m_listing->Items).substr(start, end - start));
                if (item == nullptr)
                    break;
                items[given++] = item;
                ++m_position;
            }
            if (fetched != nullptr)
                *fetched = given;
            if (given == count)
                return S_OK;
            if (m_position < total)
                return given > 0 ? S_FALSE : E_OUTOFMEMORY;
            return given > 0 ? S_FALSE : m_listing->EndResult;
        }
        HRESULT Skip(ULONG count) override
        {
            const std::size_t total = m_listing->Offsets.size();
            const std::size_t left = total - m_position;
            m_position += std::min<std::size_t>(left, count);
            return count <= left ? S_OK : S_FALSE;
        }
        HRESULT Reset() override
        {
            m_position = 0;
            return S_OK;
        }
        HRESULT Clone(IEnumIDList_NRC** copy) override
        {
            if (copy == nullptr)
                return E_POINTER;
            *copy = new EnumIdList(m_listing, m_position);
            return S_OK;
        }

    private:
        ~EnumIdList() = default;

        std::atomic<ULONG> m_references { 1 };
        std::shared_ptr<const Listing> m_listing;
        std::size_t m_position = 0;
    };

} // namespace

IEnumIDList_NRC* NewEnumIdList(std::shared_ptr<const Listing> listing)
{
    return new EnumIdList(std::move(listing), 0);
}

} // namespace sondrel::platform
