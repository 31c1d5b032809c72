#include "Bitmap.h"

#include <QPainter>

#include <algorithm>

namespace sondrel::framework {

namespace {

    QImage Opaque(const QImage& image)
    {
        return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    }

} // namespace

TBitmap::TBitmap(const QImage& image)
    : m_image(Opaque(image))
    , m_width(m_image.width())
    , m_height(m_image.height())
{
}

void TBitmap::SetImage(const QImage& image)
{
    m_image = Opaque(image);
    m_width = m_image.width();
    m_height = m_image.height();
    Changed();
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    QImage resized;
    if (width > 0 && height > 0) {
        resized = QImage(width, height, QImage::Format_RGB32);
        resized.fill(Qt::white);
        if (!m_image.isNull()) {
            QPainter painter(&resized);
            painter.drawImage(0, 0, m_image);
        }
    }
    m_image = resized;
    m_width = width;
    m_height = height;
    Changed();
}

void TBitmap::Assign(const TBitmap& other)
{
    m_image = other.m_image;
    m_width = other.m_width;
    m_height = other.m_height;
    m_transparentColor = other.m_transparentColor;
    m_mode = other.m_mode;
    Changed();
}

void TBitmap::Draw(const std::function<void(TCanvas&)>& painter)
{
    if (m_image.isNull())
        return;
    {
        QPainter surface(&m_image);
        TCanvas canvas(&surface);
        painter(canvas);
    }
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (m_mode == TTransparentMode::tmFixed)
        return m_transparentColor;
    return m_image.isNull() ? clDefault : Pixel(0, m_height - 1);
}

void TBitmap::SetTransparentColor(TColor color)
{
    if (color == m_transparentColor)
        return;
    m_transparentColor = color;
    m_mode = color == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode)
{
    if (mode == m_mode)
        return;
    if (mode == TTransparentMode::tmFixed)
        m_transparentColor = TransparentColor();
    else
        m_transparentColor = clDefault;
    m_mode = mode;
    Changed();
}

TColor TBitmap::Pixel(int x, int y) const
{
    if (!m_image.valid(x, y))
        return clNone;
    return FromQColor(QColor::fromRgb(m_image.pixel(x, y)));
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange(*this);
}

QBrush PatternBrush(TColor first, TColor second)
{
    QImage pattern(8, 8, QImage::Format_RGB32);
    const QRgb a = ToQColor(first).rgb();
    const QRgb b = ToQColor(second).rgb();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x + y) % 2 == 0 ? a : b);
    return QBrush(pattern);
}

} // namespace sondrel::framework
