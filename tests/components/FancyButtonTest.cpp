// The fancy button on a real form: glyph strips and the image each state shows, the disabled
// images, the shared glyph lists, the mouse, groups, modal results, the keyboard, the caption
// and a linked action, all through grabs and real input events.

#include "FancyButton.h"

#include "Pictures.h"

#include <QPainter>
#include <QTest>
#include <QTimer>

using namespace sondrel::components;
using namespace sondrel::framework;
using sondrel::test::At;
using sondrel::test::Bounds;
using sondrel::test::Grab;
using sondrel::test::ImageColor;
using sondrel::test::Strip;

namespace {

QColor Highlight() { return ToQColor(clBtnHighlight); }
QColor Shadow() { return ToQColor(clBtnShadow); }

struct Bench
{
    Bench()
    {
        form.resize(320, 200);
        form.show();
        QTest::mouseMove(&form, QPoint(310, 190));
    }

    TFancyButton* Add(const QImage& strip, QPoint at)
    {
        auto* button = new TFancyButton(&form);
        button->move(at);
        const TBitmap glyph(strip);
        button->SetGlyph(glyph);
        button->show();
        return button;
    }

    TForm form;
};

QPoint Centre(const QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

} // namespace

class FancyButtonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setPalette(sondrel::test::DistinctPalette()); }

    void aStripSetsTheImagesAndTheSize_data()
    {
        QTest::addColumn<QSize>("strip");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("images");
        QTest::addColumn<QSize>("size");
        QTest::newRow("100 x 20: five") << QSize(100, 20) << 1 << 5 << QSize(20, 20);
        QTest::newRow("120 x 20: six is too many") << QSize(120, 20) << 3 << 1 << QSize(120, 20);
        QTest::newRow("50 x 20: no whole count") << QSize(50, 20) << 1 << 1 << QSize(50, 20);
        QTest::newRow("50 x 20 after two") << QSize(50, 20) << 2 << 2 << QSize(25, 20);
        QTest::newRow("0 x 20: keeps its count") << QSize(0, 20) << 2 << 2 << QSize(0, 20);
        QTest::newRow("10 x 20: narrower than high") << QSize(10, 20) << 3 << 3 << QSize(3, 20);
        QTest::newRow("20 x 20: one") << QSize(20, 20) << 4 << 1 << QSize(20, 20);
    }

    void aStripSetsTheImagesAndTheSize()
    {
        QFETCH(QSize, strip);
        QFETCH(int, before);
        QFETCH(int, images);
        QFETCH(QSize, size);
        Bench bench;
        TFancyButton button(&bench.form);
        button.SetNumGlyphs(before);
        TBitmap glyph;
        glyph.SetSize(strip.width(), strip.height());
        button.SetGlyph(glyph);
        QCOMPARE(button.NumGlyphs(), images);
        QCOMPARE(button.size(), size);
        button.show();
        (void)Grab(button); // paints without dividing by nothing
        for (auto state : { fbsUp, fbsDown, fbsExclusive, fbsDisabled })
            button.ButtonGlyph().CreateButtonGlyph(state);
    }

    void theImageCountIsKeptToOneToFive()
    {
        TFancyButton button;
        const TBitmap glyph(Strip(5, 10));
        button.SetGlyph(glyph);
        button.SetNumGlyphs(0);
        QCOMPARE(button.NumGlyphs(), 1);
        QCOMPARE(button.size(), QSize(50, 10));
        button.SetNumGlyphs(9);
        QCOMPARE(button.NumGlyphs(), 5);
        QCOMPARE(button.size(), QSize(10, 10));
        QCOMPARE(button.property("NumGlyphs").toInt(), 5);
    }

    void eachStateShowsItsImage_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<QList<int>>("shown"); // up, down, mouse out, exclusive
        QTest::newRow("one") << 1 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("two") << 2 << QList<int> { 0, 0, 0, 0 };
        QTest::newRow("three") << 3 << QList<int> { 0, 1, 2, 0 };
        QTest::newRow("four") << 4 << QList<int> { 0, 1, 2, 1 };
        QTest::newRow("five") << 5 << QList<int> { 0, 1, 2, 1 };
    }

    void eachStateShowsItsImage()
    {
        QFETCH(int, images);
        QFETCH(QList<int>, shown);
        Bench bench;
        TFancyButton* button = bench.Add(Strip(images, 20), QPoint(10, 10));
        const QPoint centre = Centre(button);
        QCOMPARE(button->State(), fbsMouseOut);
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(shown[2]));

        QTest::mouseMove(button, centre);
        QVERIFY(button->MouseInside());
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(shown[0]));
        QCOMPARE(button->State(), fbsUp);

        QTest::mousePress(button, Qt::LeftButton, {}, centre);
        QCOMPARE(button->State(), fbsDown);
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(shown[1]));
        QTest::mouseRelease(button, Qt::LeftButton, {}, centre);

        button->SetGroupIndex(1);
        QTest::mouseClick(button, Qt::LeftButton, {}, centre);
        QVERIFY(button->Down());
        QCOMPARE(button->State(), fbsExclusive);
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(shown[3]));
    }

    void oneImageIsDrawnTwoPixelsIn()
    {
        QImage picture = Strip(1, 20);
        picture.setPixelColor(0, 0, Qt::red);
        Bench bench;
        TFancyButton* one = bench.Add(picture, QPoint(10, 10));
        const QImage shot = Grab(*one);
        QCOMPARE(At(shot, 2, 2), QColor(Qt::red));
        QCOMPARE(At(shot, 1, 1), QColor(200, 200, 200)); // the ground shows
        QCOMPARE(At(shot, 4, 4), ImageColor(0));

        QImage two = Strip(2, 20);
        two.setPixelColor(0, 0, Qt::red);
        TFancyButton* first = bench.Add(two, QPoint(40, 10));
        QCOMPARE(At(Grab(*first), 0, 0), QColor(Qt::red));
    }

    void theDisabledImageOfOneIsEmbossed()
    {
        QImage picture(10, 10, QImage::Format_RGB32);
        picture.fill(ToQColor(clOlive));
        for (int y = 3; y <= 5; ++y)
            for (int x = 3; x <= 5; ++x)
                picture.setPixelColor(x, y, Qt::black);
        picture.setPixelColor(1, 6, Qt::white); // white is left out of the picture
        Bench bench;
        TFancyButton* button = bench.Add(picture, QPoint(10, 10));
        button->SetState(fbsDisabled);
        QVERIFY(!button->isEnabled());
        // Drawn two pixels in: picture pixel (x, y) lands on (x + 2, y + 2).
        QImage shot = Grab(*button);
        for (int y = 3; y <= 5; ++y)
            for (int x = 3; x <= 5; ++x)
                QCOMPARE(At(shot, x + 2, y + 2), Shadow());
        for (int i = 4; i <= 6; ++i) {
            QCOMPARE(At(shot, 6 + 2, i + 2), Highlight());
            QCOMPARE(At(shot, i + 2, 6 + 2), Highlight());
        }
        QCOMPARE(At(shot, 2 + 2, 2 + 2), QColor(200, 200, 200)); // the face is transparent
        QCOMPARE(At(shot, 1 + 2, 6 + 2), QColor(200, 200, 200));

        // Another system palette makes the image again in its colours.
        QPalette dark = QApplication::palette();
        dark.setColor(QPalette::Dark, QColor(10, 120, 10));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents(); // the change is announced through the loop
        shot = Grab(*button);
        QApplication::setPalette(sondrel::test::DistinctPalette());
        QCOMPARE(At(shot, 4 + 2, 4 + 2), QColor(10, 120, 10));
    }

    void theDisabledImageOfSeveralMapsTheButtonColours_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("source");
        QTest::newRow("two: from the first") << 2 << 0;
        QTest::newRow("four: from the first") << 4 << 0;
        QTest::newRow("five: from the fifth") << 5 << 4;
    }

    void theDisabledImageOfSeveralMapsTheButtonColours()
    {
        QFETCH(int, images);
        QFETCH(int, source);
        QImage strip = Strip(images, 20);
        const int left = source * 20;
        strip.setPixelColor(left + 5, 5, Qt::white);
        strip.setPixelColor(left + 6, 5, QColor(128, 128, 128));
        Bench bench;
        TFancyButton* button = bench.Add(strip, QPoint(10, 10));
        button->SetState(fbsDisabled);
        const QImage shot = Grab(*button);
        QCOMPARE(At(shot, 5, 5), Highlight());
        QCOMPARE(At(shot, 6, 5), Shadow());
        QCOMPARE(At(shot, 10, 10), ImageColor(source)); // other colours stay
        QCOMPARE(At(shot, 0, 0), QColor(200, 200, 200)); // the olive ground is transparent
    }

    void glyphListsAreSharedPerSizeAndGoWithTheLastGlyph()
    {
        QVERIFY(!TGlyphCache::Instance());
        {
            Bench bench;
            TFancyButton* a = bench.Add(Strip(2, 20), QPoint(0, 0));
            TFancyButton* b = bench.Add(Strip(3, 20), QPoint(50, 0));
            TFancyButton* c = bench.Add(Strip(1, 16), QPoint(100, 0));
            for (TFancyButton* button : { a, b, c })
                (void)Grab(*button);
            QVERIFY(TGlyphCache::Instance());
            QVERIFY(a->ButtonGlyph().GlyphList());
            QCOMPARE(a->ButtonGlyph().GlyphList(), b->ButtonGlyph().GlyphList());
            QVERIFY(c->ButtonGlyph().GlyphList() != a->ButtonGlyph().GlyphList());
            QCOMPARE(TGlyphCache::Instance()->Count(), 2);
            TGlyphList* shared = a->ButtonGlyph().GlyphList();
            QCOMPARE(shared->UsedCount(), 2); // one image each, as they rest

            // A slot given back is the next one handed out.
            const int slots = shared->Count();
            delete a;
            QCOMPARE(shared->UsedCount(), 1);
            b->SetState(fbsDisabled);
            QCOMPARE(shared->UsedCount(), 2);
            QCOMPARE(shared->Count(), slots);
            delete c;
            QCOMPARE(TGlyphCache::Instance()->Count(), 1);
        }
        QVERIFY(!TGlyphCache::Instance());
    }

    void theMouseIsTracked()
    {
        Bench bench;
        TFancyButton* button = bench.Add(Strip(3, 20), QPoint(10, 10));
        QTest::mouseMove(button, Centre(button));
        QVERIFY(button->MouseInside());
        QTest::mouseMove(&bench.form, QPoint(200, 150));
        QVERIFY(!button->MouseInside());
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(2));

        // A press slid off the button shows it up, and down again back on it.
        QTest::mouseMove(button, Centre(button));
        QTest::mousePress(button, Qt::LeftButton, {}, Centre(button));
        QTest::mouseMove(button, QPoint(40, 40));
        QCOMPARE(button->State(), fbsUp);
        QVERIFY(button->MouseInside()); // kept while pressing
        QTest::mouseMove(button, Centre(button));
        QCOMPARE(button->State(), fbsDown);
        QTest::mouseRelease(button, Qt::LeftButton, {}, Centre(button));
        QCOMPARE(button->State(), fbsMouseOut);
        QVERIFY(button->MouseInside()); // found under the mouse again after the release
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(0));
    }

    void groupsKeepOneDown()
    {
        Bench bench;
        TFancyButton* lone = bench.Add(Strip(4, 20), QPoint(0, 0));
        lone->SetDown(true);
        QVERIFY(!lone->Down());
        QTest::mouseClick(lone, Qt::LeftButton, {}, Centre(lone));
        QVERIFY(!lone->Down());

        TFancyButton* first = bench.Add(Strip(4, 20), QPoint(30, 0));
        TFancyButton* second = bench.Add(Strip(4, 20), QPoint(60, 0));
        TFancyButton* other = bench.Add(Strip(4, 20), QPoint(90, 0));
        first->SetGroupIndex(1);
        second->SetGroupIndex(1);
        other->SetGroupIndex(2);
        other->SetDown(true);
        QTest::mouseClick(first, Qt::LeftButton, {}, Centre(first));
        QVERIFY(first->Down());
        QTest::mouseClick(second, Qt::LeftButton, {}, Centre(second));
        QVERIFY(second->Down());
        QVERIFY(!first->Down());
        QCOMPARE(first->State(), fbsUp);
        QVERIFY(other->Down()); // another group

        // Without AllowAllUp a down button stays down.
        QTest::mouseClick(second, Qt::LeftButton, {}, Centre(second));
        QVERIFY(second->Down());
        // AllowAllUp told to one reaches the group.
        first->SetAllowAllUp(true);
        QVERIFY(second->AllowAllUp());
        QTest::mouseClick(second, Qt::LeftButton, {}, Centre(second));
        QVERIFY(!second->Down());
        QVERIFY(!first->Down());

        // A press on a down button slid off leaves it down.
        first->SetDown(true);
        QTest::mousePress(first, Qt::LeftButton, {}, Centre(first));
        QCOMPARE(first->State(), fbsExclusive);
        QTest::mouseMove(first, QPoint(-30, 50));
        QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(-30, 50));
        QVERIFY(first->Down());
        QCOMPARE(first->State(), fbsExclusive);
    }

    void onlyARealClickGivesTheModalResult()
    {
        Bench bench;
        TFancyButton* button = bench.Add(Strip(3, 20), QPoint(10, 10));
        button->SetModalResult(mrOk);
        int clicks = 0;
        button->OnClick = [&](TObject* sender) {
            QCOMPARE(sender, button);
            ++clicks;
        };
        QTest::mousePress(button, Qt::LeftButton, {}, Centre(button));
        QTest::mouseMove(button, QPoint(60, 60));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 60));
        QCOMPARE(clicks, 0);
        QCOMPARE(bench.form.ModalResult(), mrNone);

        QTest::mouseClick(button, Qt::LeftButton, {}, Centre(button));
        QCOMPARE(clicks, 1);
        QCOMPARE(bench.form.ModalResult(), mrOk);
        QTest::mouseClick(button, Qt::RightButton, {}, Centre(button));
        QCOMPARE(clicks, 1);
    }

    void keysClick_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("clicks");
        QTest::newRow("Enter") << int(mrOk) << int(Qt::Key_Return) << 1;
        QTest::newRow("Enter on the keypad") << int(mrYes) << int(Qt::Key_Enter) << 1;
        QTest::newRow("Escape, ok") << int(mrOk) << int(Qt::Key_Escape) << 0;
        QTest::newRow("Escape, cancel") << int(mrCancel) << int(Qt::Key_Escape) << 1;
        QTest::newRow("a letter") << int(mrOk) << int(Qt::Key_A) << 0;
    }

    void keysClick()
    {
        QFETCH(int, result);
        QFETCH(int, key);
        QFETCH(int, clicks);
        Bench bench;
        TFancyButton* button = bench.Add(Strip(3, 20), QPoint(10, 10));
        button->SetModalResult(static_cast<TFancyModalResult>(result));
        int clicked = 0;
        button->OnClick = [&](TObject*) { ++clicked; };
        QTest::keyClick(button, static_cast<Qt::Key>(key));
        QCOMPARE(clicked, clicks);
        QCOMPARE(bench.form.ModalResult(), clicks ? result : mrNone);
    }

    void aModalFormEndsWithTheButtonsResult()
    {
        TForm form;
        auto* button = new TFancyButton(&form);
        button->SetGlyph(TBitmap(Strip(3, 20)));
        button->SetModalResult(mrRetry);
        QTimer::singleShot(
            0, button, [button] { QTest::mouseClick(button, Qt::LeftButton, {}, Centre(button)); });
        QCOMPARE(form.ShowModal(), mrRetry);
        QVERIFY(!form.isVisible());
        QTimer::singleShot(0, &form, [&form] { form.close(); });
        QCOMPARE(form.ShowModal(), mrCancel);
    }

    void theAcceleratorClicks()
    {
        Bench bench;
        TFancyButton* button = bench.Add(Strip(3, 20), QPoint(10, 10));
        button->resize(80, 24);
        button->SetCaption(QStringLiteral("&Go"));
        button->SetModalResult(mrOk);
        int clicks = 0;
        button->OnClick = [&](TObject*) { ++clicks; };
        QApplication::setActiveWindow(&bench.form);
        QTest::keyClick(&bench.form, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(clicks, 1);
        QCOMPARE(bench.form.ModalResult(), mrOk);
        button->SetState(fbsDisabled);
        QTest::keyClick(&bench.form, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(clicks, 1);
    }

    void theCaptionIsDrawnWithItsShadowAndOffset()
    {
        Bench bench;
        auto* button = new TFancyButton(&bench.form);
        button->resize(60, 40);
        button->SetCaption(QStringLiteral("II"));
        TFont font;
        font.SetHeight(-24);
        font.SetStyle(fsBold);
        font.SetColor(clBlue);
        button->Font().Assign(font);
        button->show();
        const QColor blue(0, 0, 255);
        const QColor red(255, 0, 0);
        const auto plain = Bounds(Grab(*button), blue);
        QVERIFY(plain);

        button->SetTextShadowColor(clRed);
        QImage shot = Grab(*button);
        const auto shadow = Bounds(shot, red);
        const auto text = Bounds(shot, blue);
        QVERIFY(shadow && text);
        QCOMPARE(shadow->bottomRight(), plain->bottomRight());
        QCOMPARE(text->bottomRight(), plain->bottomRight() - QPoint(2, 2));

        button->SetTextShadowColor(clNone);
        button->SetTextOffsetLeft(5);
        button->SetTextOffsetTop(-3);
        const auto moved = Bounds(Grab(*button), blue);
        QVERIFY(moved);
        QCOMPARE(moved->bottomRight(), plain->bottomRight() + QPoint(5, -3));

        QTest::mousePress(button, Qt::LeftButton, {}, Centre(button));
        const auto pressed = Bounds(Grab(*button), blue);
        QTest::mouseRelease(button, Qt::LeftButton, {}, Centre(button));
        QVERIFY(pressed);
        QCOMPARE(pressed->bottomRight(), moved->bottomRight() + QPoint(1, 1));

        button->SetTextOffsetLeft(0);
        button->SetTextOffsetTop(0);
        button->SetState(fbsDisabled);
        shot = Grab(*button);
        QVERIFY(!Bounds(shot, blue));
        const auto grey = Bounds(shot, Shadow());
        const auto light = Bounds(shot, Highlight());
        QVERIFY(grey && light);
        QCOMPARE(grey->bottomRight(), plain->bottomRight());
        QCOMPARE(light->bottomRight(), plain->bottomRight() + QPoint(1, 1));
    }

    void anActionGivesItsImageWhileThereIsNoGlyph()
    {
        Bench bench;
        TImageList images(nullptr, 16, 12);
        QPixmap red(16, 12);
        red.fill(Qt::red);
        images.Add(QIcon(red));
        TActionList list;
        list.SetImages(&images);
        TCustomAction action;
        action.SetActionList(&list);
        action.SetImageIndex(0);
        action.SetHint(QStringLiteral("Runs it"));
        int executed = 0;
        action.OnExecute = [&](TObject*) { ++executed; };

        auto* button = new TFancyButton(&bench.form);
        button->move(10, 10);
        button->show();
        button->SetAction(&action);
        QCOMPARE(button->size(), QSize(16, 12));
        QCOMPARE(At(Grab(*button), 8, 6), QColor(Qt::red));
        QCOMPARE(button->toolTip(), QStringLiteral("Runs it"));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 6));
        QCOMPARE(executed, 1);

        action.SetImageIndex(1); // no such image
        QCOMPARE(At(Grab(*button), 8, 6), QColor(200, 200, 200));
        action.setEnabled(false);
        QCOMPARE(button->State(), fbsDisabled);
        action.setEnabled(true);
        QCOMPARE(button->State(), fbsMouseOut);

        // A glyph of its own wins (the pointer is still on the button: its up image).
        action.SetImageIndex(0);
        button->SetGlyph(TBitmap(Strip(3, 20)));
        QCOMPARE(button->size(), QSize(20, 20));
        QCOMPARE(At(Grab(*button), 10, 10), ImageColor(0));
    }

    void aDoubleClickCountsOnlyWhenDown()
    {
        Bench bench;
        TFancyButton* button = bench.Add(Strip(4, 20), QPoint(10, 10));
        int doubles = 0;
        button->OnDblClick = [&](TObject*) { ++doubles; };
        QTest::mouseDClick(button, Qt::LeftButton, {}, Centre(button));
        QCOMPARE(doubles, 0);
        button->SetGroupIndex(3);
        button->SetDown(true);
        QTest::mouseDClick(button, Qt::LeftButton, {}, Centre(button));
        QCOMPARE(doubles, 1);
    }
};

QTEST_MAIN(FancyButtonTest)
#include "FancyButtonTest.moc"
