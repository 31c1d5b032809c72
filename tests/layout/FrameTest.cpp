// Frames against real pixels: every frame style's lines and colours, the interior each leaves,
// the group's caption (embossed when disabled), the group's client area and the frame control.

#include "Frame.h"

#include "Group.h"
#include "UPTFrame.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

using namespace sondrel::layout;
using namespace sondrel::framework;

namespace {

constexpr QRgb kBackground = 0xFFFEFEFE;

// One letter per colour the frames use, each colour distinct in the test palette.
struct Ink
{
    char letter;
    QRgb rgb;
};
constexpr Ink kInks[] = {
    { 'F', 0xFF102030 }, // clBtnFace
    { 'S', 0xFF405060 }, // clBtnShadow
    { 'D', 0xFF708090 }, // cl3DDkShadow
    { 'H', 0xFFA0B0C0 }, // clBtnHighlight
    { 'W', 0xFFD0E0F0 }, // clWindowFrame
    { 'B', 0xFF112233 }, // the brush colour the test sets
};
constexpr TColor kBrush = 0x332211;

void SetTestPalette()
{
    QPalette palette = QApplication::palette();
    for (QPalette::ColorGroup group :
        { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Button, QColor::fromRgb(kInks[0].rgb));
        palette.setColor(group, QPalette::Dark, QColor::fromRgb(kInks[1].rgb));
        palette.setColor(group, QPalette::Shadow, QColor::fromRgb(kInks[2].rgb));
        palette.setColor(group, QPalette::Light, QColor::fromRgb(kInks[3].rgb));
        palette.setColor(group, QPalette::Text, QColor::fromRgb(kInks[4].rgb));
    }
    QApplication::setPalette(palette);
}

// The image as rows of letters; '.' is the background, '?' any other colour.
QStringList Picture(const QImage& image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            char letter = rgb == kBackground ? '.' : '?';
            for (const Ink& ink : kInks)
                if (ink.rgb == rgb)
                    letter = ink.letter;
            row += QLatin1Char(letter);
        }
        rows << row;
    }
    return rows;
}

QStringList Rows(const char* text) { return QString::fromLatin1(text).split(u' '); }

// Draws `style` on the inclusive rectangle (1, 1)-(6, 6) of an 8 x 8 image.
QImage Draw(TPTFrameStyle style)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    TCanvas canvas(&painter);
    canvas.Brush().SetColor(kBrush);
    DrawFrame(style, canvas, { 1, 1, 6, 6 });
    return image;
}

enum Channel { Red, Green, Blue };

// How many pixels in `area` lean towards `channel` (text is antialiased, so colours blend).
int Leaning(const QImage& image, const QRect& area, Channel channel)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int v[] = { c.red(), c.green(), c.blue() };
            const int other = channel == Red ? std::max(v[1], v[2])
                : channel == Green           ? std::max(v[0], v[2])
                                             : std::max(v[0], v[1]);
            if (v[channel] > other + 40)
                ++count;
        }
    return count;
}

} // namespace

class FrameTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SetTestPalette(); }

    void framePixels_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("picture");
        // clang-format off
        QTest::newRow("none") << int(ptfsNone) << Rows(
            "........ ........ ........ ........ ........ ........ ........ ........");
        QTest::newRow("lowered") << int(ptfsLowered) << Rows(
            "........ .SSSSSH. .SDDDFH. .SD..FH. .SD..FH. .SFFFFH. .HHHHHH. ........");
        QTest::newRow("raised") << int(ptfsRaised) << Rows(
            "........ .HHHHHD. .HFFFSD. .HF..SD. .HF..SD. .HSSSSD. .DDDDDD. ........");
        QTest::newRow("dint") << int(ptfsDint) << Rows(
            "........ .SSSSSH. .S....H. .S....H. .S....H. .S....H. .HHHHHH. ........");
        QTest::newRow("bump") << int(ptfsBump) << Rows(
            "........ .HHHHHS. .H....S. .H....S. .H....S. .H....S. .SSSSSS. ........");
        QTest::newRow("single") << int(ptfsSingle) << Rows(
            "........ .WWWWWW. .WBBBBW. .WBBBBW. .WBBBBW. .WBBBBW. .WWWWWW. ........");
        QTest::newRow("horizontal line") << int(ptfsHorzLine) << Rows(
            "........ .SSSSSS. .HHHHHH. ........ ........ ........ ........ ........");
        QTest::newRow("horizontal edge") << int(ptfsHorzEdge) << Rows(
            "........ .SSSSSS. .HHHHHH. ........ ........ .SSSSSS. .HHHHHH. ........");
        QTest::newRow("vertical line") << int(ptfsVertLine) << Rows(
            "........ .SH..... .SH..... .SH..... .SH..... .SH..... .SH..... ........");
        QTest::newRow("vertical edge") << int(ptfsVertEdge) << Rows(
            "........ .SH..SH. .SH..SH. .SH..SH. .SH..SH. .SH..SH. .SH..SH. ........");
        // The etched box in the brush colour, its top a pixel below the rectangle's.
        QTest::newRow("group") << int(ptfsGroup) << Rows(
            "........ .BBBBBB. .SSSSSB. .SHHHSH. .SHBBSH. .SSSSSH. .BHHHHH. ........");
        // clang-format on
    }

    void framePixels()
    {
        QFETCH(int, style);
        QFETCH(QStringList, picture);
        QCOMPARE(Picture(Draw(static_cast<TPTFrameStyle>(style))), picture);
    }

    void interiorLeftByEachFrame_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QRect>("interior"); // of (10, 20)-(110, 220)
        QTest::newRow("none") << int(ptfsNone) << QRect(QPoint(10, 20), QPoint(110, 220));
        QTest::newRow("group") << int(ptfsGroup) << QRect(QPoint(10, 20), QPoint(110, 220));
        QTest::newRow("lowered") << int(ptfsLowered) << QRect(QPoint(12, 22), QPoint(108, 218));
        QTest::newRow("raised") << int(ptfsRaised) << QRect(QPoint(12, 22), QPoint(108, 218));
        QTest::newRow("dint") << int(ptfsDint) << QRect(QPoint(11, 21), QPoint(109, 219));
        QTest::newRow("bump") << int(ptfsBump) << QRect(QPoint(11, 21), QPoint(109, 219));
        QTest::newRow("single") << int(ptfsSingle) << QRect(QPoint(11, 21), QPoint(109, 219));
        QTest::newRow("horz line") << int(ptfsHorzLine) << QRect(QPoint(10, 22), QPoint(110, 220));
        QTest::newRow("horz edge") << int(ptfsHorzEdge) << QRect(QPoint(10, 22), QPoint(110, 218));
        QTest::newRow("vert line") << int(ptfsVertLine) << QRect(QPoint(12, 20), QPoint(110, 220));
        QTest::newRow("vert edge") << int(ptfsVertEdge) << QRect(QPoint(12, 20), QPoint(108, 220));
    }

    void interiorLeftByEachFrame()
    {
        QFETCH(int, style);
        QFETCH(QRect, interior);
        TRect r { 10, 20, 110, 220 };
        AdjustRectForFrame(static_cast<TPTFrameStyle>(style), r);
        QCOMPARE(QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom)), interior);
    }

    // The caption hides the frame's top line behind it; disabled, it is embossed: highlight one
    // pixel down and right, shadow on top.
    void groupCaption_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled") << false;
    }

    void groupCaption()
    {
        QFETCH(bool, enabled);
        QImage image(120, 40, QImage::Format_ARGB32);
        image.fill(kBackground);
        int h = 0;
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            canvas.Font().SetColor(clRed);
            canvas.Font().SetHeight(-13);
            h = canvas.TextHeight(QStringLiteral("0"));
            DrawGroupFrame(canvas, { 0, 0, 119, 39 }, QStringLiteral("MMMM"), clWhite, enabled);
        }
        const QRect caption(8, 0, 40, h);
        // The top line runs at h / 2 except behind the caption.
        QCOMPARE(image.pixel(4, h / 2), kInks[1].rgb);
        QCOMPARE(image.pixel(100, h / 2), kInks[1].rgb);
        QVERIFY(image.pixel(9, h / 2) != kInks[1].rgb);
        if (enabled) {
            QVERIFY(Leaning(image, caption, Red) > 10);
            QCOMPARE(Leaning(image, caption, Green), 0);
        } else {
            QCOMPARE(Leaning(image, caption, Red), 0);
            // Highlight (blue-grey, lighter) and shadow differ only in lightness here, so count
            // the exact embossing colours' presence instead.
            int highlight = 0, shadow = 0;
            for (int y = 0; y < h + 1; ++y)
                for (int x = 8; x < 60; ++x) {
                    highlight += image.pixel(x, y) == kInks[3].rgb;
                    shadow += image.pixel(x, y) == kInks[1].rgb;
                }
            QVERIFY(highlight > 0);
            QVERIFY(shadow > 0);
        }
    }

    // A layout set on the group places its children in the client area, inside the frame.
    void groupClientArea_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("caption");
        QTest::addColumn<QMargins>("insets");
        const int textHeight = QFontMetrics(TFont().ToQFont()).height();
        QTest::newRow("group") << int(ptfsGroup) << false << QMargins(2, 2, 2, 2);
        QTest::newRow("group, caption") << int(ptfsGroup) << true << QMargins(2, textHeight, 2, 2);
        QTest::newRow("none") << int(ptfsNone) << true << QMargins(0, 0, 0, 0);
        QTest::newRow("lowered") << int(ptfsLowered) << true << QMargins(2, 2, 2, 2);
        QTest::newRow("single") << int(ptfsSingle) << false << QMargins(1, 1, 1, 1);
        QTest::newRow("horz edge") << int(ptfsHorzEdge) << false << QMargins(0, 2, 0, 2);
        QTest::newRow("vert line") << int(ptfsVertLine) << false << QMargins(2, 0, 0, 0);
    }

    void groupClientArea()
    {
        QFETCH(int, style);
        QFETCH(bool, caption);
        QFETCH(QMargins, insets);
        TPTGroup group;
        group.resize(100, 80);
        auto* layout = new QVBoxLayout(&group);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* child = new QWidget;
        layout->addWidget(child);
        group.SetFrameStyle(static_cast<TPTFrameStyle>(style));
        if (caption)
            group.SetCaption(QStringLiteral("Streams"));
        group.show();
        const QRect expected = QRect(0, 0, 100, 80) - insets;
        QCOMPARE(group.ClientRect().ToQRect(), expected);
        QTRY_COMPARE(child->geometry(), expected);
    }

    void changingTheFrameRelaysOutTheChildren()
    {
        TPTGroup group;
        group.SetFrameStyle(ptfsNone);
        group.resize(100, 80);
        auto* layout = new QVBoxLayout(&group);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* child = new QWidget;
        layout->addWidget(child);
        group.show();
        QTRY_COMPARE(child->geometry(), QRect(0, 0, 100, 80));
        group.SetFrameStyle(ptfsLowered);
        QTRY_COMPARE(child->geometry(), QRect(2, 2, 96, 76));
    }

    // The frame is painted around the client area, which is filled with the group's colour.
    void groupPaintsItsFrameAroundTheClient()
    {
        TPTGroup group;
        group.SetFrameStyle(ptfsLowered);
        group.SetColor(kBrush);
        group.resize(6, 6);
        const QImage image = group.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(Picture(image), Rows("SSSSSH SDDDFH SDBBFH SDBBFH SFFFFH HHHHHH"));
    }

    void disablingAGroupDisablesItsChildren()
    {
        TPTGroup group;
        auto* child = new QWidget(&group);
        group.setEnabled(false);
        QVERIFY(!child->isEnabled());
        group.setEnabled(true);
        QVERIFY(child->isEnabled());
    }

    void paintEvents_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("fired");
        QTest::newRow("group frame never") << int(ptfsGroup) << false;
        QTest::newRow("lowered") << int(ptfsLowered) << true;
        QTest::newRow("none") << int(ptfsNone) << true;
    }

    void paintEvents()
    {
        QFETCH(int, style);
        QFETCH(bool, fired);
        TPTFrame frame;
        frame.SetFrameStyle(static_cast<TPTFrameStyle>(style));
        int paints = 0;
        frame.OnPaint = [&](QObject* sender, TCanvas&) {
            QCOMPARE(sender, &frame);
            ++paints;
        };
        (void)frame.grab();
        QCOMPARE(paints > 0, fired);

        TPTGroup group;
        group.SetFrameStyle(static_cast<TPTFrameStyle>(style));
        int groupPaints = 0;
        group.OnPaint = [&](QObject*, TCanvas&) { ++groupPaints; };
        (void)group.grab();
        QVERIFY(groupPaints > 0); // the group's client area always paints
    }

    // The interior caption: in the rectangle narrowed by FrameSpace, aligned, vertically
    // centred, cut with an ellipsis rather than drawn past the frame.
    void frameCaption_data()
    {
        QTest::addColumn<int>("alignmentValue");
        QTest::addColumn<QString>("caption");
        QTest::newRow("left") << int(TAlignment::taLeftJustify) << QStringLiteral("HI");
        QTest::newRow("right") << int(TAlignment::taRightJustify) << QStringLiteral("HI");
        QTest::newRow("centre") << int(TAlignment::taCenter) << QStringLiteral("HI");
        QTest::newRow("too long") << int(TAlignment::taLeftJustify)
                                  << QStringLiteral("HHHHHHHHHHHHHHHHHHHHHHHH");
    }

    void frameCaption()
    {
        QFETCH(int, alignmentValue);
        QFETCH(QString, caption);
        const auto alignment = static_cast<TAlignment>(alignmentValue);
        TPTFrame frame;
        frame.resize(80, 30);
        frame.SetFrameStyle(ptfsNone);
        frame.SetFrameSpace(6);
        frame.SetColor(clWhite);
        frame.Font().SetColor(clBlack);
        frame.SetAlignment(alignment);
        frame.SetCaption(caption);
        const QImage image = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        // The box is (6, 0)-(73, 29), its right edge exclusive.
        QVERIFY(ink.left() >= 6);
        QVERIFY(ink.right() < 73);
        QVERIFY(std::abs((ink.top() + ink.bottom()) - 29) <= 4);
        const int middle = ink.left() + ink.right();
        if (alignment == TAlignment::taLeftJustify)
            QVERIFY(ink.left() <= 8);
        else if (alignment == TAlignment::taRightJustify)
            QVERIFY(ink.right() >= 70);
        else
            QVERIFY(std::abs(middle - 79) <= 3);
    }

    void framePaintsItsStyleOnItsEdges()
    {
        TPTFrame frame;
        frame.SetColor(kBrush);
        frame.resize(6, 6);
        const QImage image = frame.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(Picture(image), Rows("SSSSSH SDDDFH SDBBFH SDBBFH SFFFFH HHHHHH"));
    }
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
