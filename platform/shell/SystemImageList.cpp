#include "SystemImageList.h"

#include <map>
#include <vector>

namespace sondrel::platform {

namespace {

    struct Image
    {
        QStringList Names;
        StandardImage Fallback;
        mutable QIcon Resolved;
        mutable bool Looked = false;
    };

    struct Registry
    {
        std::vector<Image> Images;
        std::map<QStringList, int> Index;
        SystemImageList::FallbackProvider Fallback;

        Registry()
        {
            // Index 0 is what a failed query answers: a plain file.
            Add({ QStringLiteral("text-x-generic") }, StandardImage::File);
            Add({ QStringLiteral("emblem-shared") }, StandardImage::SharedOverlay);
            Add({ QStringLiteral("emblem-symbolic-link") }, StandardImage::LinkOverlay);
        }

        int Add(const QStringList& names, StandardImage fallback)
        {
            if (const auto found = Index.find(names); found != Index.end())
                return found->second;
            Images.push_back(Image { names, fallback, {}, false });
            const int index = static_cast<int>(Images.size()) - 1;
            Index.emplace(names, index);
            return index;
        }
    };

    Registry& TheRegistry()
    {
        static Registry registry;
        return registry;
    }

} // namespace

SystemImageList& SystemImageList::Small()
{
    static SystemImageList list(16);
    return list;
}

SystemImageList& SystemImageList::Large()
{
    static SystemImageList list(32);
    return list;
}

int SystemImageList::IndexOf(const QStringList& themeNames, StandardImage fallback)
{
    return TheRegistry().Add(themeNames, fallback);
}

int SystemImageList::Count() { return static_cast<int>(TheRegistry().Images.size()); }

int SystemImageList::OverlayImage(int overlay)
{
    return overlay == 1 || overlay == 2 ? overlay : -1;
}

void SystemImageList::SetFallbackProvider(FallbackProvider provider)
{
    Registry& registry = TheRegistry();
    registry.Fallback = std::move(provider);
    for (const Image& image : registry.Images)
        image.Looked = false;
}

QIcon SystemImageList::Icon(int index) const
{
    const Registry& registry = TheRegistry();
    if (index < 0 || index >= static_cast<int>(registry.Images.size()))
        return {};
    const Image& image = registry.Images[static_cast<std::size_t>(index)];
    if (!image.Looked) {
        image.Looked = true;
        image.Resolved = QIcon();
        for (const QString& name : image.Names) {
            if (QIcon::hasThemeIcon(name)) {
                image.Resolved = QIcon::fromTheme(name);
                break;
            }
        }
        if (image.Resolved.isNull() && registry.Fallback)
            image.Resolved = registry.Fallback(image.Fallback);
    }
    return image.Resolved;
}

QStringList SystemImageList::ThemeNames(int index) const
{
    const Registry& registry = TheRegistry();
    if (index < 0 || index >= static_cast<int>(registry.Images.size()))
        return {};
    return registry.Images[static_cast<std::size_t>(index)].Names;
}

} // namespace sondrel::platform
