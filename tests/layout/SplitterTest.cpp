// The splitter with real mouse events: positions and their clamping, proportional resizing,
// ghost and full drags, the buttons that do and do not drag, the ghost's pixels, pane names,
// swapping, and the main window's three nested splitters.

#include "UPTSplitter.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <limits>

using namespace sondrel::layout;
using namespace sondrel::framework;

namespace {

// A shown 200 x 140 splitter whose events are written to `log`.
struct Fixture
{
    explicit Fixture(TPTSplitterStyle style = ptstVertical)
    {
        splitter.SetStyle(style);
        splitter.OnChange = [this](QObject* sender) {
            QCOMPARE(sender, &splitter);
            log << QStringLiteral("change %1").arg(splitter.Position());
        };
        splitter.OnSplitterDrag
            = [this](QObject*, int position) { log << QStringLiteral("drag %1").arg(position); };
        splitter.OnSplitterDrop
            = [this](QObject*, int position) { log << QStringLiteral("drop %1").arg(position); };
        splitter.show();
        log.clear();
    }

    TPTSplitter splitter;
    QStringList log;
};

QPoint At(int x) { return { x, 70 }; }

QStringList Log(const char* text) { return QString::fromLatin1(text).split(u','); }

} // namespace

class SplitterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults()
    {
        TPTSplitter splitter;
        QCOMPARE(splitter.size(), QSize(200, 140));
        QCOMPARE(splitter.Position(), 65);
        QCOMPARE(splitter.SplitterWidth(), 3);
        QCOMPARE(splitter.Style(), ptstVertical);
        QCOMPARE(splitter.FullDragMode(), ptfdUser);
        QVERIFY(splitter.Proportional());
        QCOMPARE(splitter.focusPolicy(), Qt::NoFocus);
        QCOMPARE(splitter.GetPane(0)->MinSize(), 20);
        QCOMPARE(splitter.GetPane(1)->Index(), 1);
        QCOMPARE(splitter.GetPane(0)->FrameStyle(), ptfsLowered);
        QCOMPARE(splitter.GetPane(2), nullptr);
        // The split cursor on the bar only.
        QCOMPARE(splitter.cursor().shape(), Qt::SplitHCursor);
        QCOMPARE(splitter.GetPane(0)->cursor().shape(), Qt::ArrowCursor);
        splitter.SetStyle(ptstHorizontal);
        QCOMPARE(splitter.cursor().shape(), Qt::SplitVCursor);
    }

    void panesLieEitherSideOfTheBar_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QRect>("pane1");
        QTest::addColumn<QRect>("pane2");
        QTest::newRow("vertical") << int(ptstVertical) << QRect(0, 0, 450, 300)
                                  << QRect(453, 0, 184, 300);
        QTest::newRow("horizontal")
            << int(ptstHorizontal) << QRect(0, 0, 637, 150) << QRect(0, 153, 637, 147);
    }

    void panesLieEitherSideOfTheBar()
    {
        QFETCH(int, style);
        QFETCH(QRect, pane1);
        QFETCH(QRect, pane2);
        TPTSplitter splitter;
        splitter.SetStyle(static_cast<TPTSplitterStyle>(style));
        splitter.resize(637, 300);
        splitter.SetPosition(style == ptstVertical ? 450 : 150);
        QCOMPARE(splitter.GetPane(0)->geometry(), pane1);
        QCOMPARE(splitter.GetPane(1)->geometry(), pane2);
    }

    void positionsAreClamped_data()
    {
        QTest::addColumn<int>("extent");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("position");
        QTest::newRow("inside") << 200 << 100 << 100;
        QTest::newRow("below pane 1's minimum") << 200 << 5 << 20;
        QTest::newRow("negative") << 200 << -40 << 20;
        QTest::newRow("beyond pane 2's minimum") << 200 << 190 << 180;
        // Too small for both minimums: pane 1 keeps its own, wherever the bar was asked to go.
        QTest::newRow("too small, low") << 30 << 5 << 20;
        QTest::newRow("too small, middle") << 30 << 15 << 20;
        QTest::newRow("too small, high") << 30 << 25 << 20;
    }

    void positionsAreClamped()
    {
        QFETCH(int, extent);
        QFETCH(int, written);
        QFETCH(int, position);
        TPTSplitter splitter;
        splitter.resize(extent, 140);
        splitter.SetPosition(written);
        QCOMPARE(splitter.Position(), position);
        QCOMPARE(splitter.Proportion(), float(position) / float(extent));
    }

    void writingTheSamePositionChangesNothing()
    {
        Fixture f;
        f.splitter.SetPosition(100);
        f.splitter.SetPosition(100);
        f.splitter.SetPosition(190);
        f.splitter.SetPosition(180);
        QCOMPARE(f.log, Log("change 100,change 180"));
    }

    void resizing_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("proportional");
        QTest::addColumn<int>("newExtent");
        QTest::addColumn<int>("newPosition");
        QTest::newRow("grows") << 65 << true << 400 << 130;
        QTest::newRow("half rounds to even, down") << 50 << true << 202 << 50;
        QTest::newRow("half rounds to even, up") << 50 << true << 206 << 52;
        QTest::newRow("middle, half down") << 100 << true << 201 << 100;
        QTest::newRow("clamped after scaling") << 180 << true << 100 << 80;
        QTest::newRow("fixed pane 1") << 65 << false << 400 << 65;
        QTest::newRow("fixed, minimum not kept") << 180 << false << 100 << 180;
    }

    void resizing()
    {
        QFETCH(int, position);
        QFETCH(bool, proportional);
        QFETCH(int, newExtent);
        QFETCH(int, newPosition);
        Fixture f;
        f.splitter.SetProportional(proportional);
        f.splitter.SetPosition(position);
        int resizes = 0;
        f.splitter.OnResize = [&](QObject*) { ++resizes; };
        f.splitter.resize(newExtent, 140);
        QCOMPARE(f.splitter.Position(), newPosition);
        QCOMPARE(f.splitter.GetPane(1)->x(), newPosition + 3);
        QCOMPARE(resizes, 1);
    }

    void writingTheProportionMovesTheBar()
    {
        Fixture f;
        f.splitter.SetProportion(0.75f);
        QCOMPARE(f.splitter.Position(), 150);
        f.splitter.SetProportional(false);
        f.splitter.SetProportion(0.25f);
        QCOMPARE(f.splitter.Position(), 50);
        // Proportions no bar can follow leave it within its bounds.
        f.splitter.SetProportion(1e30f);
        QCOMPARE(f.splitter.Position(), 180);
        f.splitter.SetProportion(-std::numeric_limits<float>::infinity());
        QCOMPARE(f.splitter.Position(), 180);
        f.splitter.SetProportion(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(f.splitter.Position(), 180);
    }

    // Press on the bar one pixel right of its leading edge, so the drag offset is 1.
    void drags_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("ghost") << int(ptfdOff) << QList<int> { 100 } << 99
                               << Log("drag 66,drag 100,drag -1,drop 99,change 99");
        QTest::newRow("ghost, clamped") << int(ptfdOff) << QList<int> { 195 } << 180
                                        << Log("drag 66,drag 181,drag -1,drop 180,change 180");
        QTest::newRow("ghost dropped where it started")
            << int(ptfdOff) << QList<int> { 150, 66 } << 65
            << Log("drag 66,drag 150,drag 66,drag -1,drop 65");
        QTest::newRow("full") << int(ptfdOn) << QList<int> { 100 } << 99
                              << Log("drag 66,change 99,drag 100,drag 100,drop 99");
        QTest::newRow("full, clamped") << int(ptfdOn) << QList<int> { 5 } << 20
                                       << Log("drag 66,change 20,drag 21,drag 21,drop 20");
    }

    void drags()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, moves);
        QFETCH(int, position);
        QFETCH(QStringList, log);
        Fixture f;
        f.splitter.SetFullDragMode(static_cast<TPTFullDragMode>(mode));
        QTest::mousePress(&f.splitter, Qt::LeftButton, {}, At(66));
        for (int x : moves)
            QTest::mouseMove(&f.splitter, At(x));
        if (mode == ptfdOff)
            QCOMPARE(f.splitter.GetPane(1)->x(), 68); // the panes wait for the release
        QTest::mouseRelease(&f.splitter, Qt::LeftButton, {}, At(moves.last()));
        QCOMPARE(f.splitter.Position(), position);
        QCOMPARE(f.splitter.GetPane(1)->x(), position + 3);
        QCOMPARE(f.splitter.Proportion(), float(position) / 200.0f);
        QCOMPARE(f.log, log);
    }

    void pressesThatStartNoDrag_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("x");
        QTest::newRow("right on the bar") << int(Qt::RightButton) << 66;
        QTest::newRow("middle on the bar") << int(Qt::MiddleButton) << 66;
        QTest::newRow("left in pane 1") << int(Qt::LeftButton) << 30;
        QTest::newRow("left in pane 2") << int(Qt::LeftButton) << 120;
    }

    void pressesThatStartNoDrag()
    {
        QFETCH(int, button);
        QFETCH(int, x);
        Fixture f;
        f.splitter.SetFullDragMode(ptfdOn);
        const auto b = static_cast<Qt::MouseButton>(button);
        QTest::mousePress(&f.splitter, b, {}, At(x));
        QTest::mouseMove(&f.splitter, At(x + 40));
        QTest::mouseRelease(&f.splitter, b, {}, At(x + 40));
        QCOMPARE(f.splitter.Position(), 65);
        QCOMPARE(f.log, QStringList());
    }

    void releasingAnotherButtonDoesNotEndTheDrag()
    {
        Fixture f;
        f.splitter.SetFullDragMode(ptfdOff);
        QTest::mousePress(&f.splitter, Qt::LeftButton, {}, At(66));
        QTest::mouseMove(&f.splitter, At(120));
        QTest::mousePress(&f.splitter, Qt::RightButton, {}, At(120));
        QTest::mouseRelease(&f.splitter, Qt::RightButton, {}, At(120));
        QTest::mouseMove(&f.splitter, At(130));
        QCOMPARE(f.log, Log("drag 66,drag 120,drag 130"));
        QTest::mouseRelease(&f.splitter, Qt::LeftButton, {}, At(130));
        QCOMPARE(f.splitter.Position(), 129);
    }

    // Hiding the splitter mid-drag ends the drag where it was: the ghost goes, nothing moves.
    void aCancelledGhostDragLeavesThePosition()
    {
        Fixture f;
        f.splitter.SetFullDragMode(ptfdOff);
        QTest::mousePress(&f.splitter, Qt::LeftButton, {}, At(66));
        QTest::mouseMove(&f.splitter, At(120));
        f.splitter.hide();
        QCOMPARE(f.log, Log("drag 66,drag 120,drag -1"));
        f.splitter.show();
        QTest::mouseRelease(&f.splitter, Qt::LeftButton, {}, At(140));
        QCOMPARE(f.splitter.Position(), 65);
    }

    // The ghost inverts the pixels under it whose coordinates add up to an even number.
    void theGhostIsTheHalftoneInvertedOverThePanes()
    {
        Fixture f;
        f.splitter.SetFullDragMode(ptfdOff);
        f.splitter.SetPane2FrameStyle(ptfsNone);
        const TColor paneColor = 0x306090;
        f.splitter.SetPane2Color(paneColor);
        const QRgb pane = ToQColor(paneColor).rgb();
        QTest::mousePress(&f.splitter, Qt::LeftButton, {}, At(66));
        QTest::mouseMove(&f.splitter, At(100));
        const QImage image = f.splitter.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 140; ++y) {
            for (int x = 99; x < 102; ++x) {
                const QRgb expected = (x + y) % 2 == 0 ? (pane ^ 0x00FFFFFFu) : pane;
                QCOMPARE(image.pixel(x, y), expected | 0xFF000000u);
            }
            QCOMPARE(image.pixel(98, y), pane);
            QCOMPARE(image.pixel(102, y), pane);
        }
        QTest::mouseRelease(&f.splitter, Qt::LeftButton, {}, At(66));
        const QImage after = f.splitter.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(after.pixel(100, 10), pane);
    }

    void panesAreNamedAfterTheSplitter()
    {
        TPTSplitter splitter;
        splitter.setObjectName(QStringLiteral("PTSplitter3"));
        QCOMPARE(splitter.GetPane(0)->objectName(), QStringLiteral("PTSplitter3_pane1"));
        QCOMPARE(splitter.GetPane(1)->objectName(), QStringLiteral("PTSplitter3_pane2"));
        splitter.setObjectName(QStringLiteral("Files"));
        QCOMPARE(splitter.GetPane(0)->objectName(), QStringLiteral("Files_pane1"));
        QCOMPARE(splitter.GetPane(1)->objectName(), QStringLiteral("Files_pane2"));
    }

    void swappingPanes_data()
    {
        QTest::addColumn<bool>("adjust");
        QTest::addColumn<int>("position");
        QTest::newRow("keeping the position") << false << 65;
        QTest::newRow("keeping the sizes") << true << 135;
    }

    void swappingPanes()
    {
        QFETCH(bool, adjust);
        QFETCH(int, position);
        Fixture f;
        TPTPane* first = f.splitter.GetPane(0);
        TPTPane* second = f.splitter.GetPane(1);
        f.splitter.SwapPanes(adjust);
        QCOMPARE(f.splitter.GetPane(0), second);
        QCOMPARE(f.splitter.GetPane(1), first);
        QCOMPARE(second->Index(), 0);
        QCOMPARE(first->Index(), 1);
        QCOMPARE(f.splitter.Position(), position);
        QCOMPARE(second->geometry(), QRect(0, 0, position, 140));
        QCOMPARE(first->x(), position + 3);
    }

    // Panes made from a form description take the slots their indexes name.
    void loadedPanesTakeTheirSlots()
    {
        TPTSplitter splitter;
        TPTPane* old = splitter.GetPane(1);
        QPointer<TPTPane> oldPointer(old);
        auto* read = new TPTPane(&splitter);
        read->SetIndex(1);
        read->SetFrameStyle(ptfsNone);
        splitter.Loaded();
        QCOMPARE(splitter.GetPane(1), read);
        QVERIFY(oldPointer.isNull());
        QCOMPARE(read->geometry(), QRect(68, 0, 132, 140));
    }

    // The main window's splitters, each given its size before its position as a form gives
    // them, then laid out by the window: PTSplitter3 (horizontal, 248), in its upper pane
    // PTSplitter2 (450), in that one's left pane PTSplitter4 (159) above a 13-pixel label.
    void theMainWindowsNestedSplitters()
    {
        QWidget window;
        window.resize(637, 458);
        auto* outer = new QVBoxLayout(&window);
        outer->setContentsMargins(0, 0, 0, 0);
        auto* splitter3 = new TPTSplitter;
        splitter3->setObjectName(QStringLiteral("PTSplitter3"));
        splitter3->SetStyle(ptstHorizontal);
        splitter3->resize(637, 458);
        splitter3->SetPosition(248);
        outer->addWidget(splitter3);

        auto* splitter2 = new TPTSplitter;
        splitter2->resize(637, 248);
        splitter2->SetPosition(450);
        auto* upper = new QVBoxLayout(splitter3->GetPane(0));
        upper->setContentsMargins(0, 0, 0, 0);
        upper->addWidget(splitter2);

        auto* splitter4 = new TPTSplitter;
        splitter4->resize(450, 235);
        splitter4->SetPosition(159);
        auto* files = new QVBoxLayout(splitter2->GetPane(0));
        files->setContentsMargins(0, 0, 0, 0);
        files->setSpacing(0);
        files->addWidget(splitter4);
        auto* label = new QLabel;
        label->setFixedHeight(13);
        files->addWidget(label);

        for (TPTSplitter* s : { splitter3, splitter2, splitter4 })
            for (int i = 0; i < 2; ++i)
                s->GetPane(i)->SetFrameStyle(ptfsNone);
        window.show();
        QTRY_COMPARE(splitter4->size(), QSize(450, 235));
        QCOMPARE(splitter3->Position(), 248);
        QCOMPARE(splitter2->Position(), 450);
        QCOMPARE(splitter4->Position(), 159);
        QCOMPARE(splitter3->GetPane(1)->geometry(), QRect(0, 251, 637, 207));
        QCOMPARE(splitter2->GetPane(1)->geometry(), QRect(453, 0, 184, 248));
        QCOMPARE(splitter4->GetPane(1)->geometry(), QRect(162, 0, 288, 235));
        QCOMPARE(splitter3->GetPane(0)->objectName(), QStringLiteral("PTSplitter3_pane1"));
    }
};

QTEST_MAIN(SplitterTest)
#include "SplitterTest.moc"
