#include "StreamImages.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace sondrel::app {

namespace {

    using TDrawing = std::function<void(QPainter&)>;

    // Draws a picture designed on a 16 x 16 grid into any rectangle, antialiased.
    class TShapeIconEngine : public QIconEngine
    {
    public:
        explicit TShapeIconEngine(TDrawing drawing)
            : m_drawing(std::move(drawing))
        {
        }

        void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
        {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            const qreal side = std::min(rect.width(), rect.height());
            painter->translate(
                rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
            painter->scale(side / 16.0, side / 16.0);
            if (mode == QIcon::Disabled)
                painter->setOpacity(painter->opacity() * 0.4);
            m_drawing(*painter);
            painter->restore();
        }

        QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

        QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
        {
            return scaledPixmap(size, mode, state, 1.0);
        }

        QPixmap scaledPixmap(
            const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
        {
            QPixmap pixmap(size * scale);
            pixmap.setDevicePixelRatio(scale);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
            return pixmap;
        }

        QIconEngine* clone() const override { return new TShapeIconEngine(m_drawing); }

    private:
        TDrawing m_drawing;
    };

    QIcon Shape(TDrawing drawing) { return QIcon(new TShapeIconEngine(std::move(drawing))); }

    const QColor kOutline(0x40, 0x40, 0x48);

    // A sheet of paper with a folded corner, the ground most kinds stand on.
    void Sheet(QPainter& p, QColor paper = QColor(0xFF, 0xFF, 0xFF), qreal dx = 0, qreal dy = 0)
    {
        QPainterPath path;
        path.moveTo(2.5 + dx, 0.5 + dy);
        path.lineTo(10.5 + dx, 0.5 + dy);
        path.lineTo(13.5 + dx, 3.5 + dy);
        path.lineTo(13.5 + dx, 15.5 + dy);
        path.lineTo(2.5 + dx, 15.5 + dy);
        path.closeSubpath();
        p.setPen(QPen(kOutline, 1));
        p.setBrush(paper);
        p.drawPath(path);
        p.drawLine(QPointF(10.5 + dx, 0.5 + dy), QPointF(10.5 + dx, 3.5 + dy));
        p.drawLine(QPointF(10.5 + dx, 3.5 + dy), QPointF(13.5 + dx, 3.5 + dy));
    }

    void TextLines(QPainter& p, qreal from, qreal to, QColor color)
    {
        p.setPen(QPen(color, 1));
        for (qreal y = from; y <= to; y += 2)
            p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    }

    void Data(QPainter& p)
    {
        Sheet(p);
        TextLines(p, 5.5, 13.5, QColor(0x50, 0x70, 0xB0));
    }

    void ExtendedAttributes(QPainter& p)
    {
        Sheet(p);
        TextLines(p, 5.5, 7.5, QColor(0x90, 0x90, 0x90));
        // A tag hanging on the sheet.
        QPainterPath tag;
        tag.moveTo(6.5, 9.5);
        tag.lineTo(13.5, 9.5);
        tag.lineTo(15.5, 12.0);
        tag.lineTo(13.5, 14.5);
        tag.lineTo(6.5, 14.5);
        tag.closeSubpath();
        p.setPen(QPen(QColor(0x9A, 0x50, 0x00), 1));
        p.setBrush(QColor(0xF5, 0xA6, 0x23));
        p.drawPath(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12.8, 12.0), 0.9, 0.9);
    }

