// The version label in a program built with a version resource, in one built without, and in
// one whose FileVersion is longer than the label keeps. SONDREL_EXPECTED_VERSION is what the
// build gave this program (empty for none).

#include "Version.h"

#include <QTest>

using sondrel::components::TVersionLabel;

class VersionLabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theFormsCaptionIsReplacedWhenLoaded()
    {
        QWidget form;
        auto* label = new TVersionLabel(&form);
        label->SetCaption(QStringLiteral("Version 6.0.10.158"));
        QCOMPARE(label->Caption(), QStringLiteral("Version 6.0.10.158"));
        form.show();
        QCOMPARE(label->Caption(),
            QStringLiteral("Version ") + QString::fromUtf8(SONDREL_EXPECTED_VERSION));
    }

    void theVersionIsReadOnceAndKept()
    {
        TVersionLabel label;
        const QString expected = QString::fromUtf8(SONDREL_EXPECTED_VERSION);
        QCOMPARE(label.GetVersion(), expected);
        QCOMPARE(label.GetVersion(), expected);
        label.Loaded();
        label.SetCaption(QStringLiteral("changed later"));
        label.show(); // loaded already: the caption stays
        QCOMPARE(label.Caption(), QStringLiteral("changed later"));
    }
};

QTEST_MAIN(VersionLabelTest)
#include "VersionLabelTest.moc"
