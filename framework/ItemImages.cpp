#include "ItemImages.h"

#include "ItemIcon.h"

#include <algorithm>

namespace sondrel::framework {

TItemImages::TItemImages(QObject& view, std::function<void()> changed)
    : m_view(view)
    , m_changed(std::move(changed))
{
}

TItemImages::~TItemImages()
{
    QObject::disconnect(m_images.Connection);
    QObject::disconnect(m_stateImages.Connection);
}

void TItemImages::Set(TSlot& slot, TImageList* images)
{
    if (images == slot.List)
        return;
    // Only this slot's connection goes: the same list may serve as both.
    QObject::disconnect(slot.Connection);
    slot.List = images;
    slot.Connection = images
        ? QObject::connect(images, &TImageList::Changed, &m_view, [this] { Changed(); })
        : QMetaObject::Connection();
    Changed();
}

void TItemImages::Changed()
{
    m_cache.clear();
    if (m_changed)
        m_changed();
}

QSize TItemImages::IconSize() const
{
    const QSize state = m_stateImages.List ? m_stateImages.List->Size() : QSize(0, 0);
    const QSize image = m_images.List ? m_images.List->Size() : QSize(0, 0);
    return { state.width() + image.width(), std::max(state.height(), image.height()) };
}

QIcon TItemImages::Icon(const TItemIconKey& item)
{
    const std::uint64_t key = static_cast<std::uint64_t>((item.StateIndex + 1) & 0xFFFF)
        | static_cast<std::uint64_t>((item.ImageIndex + 1) & 0xFFFFFF) << 16
        | static_cast<std::uint64_t>((item.OverlayIndex + 1) & 0xFF) << 40
        | static_cast<std::uint64_t>(item.Cut) << 48;
    if (const auto cached = m_cache.find(key); cached != m_cache.end())
        return cached->second;
    TItemIconParts parts;
    if (TImageList* state = m_stateImages.List) {
        parts.StateSize = state->Size();
        parts.State = state->Icon(item.StateIndex);
    }
    if (TImageList* images = m_images.List) {
        parts.ImageSize = images->Size();
        parts.Image = images->Icon(item.ImageIndex);
        parts.Overlay = images->OverlayIcon(item.OverlayIndex);
        parts.Cut = item.Cut;
    }
    return m_cache.emplace(key, ComposeItemIcon(parts)).first->second;
}

} // namespace sondrel::framework
