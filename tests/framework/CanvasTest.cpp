// The canvas against real pixels: line end points, rectangles, text cells and the clip area.

#include "Canvas.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace sondrel::framework;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;

QImage Blank(int w = 20, int h = 20)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(kWhite);
    return image;
}

// The pixels of `image` that are not white, as "x,y" in row order.
QStringList Inked(const QImage& image)
{
    QStringList points;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kWhite)
                points << QStringLiteral("%1,%2").arg(x).arg(y);
    return points;
}

QStringList Pixels(const char* list)
{
    return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class CanvasTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesLeaveOutTheirEndPoint_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QStringList>("pixels");
        QTest::newRow("right") << QPoint(2, 3) << QPoint(5, 3) << Pixels("2,3 3,3 4,3");
        QTest::newRow("left") << QPoint(5, 3) << QPoint(2, 3) << Pixels("3,3 4,3 5,3");
        QTest::newRow("down") << QPoint(4, 1) << QPoint(4, 4) << Pixels("4,1 4,2 4,3");
        QTest::newRow("up") << QPoint(4, 4) << QPoint(4, 1) << Pixels("4,2 4,3 4,4");
        QTest::newRow("diagonal") << QPoint(1, 1) << QPoint(4, 4) << Pixels("1,1 2,2 3,3");
        QTest::newRow("point") << QPoint(3, 3) << QPoint(3, 3) << Pixels("");
    }

    void linesLeaveOutTheirEndPoint()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QStringList, pixels);
        QImage image = Blank();
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Pen().SetColor(clBlack);
            canvas.MoveTo(from.x(), from.y());
            canvas.LineTo(to.x(), to.y());
            QCOMPARE(canvas.PenPos(), (TPoint { to.x(), to.y() }));
        }
        QCOMPARE(Inked(image), pixels);
    }

    void polylineCornersMeetOnce()
    {
        QImage image = Blank();
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Pen().SetColor(clBlack);
            const TPoint corner[] = { { 1, 3 }, { 1, 1 }, { 4, 1 } };
            canvas.Polyline(corner);
        }
        QCOMPARE(Inked(image), (Pixels("1,1 2,1 3,1 1,2 1,3")));
    }

    void rectangleOutlinesAndFills()
    {
        QImage image = Blank(8, 8);
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Pen().SetColor(clBlack);
            canvas.Brush().SetColor(clRed);
            canvas.Rectangle(1, 1, 5, 4);
        }
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
                const bool edge = inside && (x == 1 || x == 4 || y == 1 || y == 3);
                const QRgb want = !inside ? kWhite : edge ? kBlack : kRed;
                QCOMPARE(image.pixel(x, y), want);
            }
    }

    void textStandsOnItsBrushFromItsTop()
    {
        QImage image = Blank(100, 40);
        int height = 0;
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Font().SetName(QStringLiteral("Courier"));
            canvas.Font().SetHeight(-11);
            canvas.Font().SetColor(clBlack);
            canvas.Brush().SetColor(clRed);
            canvas.TextOut(10, 5, QStringLiteral("AB"));
            height = canvas.TextHeight(QStringLiteral("AB"));
        }
        QVERIFY(height >= 11);
        QCOMPARE(image.pixel(10, 5), kRed); // the cell's top left corner is filled
        QCOMPARE(image.pixel(9, 5), kWhite);
        QCOMPARE(image.pixel(10, 4), kWhite);
        QCOMPARE(image.pixel(10, 5 + height), kWhite);
        QVERIFY(image.pixel(10, 5 + height - 1) != kWhite);
    }

    void clearBrushLeavesTheBackground()
    {
        QImage image = Blank(60, 30);
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Brush().SetStyle(TBrushStyle::bsClear);
            canvas.TextOut(0, 0, QStringLiteral("_"));
            canvas.FillRect(Rect(0, 0, 60, 30));
        }
        QCOMPARE(image.pixel(0, 0), kWhite);
    }

    void clipRectIsInCanvasCoordinates()
    {
        QImage image = Blank(100, 50);
        QPainter painter(&image);
        TCanvas canvas(&painter);
        QCOMPARE(canvas.ClipRect(), Rect(0, 0, 100, 50));
        painter.translate(0, -1000);
        QCOMPARE(canvas.ClipRect(), Rect(0, 1000, 100, 1050));
        painter.setClipRect(QRect(0, 1016, 100, 16));
        QCOMPARE(canvas.ClipRect(), Rect(0, 1016, 100, 1032));
    }

    void fontFacesMapToTheirKind()
    {
        TFont courier;
        courier.SetName(QStringLiteral("Courier"));
        courier.SetHeight(-11);
        const QFont font = courier.ToQFont();
        QCOMPARE(font.pixelSize(), 11);
        QVERIFY(QFontInfo(font).fixedPitch());

        TFont changed;
        int changes = 0;
        changed.OnChange = [&](TFont&) { ++changes; };
        changed.SetColor(clRed);
        changed.SetColor(clRed);
        changed.SetStyle(fsBold);
        QCOMPARE(changes, 2);
    }

    void systemColorsFollowThePalette()
    {
        QCOMPARE(ToQColor(clBtnFace), QGuiApplication::palette().color(QPalette::Button));
        QCOMPARE(ToQColor(clWindowText), QGuiApplication::palette().color(QPalette::Text));
        QCOMPARE(ColorToRGB(clRed), 0x0000FFu);
        QCOMPARE(ToQColor(0x00332211), QColor(0x11, 0x22, 0x33));
        QCOMPARE(FromQColor(QColor(0x11, 0x22, 0x33)), 0x00332211);
    }
};

QTEST_MAIN(CanvasTest)
#include "CanvasTest.moc"
