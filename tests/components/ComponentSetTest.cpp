// The component set as a form loader sees it (its palette page, each member made by the name a
// form description gives it, their published properties set by name), and a gallery window of
// every member in each of its states, saved as a picture under a real X server.

#include "AnimatedLabel.h"
#include "FancyButton.h"
#include "Form.h"
#include "NumberEdit.h"
#include "Register.h"
#include "URLStatic.h"
#include "UnitEdit.h"
#include "Version.h"

#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>

using namespace sondrel::components;
using namespace sondrel::framework;

namespace {

// Five button faces side by side: resting, pressed, flat, held down, and one for the disabled
// look (its white and grey turn into the system's highlight and shadow).
QImage GalleryStrip()
{
    constexpr int w = 72;
    constexpr int h = 26;
    QImage strip(5 * w, h, QImage::Format_RGB32);
    strip.fill(ToQColor(clOlive));
    QPainter painter(&strip);
    const QColor faces[] = { QColor(120, 170, 230), QColor(70, 110, 180), QColor(200, 210, 225),
        QColor(240, 190, 90), QColor(200, 200, 200) };
    for (int i = 0; i < 5; ++i) {
        const QRect face(i * w + 1, 1, w - 3, h - 3);
        painter.fillRect(face, faces[i]);
        painter.fillRect(QRect(face.left(), face.top(), face.width(), 1), Qt::white);
        painter.fillRect(QRect(face.left(), face.bottom(), face.width(), 1), QColor(128, 128, 128));
    }
    return strip;
}

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Every member of the set in each of its states, as a reader should see them.
class TGallery : public TForm
{
public:
    TGallery()
    {
        setWindowTitle(QStringLiteral("The Vaskel 2 components"));
        auto* grid = new QGridLayout(this);
        grid->setHorizontalSpacing(14);
        grid->setVerticalSpacing(10);
        int row = 0;

        grid->addWidget(Caption(QStringLiteral("TFancyButton"), this), row, 0);
        const TBitmap strip(GalleryStrip());
        const QString names[] = { QStringLiteral("Up"), QStringLiteral("Down"),
            QStringLiteral("Mouse out"), QStringLiteral("Exclusive"), QStringLiteral("Disabled") };
        for (int state = fbsUp; state <= fbsDisabled; ++state) {
            auto* button = new TFancyButton(this);
            button->SetGlyph(strip);
            button->SetNumGlyphs(5); // images wider than high: the count is told
            button->SetCaption(names[state]);
            button->setFixedSize(button->size());
            Buttons[state] = button;
            grid->addWidget(button, row, 1 + state);
        }
        Buttons[fbsExclusive]->SetGroupIndex(1);
        Buttons[fbsExclusive]->SetDown(true);
        Buttons[fbsDisabled]->SetState(fbsDisabled);
        ++row;

        grid->addWidget(Caption(QStringLiteral("one image, shadow"), this), row, 0);
        QImage single = GalleryStrip().copy(0, 0, 72, 26);
        auto* shadowed = new TFancyButton(this);
        shadowed->SetGlyph(TBitmap(single));
        shadowed->SetCaption(QStringLiteral("&Shadow"));
        shadowed->SetTextShadowColor(clWhite);
        shadowed->setFixedSize(shadowed->size());
        grid->addWidget(shadowed, row, 1);
        auto* offset = new TFancyButton(this);
        offset->SetGlyph(strip);
        offset->SetNumGlyphs(5);
        offset->SetCaption(QStringLiteral("Offset"));
        offset->SetTextOffsetLeft(8);
        offset->SetTextOffsetTop(3);
        offset->setFixedSize(offset->size());
        grid->addWidget(offset, row, 2);
        ++row;

        grid->addWidget(Caption(QStringLiteral("TAnimatedLabel"), this), row, 0);
        const struct
        {
            TAnimationType Type;
            int Tick;
            const char* Text;
        } animations[] = { { atNone, 0, "atNone" }, { atFlash, 15, "atFlash, tick 15" },
            { atFly, 20, "atFly, tick 20" }, { atFade, 6, "atFade, tick 6" } };
        int column = 1;
        for (const auto& animation : animations) {
            auto* label = new TAnimatedLabel(this);
            label->SetCaption(QString::fromLatin1(animation.Text));
            label->SetAnimationType(animation.Type);
            label->Timer()->SetEnabled(false); // the picture holds still
            while (label->Ticks() < animation.Tick)
                label->Timer()->OnTimer(label->Timer());
            label->setFixedSize(130, 18);
            grid->addWidget(label, row, column++);
        }
        ++row;

        grid->addWidget(Caption(QStringLiteral("TNumberEdit"), this), row, 0);
        auto* third = new TNumberEdit(this);
        third->setFixedWidth(110);
        third->SetValue(1.0f / 3);
        grid->addWidget(third, row, 1);
        auto* big = new TNumberEdit(this);
        big->setFixedWidth(110);
        big->SetValue(123456789.0f);
        grid->addWidget(big, row, 2);
        auto* text = new TNumberEdit(this);
        text->setFixedWidth(110);
        text->SetText(QStringLiteral("abc"));
        grid->addWidget(text, row, 3);
        grid->addWidget(
            Caption(QStringLiteral("\"abc\" reads %1").arg(text->Value()), this), row, 4);
        ++row;

        grid->addWidget(Caption(QStringLiteral("TUnitEdit"), this), row, 0);
        const struct
        {
            float Value;
            const char* Unit;
            TColor Edit;
            TColor Unit_;
        } units[] = { { 12.5f, "kg", clWindow, clBtnFace }, { 9.81f, "m/s²", clInfoBk, clSilver },
            { 1999.0f, "EUR", clWhite, clAqua } };
        column = 1;
        for (const auto& unit : units) {
            auto* edit = new TUnitEdit(this);
            edit->setFixedSize(110, 20);
            edit->SetValue(unit.Value);
            edit->SetUnit(QString::fromUtf8(unit.Unit));
            edit->SetEditColor(unit.Edit);
            edit->SetUnitColor(unit.Unit_);
            grid->addWidget(edit, row, column++);
        }
        ++row;

        grid->addWidget(Caption(QStringLiteral("TVersionLabel"), this), row, 0);
        grid->addWidget(new TVersionLabel(this), row, 1);
        grid->addWidget(Caption(QStringLiteral("TURLStatic"), this), row, 2);
        auto* link = new TURLStatic(this);
        link->setText(QStringLiteral("Vaskel Software"));
        link->SetURL(QStringLiteral("https://vaskel.example/"));
        grid->addWidget(link, row, 3);
        Loaded();
    }

