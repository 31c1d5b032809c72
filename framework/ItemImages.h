#pragma once
// The pictures in front of the items of a list or tree view: the view's image list and state
// image list, the icon size the two make side by side, and the composed icons (ItemIcon.h),
// cached by what they are made of until either list is replaced or changes. The view owns it and
// is told of every change, so that it takes the new size and repaints; the image lists belong to
// the form. GUI thread only.

#include "ImageList.h"

#include <QIcon>
#include <QMetaObject>
#include <QPointer>
#include <QSize>

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace sondrel::framework {

// What one item's picture is made of.
struct TItemIconKey
{
    int StateIndex = -1;
    int ImageIndex = -1;
    int OverlayIndex = -1;
    bool Cut = false;
};

class TItemImages
{
public:
    // `changed` runs after either list is replaced or changes; `view` keeps the connections.
    TItemImages(QObject& view, std::function<void()> changed);
    ~TItemImages();
    TItemImages(const TItemImages&) = delete;
    TItemImages& operator=(const TItemImages&) = delete;

    [[nodiscard]] TImageList* Images() const { return m_images.List; }
    void SetImages(TImageList* images) { Set(m_images, images); }
    [[nodiscard]] TImageList* StateImages() const { return m_stateImages.List; }
    void SetStateImages(TImageList* images) { Set(m_stateImages, images); }
    [[nodiscard]] bool Empty() const { return !m_images.List && !m_stateImages.List; }

    // Room for the state image and the image side by side; a list that is not there takes none.
    [[nodiscard]] QSize IconSize() const;
    [[nodiscard]] QIcon Icon(const TItemIconKey& item);

private:
    struct TSlot
    {
        QPointer<TImageList> List;
        QMetaObject::Connection Connection;
    };

    void Set(TSlot& slot, TImageList* images);
    void Changed();

    QObject& m_view;
    std::function<void()> m_changed;
    TSlot m_images;
    TSlot m_stateImages;
    std::unordered_map<std::uint64_t, QIcon> m_cache;
};

} // namespace sondrel::framework
