// The animated label's frames at chosen ticks, driven through its timer's tick handler rather
// than by waiting, and grabbed as they are painted.

#include "AnimatedLabel.h"

#include "Pictures.h"

#include <QTest>

using namespace sondrel::components;
using namespace sondrel::framework;
using sondrel::test::Bounds;
using sondrel::test::Count;
using sondrel::test::Grab;

namespace {

const QColor kGround(200, 200, 200);

void TickTo(TAnimatedLabel& label, int ticks)
{
    while (label.Ticks() < ticks)
        label.Timer()->OnTimer(label.Timer());
}

QColor Face() { return ToQColor(clBtnFace); }

// The leftmost column with a pixel of `color`; -1 for none.
int LeftmostOf(const QImage& image, const QColor& color)
{
    const auto bounds = Bounds(image, color);
    return bounds ? bounds->left() : -1;
}

struct Bench
{
    Bench()
    {
        parent.resize(200, 60);
        label = new TAnimatedLabel(&parent);
        label->setGeometry(0, 0, 100, 20);
        label->SetCaption(QStringLiteral("HIH"));
        TFont font;
        font.SetHeight(-16);
        font.SetStyle(fsBold);
        font.SetColor(clRed);
        label->Font().Assign(font);
        parent.show();
    }

    QWidget parent;
    TAnimatedLabel* label;
};

} // namespace

class AnimatedLabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setPalette(sondrel::test::DistinctPalette()); }

    void itsTimerRunsFromTheStart()
    {
        TAnimatedLabel label;
        QCOMPARE(label.AnimationType(), atNone);
        QVERIFY(label.Timer()->Enabled());
        QCOMPARE(label.Interval(), 100);
        label.SetInterval(40);
        QCOMPARE(label.Timer()->Interval(), 40);
        label.Timer()->SetInterval(250);
        QCOMPARE(label.Interval(), 250);
        QCOMPARE(label.property("Interval").toInt(), 250);
        QCOMPARE(label.Ticks(), 0);
        TickTo(label, 3); // also without an animation
        QCOMPARE(label.Ticks(), 3);
    }

    void withoutAnimationTheCaptionStays()
    {
        Bench bench;
        for (int t : { 0, 5, 15 }) {
            TickTo(*bench.label, t);
            QVERIFY(Count(Grab(*bench.label), Qt::red) > 0);
        }
    }

    void flashHidesTenTicksAndShowsTen()
    {
        Bench bench;
        bench.label->SetAnimationType(atFlash);
        for (int t = 0; t < 40; ++t) {
            TickTo(*bench.label, t);
            const QImage shot = Grab(*bench.label);
            const bool shown = t / 10 % 2 == 1;
            QCOMPARE(Count(shot, Qt::red) > 0, shown);
            if (!shown)
                QCOMPARE(Count(shot, Face()), 100 * 20);
        }
    }

    void flyMovesTwoPixelsATickFromTheRightEdge()
    {
        Bench bench;
        bench.label->SetAnimationType(atFly);
        QImage shot = Grab(*bench.label);
        QCOMPARE(Count(shot, Face()), 100 * 20); // at x = 100: not yet in
        TickTo(*bench.label, 48);
        const int at48 = LeftmostOf(Grab(*bench.label), Qt::red); // x = 4
        TickTo(*bench.label, 49);
        const int at49 = LeftmostOf(Grab(*bench.label), Qt::red); // x = 2
        QVERIFY(at49 >= 2 && at49 < 6);
        QCOMPARE(at48, at49 + 2);
        TickTo(*bench.label, 100);
        QCOMPARE(Count(Grab(*bench.label), Face()), 100 * 20); // in again from the edge
        TickTo(*bench.label, 149);
        QCOMPARE(LeftmostOf(Grab(*bench.label), Qt::red), at49);

        // A label of no width shows nothing, whatever the tick.
        bench.label->resize(0, 20);
        TickTo(*bench.label, 151);
        QVERIFY(Grab(*bench.label).isNull());
    }

    void fadeGoesBetweenTheBackgroundAndTheFontColour_data()
    {
        QTest::addColumn<int>("font");
        QTest::addColumn<int>("background");
        QTest::addColumn<QColor>("fontMeans");
        QTest::addColumn<QColor>("backgroundMeans");
        QTest::newRow("colours") << int(clRed) << int(clYellow) << QColor(255, 0, 0)
                                 << QColor(255, 255, 0);
        QTest::newRow("system colours")
            << int(clHighlight) << int(clBtnShadow) << QColor(0, 120, 40) << QColor(64, 64, 128);
        QTest::newRow("the parent's background")
            << int(clWindowText) << int(clNone) << QColor(240, 240, 240) << QColor(30, 30, 30);
    }

    void fadeGoesBetweenTheBackgroundAndTheFontColour()
    {
        QFETCH(int, font);
        QFETCH(int, background);
        QFETCH(QColor, fontMeans);
        QFETCH(QColor, backgroundMeans);
        // A dark theme: light text on a dark ground.
        QPalette dark = sondrel::test::DistinctPalette();
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
        dark.setColor(QPalette::Text, QColor(240, 240, 240));
        dark.setColor(QPalette::Highlight, QColor(0, 120, 40));
        QApplication::setPalette(dark);
        Bench bench;
        bench.label->Font().SetColor(font);
        bench.label->SetColor(background);
        bench.label->SetAnimationType(atFade);
        const auto colourAt = [&](int t) {
            TickTo(*bench.label, t);
            return Grab(*bench.label);
        };
        QImage shot = colourAt(9); // fully in
        QVERIFY(Count(shot, fontMeans) > 0);
        shot = colourAt(10); // fading out from the font colour
        QVERIFY(Count(shot, fontMeans) > 0);
        // The caption stands on the face colour: what is drawn there shows its colour.
        const auto onTheFace = [](const QImage& image, const QColor& color) {
            const auto box = Bounds(image, Face());
            return box ? Count(image.copy(*box), color) : 0;
        };
        shot = colourAt(19); // out: in the ground's colour
        QCOMPARE(Count(shot, fontMeans), 0);
        QVERIFY(onTheFace(shot, backgroundMeans) > 0);
        shot = colourAt(20); // in again from the ground's colour
        QCOMPARE(Count(shot, fontMeans), 0);
        QVERIFY(onTheFace(shot, backgroundMeans) > 0);
        shot = colourAt(25); // half way
        QCOMPARE(Count(shot, fontMeans), 0);
        QApplication::setPalette(sondrel::test::DistinctPalette());
    }
};

QTEST_MAIN(AnimatedLabelTest)
#include "AnimatedLabelTest.moc"