    // Puts the pointer on the Up button; the Down one is shown pressed (one pointer cannot
    // press one button and rest on another).
    void Pose()
    {
        Buttons[fbsDown]->SetState(fbsDown);
        QTest::mouseMove(Buttons[fbsUp], QPoint(30, 12));
    }

    TFancyButton* Buttons[5] = {};
};

} // namespace

class ComponentSetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thePaletteNamesAllSix()
    {
        const TPalettePage& page = ComponentPalette();
        QCOMPARE(QString::fromLatin1(page.Name), QStringLiteral("Vaskel 2"));
        QStringList names;
        for (const TComponentClass& member : page.Classes)
            names << member.ShortName();
        QCOMPARE(names,
            QStringList({ QStringLiteral("TVersionLabel"), QStringLiteral("TURLStatic"),
                QStringLiteral("TFancyButton"), QStringLiteral("TAnimatedLabel"),
                QStringLiteral("TNumberEdit"), QStringLiteral("TUnitEdit") }));
        for (const TComponentClass& member : page.Classes) {
            const QString header = QStringLiteral(SONDREL_COMPONENTS_DIR "/")
                + QString::fromLatin1(member.Unit) + QStringLiteral(".h");
            QVERIFY2(QFile::exists(header), qPrintable(header));
        }
    }

    void aLoaderMakesEachByItsName()
    {
        QWidget form;
        for (const TComponentClass& member : ComponentPalette().Classes) {
            const QString full = QString::fromLatin1(member.MetaObject->className());
            QVERIFY(full.startsWith(QStringLiteral("sondrel::components::T")));
            QWidget* made = CreateComponent(full, &form);
            QVERIFY(made);
            QCOMPARE(made->metaObject(), member.MetaObject);
            QCOMPARE(made->parentWidget(), &form);
            QCOMPARE(FindComponentClass(member.ShortName()), &member);
        }
        QVERIFY(!CreateComponent(QStringLiteral("TButton"), &form));
        QVERIFY(!FindComponentClass(QString()));
    }

    void publishedPropertiesAreSetByName_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        const QString button = QStringLiteral("TFancyButton");
        QTest::newRow("State") << button << QStringLiteral("State") << QVariant(int(fbsDisabled));
        QTest::newRow("ModalResult") << button << QStringLiteral("ModalResult") << QVariant(2);
        QTest::newRow("AllowAllUp") << button << QStringLiteral("AllowAllUp") << QVariant(true);
        QTest::newRow("GroupIndex") << button << QStringLiteral("GroupIndex") << QVariant(4);
        QTest::newRow("NumGlyphs") << button << QStringLiteral("NumGlyphs") << QVariant(3);
        QTest::newRow("TextOffsetLeft")
            << button << QStringLiteral("TextOffsetLeft") << QVariant(-2);
        QTest::newRow("TextOffsetTop") << button << QStringLiteral("TextOffsetTop") << QVariant(5);
        QTest::newRow("TextShadowColor")
            << button << QStringLiteral("TextShadowColor") << QVariant(int(clGray));
        QTest::newRow("Caption") << button << QStringLiteral("Caption")
                                 << QVariant(QStringLiteral("&OK"));
        const QString label = QStringLiteral("TAnimatedLabel");
        QTest::newRow("AnimationType")
            << label << QStringLiteral("AnimationType") << QVariant(int(atFade));
        QTest::newRow("Interval") << label << QStringLiteral("Interval") << QVariant(250);
        QTest::newRow("label Caption")
            << label << QStringLiteral("Caption") << QVariant(QStringLiteral("News"));
        QTest::newRow("NumberType") << QStringLiteral("TNumberEdit") << QStringLiteral("NumberType")
                                    << QVariant(int(ntFloat));
        QTest::newRow("number Value")
            << QStringLiteral("TNumberEdit") << QStringLiteral("Value") << QVariant(2.5f);
        const QString unit = QStringLiteral("TUnitEdit");
        QTest::newRow("Unit") << unit << QStringLiteral("Unit") << QVariant(QStringLiteral("kg"));
        QTest::newRow("unit Value") << unit << QStringLiteral("Value") << QVariant(-1.25f);
        QTest::newRow("EditColor")
            << unit << QStringLiteral("EditColor") << QVariant(int(clInfoBk));
        QTest::newRow("UnitColor") << unit << QStringLiteral("UnitColor") << QVariant(int(clRed));
        QTest::newRow("URL") << QStringLiteral("TURLStatic") << QStringLiteral("URL")
                             << QVariant(QStringLiteral("vaskel.example"));
    }

    void publishedPropertiesAreSetByName()
    {
        QFETCH(QString, className);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QWidget form;
        QWidget* made = CreateComponent(className, &form);
        QVERIFY(made);
        const QByteArray name = property.toLatin1();
        QVERIFY2(made->setProperty(name.constData(), value), name.constData());
        QCOMPARE(made->property(name.constData()), value);
    }

    void theGalleryShowsEveryMember()
    {
        TGallery gallery;
        gallery.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gallery));
        gallery.Pose();
        QVERIFY(!gallery.grab().isNull()); // painting settles the hovered button's state
        QCOMPARE(gallery.Buttons[fbsUp]->State(), fbsUp);
        QCOMPARE(gallery.Buttons[fbsDown]->State(), fbsDown);
        QCOMPARE(gallery.Buttons[fbsMouseOut]->State(), fbsMouseOut);
        QCOMPARE(gallery.Buttons[fbsExclusive]->State(), fbsExclusive);
        QCOMPARE(gallery.Buttons[fbsDisabled]->State(), fbsDisabled);
        for (const TComponentClass& member : ComponentPalette().Classes) {
            bool found = false;
            for (QObject* child : gallery.children())
                found = found || child->metaObject() == member.MetaObject;
            QVERIFY2(found, member.MetaObject->className());
        }
    }

    void screenshotOfTheGallery()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server (this run has none; the gallery test runs under Xvfb)");
        TGallery gallery;
        gallery.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gallery));
        gallery.Pose();
        QCoreApplication::processEvents();
        const QPixmap shot = gallery.grab();
        const QString path = QStringLiteral(SONDREL_GALLERY_FILE);
        QVERIFY(shot.save(path, "PNG"));
        qInfo("gallery saved as %s", qPrintable(path));
    }
};

QTEST_MAIN(ComponentSetTest)
#include "ComponentSetTest.moc"
