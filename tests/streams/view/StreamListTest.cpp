// A listing walk into a real list view: items, their order and images, the selection it makes,
// and the records' lifetime.

#include "StreamList.h"

#include "TempDir.h"

#include <QTest>

using namespace sondrel;
using namespace sondrel::framework;

class StreamListTest : public QObject
{
    Q_OBJECT

    // The stream list as the window wires it: deletion releases, selection is recorded.
    struct TStreamListView : TCustomListView
    {
        TStreamListView()
        {
            Columns().Add();
            Columns().Add();
            OnDeletion = [this](TObject*, TListItem* item) {
                ++Deleted;
                streams::ReleaseStreamRecord(item);
            };
            OnSelectItem = [this](TObject*, TListItem* item, bool selected) {
                Selections
                    << QStringLiteral("%1 %2 %3").arg(item->Index()).arg(selected).arg(ItemIndex());
            };
        }
        ~TStreamListView() override { Items().Clear(); }

        int Deleted = 0;
        QStringList Selections;
    };

private Q_SLOTS:
    void listingFillsOneItemPerStreamAndSelectsTheFirst()
    {
        test::TempDir dir;
        const std::string path = dir / "three";
        test::WriteFile(path, "0123456789");
        if (!test::SetXattr(path, "user.summary", "abc"))
            QSKIP("this file system refuses user.* extended attributes");
        TStreamListView list;
        streams::TStreamListSink sink(list);
        QCOMPARE(streams::WalkStreams(path, true, &sink), std::string("3"));

        QCOMPARE(list.Items().Count(), 3);
        const struct
        {
            const char* caption;
            const char* size;
            int state;
            std::uint32_t kind;
        } expected[] = {
            { "<no name>", nullptr, 2, 3 },
            { "<default>", "10", 0, 1 },
            { "summary", "3", 3, 4 },
        };
        for (int i = 0; i < 3; ++i) {
            const TListItem* item = list.Items()[i];
            QCOMPARE(item->Caption(), QString::fromUtf8(expected[i].caption));
            QCOMPARE(item->SubItems().size(), 1);
            if (expected[i].size)
                QCOMPARE(item->SubItems()[0], QString::fromUtf8(expected[i].size));
            QCOMPARE(item->StateIndex(), expected[i].state);
            const streams::StreamInfo* info = streams::StreamRecord(item);
            QVERIFY(info);
            QCOMPARE(info->Header.dwStreamId, expected[i].kind);
            QCOMPARE(item->SubItems()[0], QString::number(info->Size()));
        }
        QCOMPARE(std::string(reinterpret_cast<const char*>(
                                 streams::StreamRecord(list.Items()[2])->Data.get()),
                     3),
            std::string("abc"));
        QCOMPARE(list.Selections, QStringList { QStringLiteral("0 1 0") });
        QCOMPARE(list.ItemFocused(), list.Items()[0]);

        list.Items().Clear();
        QCOMPARE(list.Deleted, 3);
        QVERIFY(list.Selections.size() == 1); // clearing fires no selection events
    }

    void aFileThatCannotBeOpenedAddsNothing()
    {
        test::TempDir dir;
        TStreamListView list;
        streams::TStreamListSink sink(list);
        const std::string text = streams::WalkStreams(dir / "missing", true, &sink);
        QVERIFY(text.find("No such file") != std::string::npos);
        QCOMPARE(list.Items().Count(), 0);
        QVERIFY(list.Selections.isEmpty());
    }

    void anItemWithoutARecordIsDeletedWithoutEffect()
    {
        TStreamListView list;
        list.Items().Add()->SetCaption(QStringLiteral("bare"));
        list.Items()[0]->Delete();
        QCOMPARE(list.Deleted, 1);
        QCOMPARE(list.Items().Count(), 0);
        streams::ReleaseStreamRecord(nullptr);
    }

    void relistingReleasesTheEarlierRecords()
    {
        test::TempDir dir;
        const std::string path = dir / "big";
        test::WriteFile(path, std::string(1 << 20, 'x'));
        TStreamListView list;
        streams::TStreamListSink sink(list);
        for (int round = 0; round < 3; ++round) {
            list.Items().Clear();
            (void)streams::WalkStreams(path, true, &sink);
        }
        QCOMPARE(list.Items().Count(), 2);
        QCOMPARE(list.Deleted, 4); // what the leak check at exit does not find is freed here
    }
};

QTEST_MAIN(StreamListTest)
#include "StreamListTest.moc"