    void Security(QPainter& p)
    {
        p.setPen(QPen(QColor(0x55, 0x55, 0x60), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
        p.setPen(QPen(QColor(0x8A, 0x62, 0x00), 1));
        p.setBrush(QColor(0xF2, 0xC2, 0x30));
        p.drawRoundedRect(QRectF(2.5, 7.5, 11, 8), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5A, 0x40, 0x00));
        p.drawEllipse(QPointF(8, 10.8), 1.3, 1.3);
        p.drawRect(QRectF(7.4, 11, 1.2, 2.8));
    }

    void AlternateData(QPainter& p)
    {
        p.save();
        p.scale(0.82, 0.82);
        Sheet(p, QColor(0xC8, 0xDA, 0xF5), 4.5, 0);
        Sheet(p, Qt::white, 0, 3.5);
        TextLines(p, 0, -1, Qt::black);
        p.setPen(QPen(QColor(0x30, 0x60, 0xC0), 1));
        for (qreal y = 8.5; y <= 15.5; y += 2)
            p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
        p.restore();
    }

    void Link(QPainter& p)
    {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x50, 0x58, 0x68), 2.0));
        p.drawRoundedRect(QRectF(1.5, 5.0, 8, 6), 3, 3);
        p.setPen(QPen(QColor(0x2F, 0x80, 0xD0), 2.0));
        p.drawRoundedRect(QRectF(6.5, 5.0, 8, 6), 3, 3);
    }

    void PropertyData(QPainter& p)
    {
        p.setPen(QPen(QColor(0x5A, 0x2D, 0x82), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(0x9B, 0x59, 0xB6));
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        p.drawLine(QPointF(6.5, 5.5), QPointF(6.5, 13.5));
        p.drawLine(QPointF(1.5, 8.5), QPointF(14.5, 8.5));
        p.drawLine(QPointF(1.5, 11.0), QPointF(14.5, 11.0));
    }

    void ObjectId(QPainter& p)
    {
        p.setPen(QPen(QColor(0x0B, 0x6E, 0x6E), 1));
        p.setBrush(QColor(0x1A, 0xBC, 0x9C));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(4.5, 4.5), QPointF(4.5, 11.5));
        QPainterPath d;
        d.moveTo(7.5, 4.5);
        d.lineTo(9.0, 4.5);
        d.cubicTo(13.0, 4.5, 13.0, 11.5, 9.0, 11.5);
        d.lineTo(7.5, 11.5);
        d.closeSubpath();
        p.setBrush(Qt::NoBrush);
        p.drawPath(d);
    }

    void ReparseData(QPainter& p)
    {
        Sheet(p, QColor(0xF0, 0xF0, 0xF0));
        QPainterPath arrow;
        arrow.moveTo(4.5, 13.0);
        arrow.cubicTo(4.5, 7.0, 7.5, 6.5, 11.0, 6.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x1E, 0x8E, 0x3E), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arrow);
        QPainterPath head;
        head.moveTo(14.0, 6.5);
        head.lineTo(10.0, 3.5);
        head.lineTo(10.0, 9.5);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1E, 0x8E, 0x3E));
        p.drawPath(head);
    }

    void SparseBlock(QPainter& p)
    {
        p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 4.5, 15, 7));
        p.setPen(QPen(QColor(0x1F, 0x4E, 0x9A), 1));
        p.setBrush(QColor(0x4A, 0x90, 0xE2));
        p.drawRect(QRectF(1.5, 5.5, 3, 5));
        p.drawRect(QRectF(9.5, 5.5, 5, 5));
    }

    void OtherKind(QPainter& p)
    {
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        QFont font;
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    }

    void Folder(QPainter& p)
    {
        QPainterPath folder;
        folder.moveTo(1.5, 4.5);
        folder.lineTo(6.0, 4.5);
        folder.lineTo(7.5, 6.0);
        folder.lineTo(14.5, 6.0);
        folder.lineTo(14.5, 14.5);
        folder.lineTo(1.5, 14.5);
        folder.closeSubpath();
        p.setPen(QPen(QColor(0x9A, 0x6A, 0x00), 1));
        p.setBrush(QColor(0xF6, 0xC3, 0x4B));
        p.drawPath(folder);
    }

} // namespace

QIcon StreamKindImage(int index)
{
    static const TDrawing kDrawings[kStreamKindImages] = { Data, ExtendedAttributes, Security,
        AlternateData, Link, PropertyData, ObjectId, ReparseData, SparseBlock, OtherKind };
    if (index < 0 || index >= kStreamKindImages)
        index = kStreamKindImages - 1;
    return Shape(kDrawings[index]);
}

QIcon UpFolderGlyph()
{
    return Shape([](QPainter& p) {
        Folder(p);
        QPainterPath arrow;
        arrow.moveTo(8.0, 1.0);
        arrow.lineTo(12.5, 6.0);
        arrow.lineTo(9.7, 6.0);
        arrow.lineTo(9.7, 12.0);
        arrow.lineTo(6.3, 12.0);
        arrow.lineTo(6.3, 6.0);
        arrow.lineTo(3.5, 6.0);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0x0E, 0x5A, 0x1E), 1));
        p.setBrush(QColor(0x2E, 0xA0, 0x43));
        p.drawPath(arrow);
    });
}

QIcon HelpGlyph()
{
    return Shape([](QPainter& p) {
        p.setPen(QPen(QColor(0x0B, 0x4F, 0x9C), 1));
        p.setBrush(QColor(0x2F, 0x80, 0xED));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        // The question mark is drawn, not set in a font: it looks the same everywhere, and the
        // window's first paint need not load a bold face for one character.
        QPainterPath hook;
        hook.moveTo(5.6, 6.0);
        hook.cubicTo(5.6, 2.9, 10.4, 2.9, 10.4, 5.9);
        hook.cubicTo(10.4, 7.7, 8.0, 7.9, 8.0, 9.9);
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8.0, 12.6), 1.25, 1.25);
    });
}

} // namespace sondrel::app
