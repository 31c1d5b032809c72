#pragma once
// The picture in front of a list or tree item: its state image, then its image with the overlay
// over it, the image faded for an item that is cut. Drawn at whatever size and pixel density the
// view asks, from the icons themselves.

#include <QIcon>
#include <QSize>

namespace sondrel::framework {

struct TItemIconParts
{
    QIcon State;
    QSize StateSize; // empty: no state images, no room kept for them
    QIcon Image;
    QIcon Overlay;
    QSize ImageSize; // empty: no images
    bool Cut = false;
};

[[nodiscard]] QIcon ComposeItemIcon(const TItemIconParts& parts);

} // namespace sondrel::framework
