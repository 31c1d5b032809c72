#pragma once
// A numbered set of same-sized images, as list views and buttons refer to them by index. Icons
// keep every resolution they were given, so they stay crisp on high-density screens. Owned by
// the form or control that declares it; GUI thread only.

#include <QIcon>
#include <QObject>
#include <QSize>

#include <vector>

namespace sondrel::framework {

class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(QObject* owner = nullptr, int width = 16, int height = 16);

    [[nodiscard]] int Width() const { return m_size.width(); }
    [[nodiscard]] int Height() const { return m_size.height(); }
    [[nodiscard]] QSize Size() const { return m_size; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_icons.size()); }

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

Q_SIGNALS:
    void Changed();

private:
    QSize m_size;
    std::vector<QIcon> m_icons;
    int m_overlays[4] = { -1, -1, -1, -1 };
};

} // namespace sondrel::framework
