#include "ImageList.h"

#include <algorithm>

namespace sondrel::framework {

TImageList::TImageList(QObject* owner, int width, int height)
    : QObject(owner)
    , m_size(width, height)
{
}

int TImageList::Count() const
{
    return m_handle ? m_handle->Count() : static_cast<int>(m_icons.size());
}

void TImageList::SetHandle(const TImageHandle* handle)
{
    m_handle = handle;
    Q_EMIT Changed();
}

int TImageList::Add(const QIcon& icon)
{
    if (m_handle || m_shareImages)
        return -1;
    m_icons.push_back(icon);
    Q_EMIT Changed();
    return Count() - 1;
}

void TImageList::Replace(int index, const QIcon& icon)
{
    if (m_handle || m_shareImages || index < 0 || index >= Count())
        return;
    m_icons[static_cast<std::size_t>(index)] = icon;
    Q_EMIT Changed();
}

void TImageList::Clear()
{
    if (m_handle || m_shareImages)
        return;
    m_icons.clear();
    std::fill(std::begin(m_overlays), std::end(m_overlays), -1);
    Q_EMIT Changed();
}

QIcon TImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_handle ? m_handle->Icon(index) : m_icons[static_cast<std::size_t>(index)];
}

bool TImageList::Overlay(int index, int overlay)
{
    if (m_handle || overlay < 0 || overlay > 3 || index < 0 || index >= Count())
        return false;
    m_overlays[overlay] = index;
    Q_EMIT Changed();
    return true;
}

QIcon TImageList::OverlayIcon(int overlay) const
{
    if (overlay < 0 || overlay > 3)
        return {};
    return Icon(m_handle ? m_handle->OverlayImage(overlay) : m_overlays[overlay]);
}

} // namespace sondrel::framework
