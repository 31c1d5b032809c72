#pragma once
// A bitmap as controls keep pictures: an opaque image with a transparent colour and a change
// event. A bitmap may be 0 pixels wide and still have a height (it then has no image). Its
// transparent colour is the bottom left pixel's (automatic mode) or one it was given
// (fixed mode). GUI thread only; owned by the control that holds it.

#include "Canvas.h"
#include "Graphics.h"

#include <QBrush>
#include <QImage>

#include <functional>

namespace sondrel::framework {

enum class TTransparentMode { tmAuto, tmFixed };

class TBitmap
{
public:
    TBitmap() = default;
    explicit TBitmap(const QImage& image);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] bool Empty() const { return m_image.isNull(); }
    [[nodiscard]] const QImage& Image() const { return m_image; }
    void SetImage(const QImage& image);
    // A new size keeps what fits of the picture; new parts are white.
    void SetSize(int width, int height);
    // Copies the picture and its transparency (the change handler stays).
    void Assign(const TBitmap& other);
    // Draws on the bitmap through a canvas, then reports the change.
    void Draw(const std::function<void(TCanvas&)>& painter);

    // clDefault for an empty bitmap in automatic mode.
    [[nodiscard]] TColor TransparentColor() const;
    // Fixes the transparent colour; clDefault goes back to the automatic mode.
    void SetTransparentColor(TColor color);
    [[nodiscard]] TTransparentMode TransparentMode() const { return m_mode; }
    void SetTransparentMode(TTransparentMode mode);
    // The pixel as 0x00BBGGRR; clNone outside the bitmap.
    [[nodiscard]] TColor Pixel(int x, int y) const;

    std::function<void(TBitmap&)> OnChange;

private:
    void Changed();

    QImage m_image;
    int m_width = 0;
    int m_height = 0;
    TColor m_transparentColor = clDefault;
    TTransparentMode m_mode = TTransparentMode::tmAuto;
};

// The 50 % pattern controls fill pressed areas with: the two colours alternating pixel by
// pixel, `first` where x + y is even.
[[nodiscard]] QBrush PatternBrush(TColor first, TColor second);

} // namespace sondrel::framework
