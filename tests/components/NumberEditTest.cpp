// The number edit and the unit edit on real widgets: typed text read as numbers, values written
// in the locale's notation, and the unit edit's parts, also when a form sets them while loading.

#include "NumberEdit.h"

#include "Form.h"
#include "Pictures.h"
#include "UnitEdit.h"

#include <QLabel>
#include <QTest>

#include <cmath>

using namespace sondrel::components;
using namespace sondrel::framework;
using sondrel::test::At;
using sondrel::test::Bounds;
using sondrel::test::Grab;

namespace {

// A form that loads itself like one made from a description.
class TTestForm : public TForm
{
public:
    void Load() { Loaded(); }
};

class LocaleScope
{
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved = QLocale();
};

} // namespace

class NumberEditTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QApplication::setPalette(sondrel::test::DistinctPalette());
    }

    void typedTextReadsAsANumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("value");
        QTest::newRow("abc") << QStringLiteral("abc") << false << 0.0f;
        QTest::newRow("nothing") << QString() << false << 0.0f;
        QTest::newRow("12.5") << QStringLiteral("12.5") << true << 12.5f;
        QTest::newRow("blanks and a sign") << QStringLiteral(" -3 ") << true << -3.0f;
        QTest::newRow("an exponent") << QStringLiteral("2.5E3") << true << 2500.0f;
        QTest::newRow("the largest float")
            << QStringLiteral("3.4028234e38") << true << 3.4028234e38f;
        QTest::newRow("1e39 is beyond a float") << QStringLiteral("1e39") << false << 0.0f;
        QTest::newRow("-1e39") << QStringLiteral("-1e39") << false << 0.0f;
        QTest::newRow("1e400 is beyond a double") << QStringLiteral("1e400") << false << 0.0f;
        QTest::newRow("too small reads 0") << QStringLiteral("1e-60") << true << 0.0f;
        QTest::newRow("nan") << QStringLiteral("nan") << false << 0.0f;
        QTest::newRow("inf") << QStringLiteral("inf") << false << 0.0f;
        QTest::newRow("-INF") << QStringLiteral("-INF") << false << 0.0f;
        QTest::newRow("a comma") << QStringLiteral("1,5") << false << 0.0f;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << false << 0.0f;
        QTest::newRow("hex") << QStringLiteral("0x10") << false << 0.0f;
    }

    void typedTextReadsAsANumber()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(float, value);
        TNumberEdit edit;
        edit.show();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.Text(), typed);
        QCOMPARE(edit.Validate(), valid);
        QCOMPARE(edit.Value(), value);
        QCOMPARE(edit.property("Value").toFloat(), value);
    }

    void valuesAreWrittenWithSevenDigits_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("german");
        QTest::newRow("a third") << 1.0f / 3 << QStringLiteral("0.3333333")
                                 << QStringLiteral("0,3333333");
        QTest::newRow("whole") << 1234567.0f << QStringLiteral("1234567")
                               << QStringLiteral("1234567");
        QTest::newRow("too long for fixed")
            << 123456789.0f << QStringLiteral("1.234568E8") << QStringLiteral("1,234568E8");
        QTest::newRow("small, fixed")
            << -0.000015f << QStringLiteral("-0.000015") << QStringLiteral("-0,000015");
        QTest::newRow("smaller") << -0.0000015f << QStringLiteral("-1.5E-6")
                                 << QStringLiteral("-1,5E-6");
        QTest::newRow("zero") << 0.0f << QStringLiteral("0") << QStringLiteral("0");
    }

    void valuesAreWrittenWithSevenDigits()
    {
        QFETCH(float, value);
        QFETCH(QString, english);
        QFETCH(QString, german);
        TNumberEdit edit;
        int changes = 0;
        edit.OnChange = [&](TObject*) { ++changes; };
        edit.SetValue(value);
        QCOMPARE(edit.Text(), english);
        QCOMPARE(edit.Value(), std::stof(english.toStdString()));
        {
            LocaleScope german_(QLocale(QLocale::German, QLocale::Germany));
            edit.SetValue(value);
            QCOMPARE(edit.Text(), german);
            QVERIFY(edit.Validate());
            QVERIFY(std::fabs(edit.Value() - value) <= std::fabs(value) * 1e-6f);
        }
        QVERIFY(changes >= 1);
    }

    void aGermanLocaleReadsItsComma()
    {
        LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
        TNumberEdit edit;
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("0,5"));
        QCOMPARE(edit.Value(), 0.5f);
        edit.clear();
        QTest::keyClicks(&edit, QStringLiteral("0.5"));
        QVERIFY(!edit.Validate());
        QCOMPARE(edit.Value(), 0.0f);
    }

    void theNumberStandsRight()
    {
        TNumberEdit edit;
        edit.resize(120, 24);
        edit.SetValue(7);
        edit.show();
        QCOMPARE(edit.NumberType(), ntInteger);
        QVERIFY(edit.alignment() & Qt::AlignRight);
        const auto ink = Bounds(Grab(edit), QColor(0, 0, 0));
        QVERIFY(ink);
        QVERIFY(ink->left() > 80);
    }

    void aUnitEditPlacesItsParts()
    {
        QWidget parent;
        auto* edit = new TUnitEdit(&parent);
        edit->resize(100, edit->height());
        QCOMPARE(edit->height(), 20);
        QVERIFY(!edit->EditPart());
        edit->SetUnit(QStringLiteral("kg"));
        edit->SetValue(2.5f);
        parent.show();
        QVERIFY(edit->EditPart() && edit->UnitPart());
        QCOMPARE(edit->EditPart()->geometry(), QRect(0, 0, 70, 20));
        QCOMPARE(edit->UnitPart()->geometry(), QRect(72, 2, 30, 18));
        QCOMPARE(edit->UnitPart()->text(), QStringLiteral("kg"));
        QCOMPARE(edit->EditPart()->Text(), QStringLiteral("2.5"));
        QCOMPARE(edit->Value(), 2.5f);
        QVERIFY(edit->EditPart()->isVisible() && edit->UnitPart()->isVisible());

        edit->SetUnit(QStringLiteral("m/s"));
        QCOMPARE(edit->UnitPart()->text(), QStringLiteral("m/s"));
        edit->EditPart()->clear();
        QTest::keyClicks(edit->EditPart(), QStringLiteral("-4.25"));
        QCOMPARE(edit->Value(), -4.25f);
        edit->resize(160, 20);
        QCOMPARE(edit->EditPart()->width(), 130);
        QCOMPARE(edit->UnitPart()->x(), 132);
    }

    void aUnitEditShowsItsColours()
    {
        QWidget parent;
        auto* edit = new TUnitEdit(&parent);
        edit->resize(100, 24);
        edit->SetEditColor(clYellow);
        edit->SetUnitColor(clAqua);
        edit->SetUnit(QStringLiteral("€"));
        parent.show();
        const QImage shot = Grab(*edit);
        QCOMPARE(At(shot, 80, 22), QColor(0, 255, 255)); // the strip below the parts
        QCOMPARE(At(shot, 98, 10), QColor(0, 255, 255)); // the unit part
        QCOMPARE(At(shot, 35, 10), QColor(255, 255, 0)); // inside the edit part
        edit->SetEditColor(clWhite);
        QCOMPARE(At(Grab(*edit), 35, 10), QColor(255, 255, 255));
    }

    void whatAFormSetsWhileLoadingReachesTheParts()
    {
        TTestForm form;
        auto* edit = new TUnitEdit(&form);
        edit->resize(100, 20);
        QVERIFY(edit->setProperty("Value", 12.75f));
        QVERIFY(edit->setProperty("EditColor", int(clYellow)));
        QVERIFY(edit->setProperty("UnitColor", int(clAqua)));
        QVERIFY(edit->setProperty("Unit", QStringLiteral("kg")));
        QVERIFY(!edit->EditPart());
        QCOMPARE(edit->Value(), 12.75f);
        form.Load();
        QVERIFY(edit->EditPart());
        QCOMPARE(edit->EditPart()->Text(), QStringLiteral("12.75"));
        QCOMPARE(edit->EditPart()->Color(), clYellow);
        QCOMPARE(edit->EditPart()->palette().color(QPalette::Base), QColor(255, 255, 0));
        QCOMPARE(edit->UnitPart()->palette().color(QPalette::Window), QColor(0, 255, 255));
        QCOMPARE(edit->UnitPart()->text(), QStringLiteral("kg"));
        QCOMPARE(edit->Color(), clAqua);
        // Made once: showing the form makes no second pair.
        form.show();
        QCOMPARE(edit->findChildren<TNumberEdit*>().size(), 1);
    }

    void aUnitEditWithChildrenOfItsOwnMakesNoParts()
    {
        QWidget parent;
        auto* edit = new TUnitEdit(&parent);
        auto* own = new QLabel(QStringLiteral("own"), edit);
        parent.show();
        QVERIFY(!edit->EditPart());
        QCOMPARE(edit->findChildren<QWidget*>().size(), 1);
        QCOMPARE(edit->findChildren<QWidget*>().front(), own);
    }
};

QTEST_MAIN(NumberEditTest)
#include "NumberEditTest.moc"
