#include "ImageList.h"

#include <algorithm>

namespace sondrel::framework {

TImageList::TImageList(QObject* owner, int width, int height)
    : QObject(owner)
    , m_size(width, height)
{
}

int TImageList::Add(const QIcon& icon)
{
    m_icons.push_back(icon);
    Q_EMIT Changed();
    return Count() - 1;
}

void TImageList::Replace(int index, const QIcon& icon)
{
    if (index < 0 || index >= Count())
        return;
    m_icons[static_cast<std::size_t>(index)] = icon;
    Q_EMIT Changed();
}

void TImageList::Clear()
{
    m_icons.clear();
    std::fill(std::begin(m_overlays), std::end(m_overlays), -1);
    Q_EMIT Changed();
}

QIcon TImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_icons[static_cast<std::size_t>(index)];
}

bool TImageList::Overlay(int index, int overlay)
{
    if (overlay < 0 || overlay > 3 || index < 0 || index >= Count())
        return false;
    m_overlays[overlay] = index;
    Q_EMIT Changed();
    return true;
}

QIcon TImageList::OverlayIcon(int overlay) const
{
    if (overlay < 0 || overlay > 3)
        return {};
    return Icon(m_overlays[overlay]);
}

} // namespace sondrel::framework
