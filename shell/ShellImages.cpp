#include "ShellImages.h"

#include "StandardImages.h"
#include "SystemImageList.h"

namespace sondrel::shell {

namespace {

    // The shell's process-wide images, as the list's image lists show them.
    class SystemImages final : public framework::TImageHandle
    {
    public:
        explicit SystemImages(const platform::SystemImageList& list)
            : m_list(list)
        {
        }
        [[nodiscard]] int Count() const override { return platform::SystemImageList::Count(); }
        [[nodiscard]] QIcon Icon(int index) const override { return m_list.Icon(index); }
        // An item's overlay 0 is the shell's overlay 1 (shared), its overlay 1 the link.
        [[nodiscard]] int OverlayImage(int overlay) const override
        {
            return platform::SystemImageList::OverlayImage(overlay + 1);
        }

    private:
        const platform::SystemImageList& m_list;
    };

    const SystemImages& SmallSystemImages()
    {
        static const SystemImages images(platform::SystemImageList::Small());
        return images;
    }

    const SystemImages& LargeSystemImages()
    {
        static const SystemImages images(platform::SystemImageList::Large());
        return images;
    }

} // namespace

void ShowSystemImages(framework::TImageList& list, TPTShellIconSize size)
{
    static const bool styled = [] {
        platform::SystemImageList::SetFallbackProvider(&StandardImageIcon);
        return true;
    }();
    (void)styled;
    list.SetHandle(size == ptsizSmall ? &SmallSystemImages() : &LargeSystemImages());
    list.SetShareImages(true);
}

} // namespace sondrel::shell
