#include "SizingLine.h"

#include <QPainter>

namespace sondrel::layout {

const QImage& HalftonePattern()
{
    static const QImage pattern = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        for (int j = 0; j < 8; ++j)
            for (int i = 0; i < 8; ++i)
                image.setPixel(i, j, (i + j) % 2 != 0 ? 0xFFFFFFFFu : 0xFF000000u);
        return image;
    }();
    return pattern;
}

TPTSizingLine::TPTSizingLine(QWidget* splitter)
    : QWidget(splitter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void TPTSizingLine::Invert(const QRect& rect)
{
    if (isVisible() && geometry() == rect) {
        hide();
        return;
    }
    setGeometry(rect);
    raise();
    show();
    update();
}

void TPTSizingLine::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    // A pattern brush in the inverting line's colours: pattern black in the text colour (white,
    // which inverts), pattern white in the background colour (black, which leaves the pixel).
    static const QImage brush = [] {
        QImage colours = HalftonePattern();
        colours.invertPixels();
        return colours;
    }();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrushOrigin(-pos());
    painter.fillRect(rect(), QBrush(brush));
}

} // namespace sondrel::layout
