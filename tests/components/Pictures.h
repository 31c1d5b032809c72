#pragma once
// What the component tests paint and look at: glyph strips of solid squares on an olive ground,
// a palette whose button colours are all different, and the pixels of a grab.

#include "Graphics.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QWidget>

#include <optional>

namespace sondrel::test {

// The colour of each image of a strip, by index.
inline QColor ImageColor(int index)
{
    static const QColor colors[] = { QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255),
        QColor(255, 0, 255), QColor(0, 200, 200), QColor(90, 60, 30) };
    return colors[index % 6];
}

// `count` images of `size` × `size` side by side: an olive ground (the bottom left pixel, so the
// automatic transparent colour) with a square of ImageColor(i) from 2 to size - 3.
inline QImage Strip(int count, int size)
{
    QImage strip(count * size, size, QImage::Format_RGB32);
    strip.fill(framework::ToQColor(framework::clOlive));
    for (int i = 0; i < count; ++i)
        for (int y = 2; y < size - 2; ++y)
            for (int x = 2; x < size - 2; ++x)
                strip.setPixelColor(i * size + x, y, ImageColor(i));
    return strip;
}

// A palette in which every colour the controls draw with is a different one.
inline QPalette DistinctPalette()
{
    QPalette palette = QApplication::palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Window, QColor(200, 200, 200));
        palette.setColor(group, QPalette::Button, QColor(208, 216, 224)); // clBtnFace
        palette.setColor(group, QPalette::Light, QColor(255, 255, 128)); // clBtnHighlight
        palette.setColor(group, QPalette::Dark, QColor(64, 64, 128)); // clBtnShadow
        palette.setColor(group, QPalette::WindowText, QColor(0, 0, 0));
        palette.setColor(group, QPalette::Text, QColor(0, 0, 0));
        palette.setColor(group, QPalette::Base, QColor(255, 255, 255));
    }
    return palette;
}

inline QImage Grab(QWidget& widget) { return widget.grab().toImage(); }

inline QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// The smallest rectangle holding every pixel of exactly `color`; none when there is none.
inline std::optional<QRect> Bounds(const QImage& image, const QColor& color)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == color.rgb())
                bounds = bounds.united(QRect(x, y, 1, 1));
    if (bounds.isNull())
        return std::nullopt;
    return bounds;
}

inline int Count(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == color.rgb() ? 1 : 0;
    return count;
}

} // namespace sondrel::test
