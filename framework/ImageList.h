#pragma once
// A numbered set of same-sized images, as list views and buttons refer to them by index. Icons
// keep every resolution they were given, so they stay crisp on high-density screens. Owned by
// the form or control that declares it; GUI thread only.

#include <QIcon>
#include <QObject>
#include <QSize>

#include <vector>

namespace sondrel::framework {

// Images kept elsewhere that an image list can show in place of its own, such as the shell's
// process-wide list; the image list only borrows them.
class TImageHandle
{
public:
    [[nodiscard]] virtual int Count() const = 0;
    [[nodiscard]] virtual QIcon Icon(int index) const = 0;
    // The image drawn for overlay number `overlay` (0 to 3), or -1.
    [[nodiscard]] virtual int OverlayImage(int overlay) const = 0;

protected:
    ~TImageHandle() = default;
};

class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(QObject* owner = nullptr, int width = 16, int height = 16);

    [[nodiscard]] int Width() const { return m_size.width(); }
    [[nodiscard]] int Height() const { return m_size.height(); }
    [[nodiscard]] QSize Size() const { return m_size; }
    [[nodiscard]] int Count() const;

    // Appends an image; returns its index.
    int Add(const QIcon& icon);
    void Replace(int index, const QIcon& icon);
    void Clear();
    // The image at `index`, or a null icon for an index outside the list.
    [[nodiscard]] QIcon Icon(int index) const;
    // Makes image `index` the overlay numbered `overlay` (0 to 3), drawn over items that ask
    // for it; false for numbers or images outside the list.
    bool Overlay(int index, int overlay);
    [[nodiscard]] QIcon OverlayIcon(int overlay) const;

    // Shows the images of `handle` instead of its own (null: its own again). While a handle is
    // shown the list's own images cannot be changed; the handle must outlive the list's use.
    void SetHandle(const TImageHandle* handle);
    [[nodiscard]] const TImageHandle* Handle() const { return m_handle; }
    // Whether the images are another's (a handle), so that the list never changes them.
    [[nodiscard]] bool ShareImages() const { return m_shareImages; }
    void SetShareImages(bool share) { m_shareImages = share; }

Q_SIGNALS:
    void Changed();

private:
    QSize m_size;
    const TImageHandle* m_handle = nullptr;
    bool m_shareImages = false;
    std::vector<QIcon> m_icons;
    int m_overlays[4] = { -1, -1, -1, -1 };
};

} // namespace sondrel::framework
