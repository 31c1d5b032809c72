// The list's header sort indicator: the item formats of each display mode, what invalidates the
// header, when a glyph is drawn at all, and the glyphs' exact pixels.

#include "UPTTreeList.h"

#include <QPainter>
#include <QTest>

using namespace sondrel::framework;
using namespace sondrel::shell;

namespace {

// A list as a header of another library version presents it.
class TVersionedList : public TPTListView
{
public:
    explicit TVersionedList(TControlsVersion version = ControlsVersion(6, 0))
        : m_version(version)
    {
        for (const char* caption : { "Name", "Size" }) {
            TListColumn* column = Columns().Add();
            column->SetCaption(QString::fromUtf8(caption));
            column->SetWidth(120);
        }
        Columns()[1]->SetAlignment(TAlignment::taRightJustify);
        resize(300, 150);
    }

protected:
    TControlsVersion HeaderControlsVersion() const override { return m_version; }

private:
    TControlsVersion m_version;
};

class TPaintCounter : public QObject
{
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

QImage HeaderImage(TPTCustomListView& list)
{
    return list.header()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The glyph drawn into a white 9 x 7 image, one letter per pixel: f fill, s shadow,
// h highlight, . untouched.
QStringList Glyph(void (*draw)(TCanvas&, const TRect&, TColor, TColor, TColor))
{
    QImage image(9, 7, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TCanvas canvas(&painter);
        draw(canvas, Rect(1, 1, 9, 7), clYellow, clBlue, clRed);
    }
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            row += c == QColor(Qt::yellow) ? u'f'
                : c == QColor(Qt::blue)    ? u's'
                : c == QColor(Qt::red)     ? u'h'
                : c == QColor(Qt::white)   ? u'.'
                                           : u'?';
        }
        rows << row;
    }
    return rows;
}

} // namespace

class HeaderSortTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsFollowTheModeAndTheVersion_data()
    {
        QTest::addColumn<TControlsVersion>("version");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("direction");
        QTest::addColumn<std::uint32_t>("name");
        QTest::addColumn<std::uint32_t>("size");
        const TControlsVersion v6 = ControlsVersion(6, 0);
        const TControlsVersion v5 = ControlsVersion(5, 81);
        QTest::newRow("own arrows, ascending is up")
            << v6 << int(ptlvRightOfText) << int(ptsdAsc) << (HDF_STRING | HDF_SORTUP)
            << (HDF_STRING | HDF_RIGHT);
        QTest::newRow("own arrows, descending is down")
            << v6 << int(ptlvRightOfText) << int(ptsdDesc) << (HDF_STRING | HDF_SORTDOWN)
            << (HDF_STRING | HDF_RIGHT);
        QTest::newRow("no indicator")
            << v6 << int(ptlvNone) << int(ptsdAsc) << HDF_STRING << (HDF_STRING | HDF_RIGHT);
        QTest::newRow("left aligned glyph") << v6 << int(ptlvLeftAlign) << int(ptsdAsc)
                                            << HDF_OWNERDRAW << (HDF_OWNERDRAW | HDF_RIGHT);
        QTest::newRow("right aligned glyph") << v6 << int(ptlvRightAlign) << int(ptsdAsc)
                                             << HDF_OWNERDRAW << (HDF_OWNERDRAW | HDF_RIGHT);
        QTest::newRow("older header draws right of the text")
            << v5 << int(ptlvRightOfText) << int(ptsdAsc) << HDF_OWNERDRAW
            << (HDF_OWNERDRAW | HDF_RIGHT);
        QTest::newRow("header before 4.70 shows none")
            << ControlsVersion(4, 0) << int(ptlvLeftAlign) << int(ptsdAsc) << HDF_STRING
            << (HDF_STRING | HDF_RIGHT);
    }

    void formatsFollowTheModeAndTheVersion()
    {
        QFETCH(TControlsVersion, version);
        QFETCH(int, mode);
        QFETCH(int, direction);
        QFETCH(std::uint32_t, name);
        QFETCH(std::uint32_t, size);
        TVersionedList list(version);
        QVERIFY(!list.HeaderHandle()); // no window yet
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.HeaderHandle(), list.header());
        list.SetHeaderSortDisplayMode(ptlvNone);
        list.SetHeaderSortDisplayMode(static_cast<TPTLvHeaderSortDisplayMode>(mode));
        list.SetHeaderSortColumn(0);
        list.SetHeaderSortDirection(static_cast<TPTLvSortDirection>(direction));
        QCOMPARE(list.HeaderFormat(0), name);
        QCOMPARE(list.HeaderFormat(1), size);
    }

    void settingTheSameSortColumnInvalidatesNothing()
    {
        TVersionedList list;
        list.SetHeaderSortDisplayMode(ptlvLeftAlign);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        TPaintCounter counter;
        list.header()->viewport()->installEventFilter(&counter);
        list.SetHeaderSortColumn(1);
        QTRY_VERIFY(counter.Paints > 0);
        counter.Paints = 0;
        list.SetHeaderSortColumn(1);
        list.SetHeaderSortDirection(ptsdAsc);
        QCoreApplication::processEvents();
        QCOMPARE(counter.Paints, 0);
    }

    void glyphsOnlyForTheSortColumnWhenItIsWideEnough_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("left") << int(ptlvLeftAlign);
        QTest::newRow("right") << int(ptlvRightAlign);
    }

    void glyphsOnlyForTheSortColumnWhenItIsWideEnough()
    {
        QFETCH(int, mode);
        TVersionedList list;
        list.SetHeaderSortDisplayMode(static_cast<TPTLvHeaderSortDisplayMode>(mode));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QImage unsorted = HeaderImage(list);
        list.SetHeaderSortColumn(0);
        const QImage ascending = HeaderImage(list);
        list.SetHeaderSortDirection(ptsdDesc);
        const QImage descending = HeaderImage(list);
        QVERIFY(ascending != unsorted);
        QVERIFY(descending != ascending);
        list.SetHeaderSortColumn(-1);
        QCOMPARE(HeaderImage(list), unsorted);

        // Twice the arrow box (here 8 wide) no longer fits the column: no glyph, though the
        // text may still make room for it.
        const auto shadows = [&] {
            const QImage image = HeaderImage(list);
            const QRgb shadow = ToQColor(clBtnShadow).rgb();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < list.header()->sectionSize(0); ++x)
                    count += image.pixel(x, y) == shadow;
            return count;
        };
        list.SetHeaderSortColumn(0);
        const int unsortedShadows = (list.SetHeaderSortColumn(-1), shadows());
        list.SetHeaderSortColumn(0);
        QVERIFY(shadows() > unsortedShadows);
        list.header()->setMinimumSectionSize(1);
        list.Columns()[0]->SetWidth(16);
        QCOMPARE(list.header()->sectionSize(0), 16);
        list.SetHeaderSortColumn(-1);
        const int narrowShadows = shadows();
        list.SetHeaderSortColumn(0);
        QCOMPARE(shadows(), narrowShadows);
        if (mode == ptlvLeftAlign) { // one pixel more and it fits (right aligned, it is clipped)
            list.Columns()[0]->SetWidth(17);
            QVERIFY(shadows() > narrowShadows);
        }
    }

    void glyphsArePixelExact()
    {
        QCOMPARE(Glyph(&DrawDownArrow),
            QString::fromUtf8(
                ".........|.sssssh..|.sffffh..|.fsffhf..|.fsffhf..|.ffshff..|.........")
                .split(u'|'));
        QCOMPARE(Glyph(&DrawUpArrow),
            QString::fromUtf8(
                ".........|.ffshff..|.fsffhf..|.fsffhf..|.sffffh..|.hhhhhh..|.........")
                .split(u'|'));
    }
};

QTEST_MAIN(HeaderSortTest)
#include "HeaderSortTest.moc"
