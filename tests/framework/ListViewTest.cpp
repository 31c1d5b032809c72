// The list view's item model and event rules on a real widget: selection order, item index,
// deletion and clearing, update brackets, sorting, editing, keys, columns, tips and images.

#include "Application.h"
#include "CustomListView.h"
#include "ImageList.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <stdexcept>

using namespace sondrel::framework;

namespace {

// Records what the list tells, as "select 2 (index 2)", "deselect 0 (index -1)", "delete 1".
class TRecordingList : public TCustomListView
{
public:
    TRecordingList()
    {
        OnSelectItem = [this](TObject* sender, TListItem* item, bool selected) {
            QCOMPARE(sender, this);
            Log << QStringLiteral("%1 %2 (index %3)")
                       .arg(selected ? QStringLiteral("select") : QStringLiteral("deselect"))
                       .arg(item->Caption())
                       .arg(ItemIndex());
        };
        OnDeletion = [this](TObject*, TListItem* item) {
            Log << QStringLiteral("delete %1").arg(item->Caption());
            if (RepaintWhileDeleting)
                viewport()->repaint();
        };
        OnInsert = [this](TObject*, TListItem* item) {
            Log << QStringLiteral("insert %1 at %2").arg(item->Caption()).arg(item->Index());
        };
        Columns().Add()->SetCaption(QStringLiteral("Name"));
        Columns().Add()->SetCaption(QStringLiteral("Size"));
        resize(300, 200);
    }

    // The handlers above use this object's members, which are gone by the base's destructor.
    ~TRecordingList() override
    {
        OnDeletion = nullptr;
        Items().Clear();
    }

    TListItem* AddNamed(const QString& caption)
    {
        auto item = std::make_unique<TListItem>();
        item->SetCaption(caption);
        return Items().AddItem(std::move(item));
    }

    void Fill(int count)
    {
        for (int i = 0; i < count; ++i)
            AddNamed(QString::number(i));
        Log.clear();
    }

    QStringList Log;
    bool RepaintWhileDeleting = false;
    int DisplayQueries = 0;
    int DisplayQueriesWhileDeleting = 0;
    bool InDeletion = false;
    const TListItem* FailDisplayOf = nullptr;

protected:
    void GetDispInfo(TListItem& item, TLVDispInfo& info) override
    {
        ++DisplayQueries;
        if (InDeletion)
            ++DisplayQueriesWhileDeleting;
        if (&item == FailDisplayOf)
            throw std::runtime_error("display failed");
        TCustomListView::GetDispInfo(item, info);
    }

    void Delete(TListItem* item) override
    {
        InDeletion = true;
        TCustomListView::Delete(item);
        InDeletion = false;
    }
};

QStringList Captions(const TCustomListView& list)
{
    QStringList captions;
    for (int i = 0; i < list.Items().Count(); ++i) {
        const TListItem* item = list.Items()[i];
        captions << (item->Index() == i ? item->Caption() : QStringLiteral("misnumbered"));
    }
    return captions;
}

QStringList Words(const char* text) { return QString::fromUtf8(text).split(u'|'); }

QIcon Solid(QColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

class ListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelStaysConsistentThroughEveryChange()
    {
        TRecordingList list;
        QAbstractItemModelTester tester(
            &list.Items(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.Fill(5);
        list.Items().Insert(2)->SetCaption(QStringLiteral("x"));
        list.Items().Delete(0);
        list.Items().BeginUpdate();
        list.AddNamed(QStringLiteral("a"));
        list.AddNamed(QStringLiteral("b"));
        list.Items().EndUpdate();
        list.AlphaSort();
        list.Columns().Add();
        list.Columns().Delete(2);
        list.Items().Clear();
        QCOMPARE(list.Items().rowCount(), 0);
    }

    void selectionChangesDeselectBeforeSelecting()
    {
        TRecordingList list;
        list.Fill(3);
        list.Items()[0]->SetSelected(true);
        list.Items()[2]->SetSelected(true);
        list.SetSelected(nullptr);
        QCOMPARE(list.Log,
            Words("select 0 (index 0)|deselect 0 (index -1)|select 2 (index 2)|"
                  "deselect 2 (index -1)"));
        QCOMPARE(list.SelCount(), 0);
    }

    void mouseAndKeysFollowTheSameRules()
    {
        TRecordingList list;
        list.Fill(3);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect row1 = list.visualRect(list.Items().IndexOf(list.Items()[1]));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row1.center());
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.Log, Words("select 1 (index 1)|deselect 1 (index -1)|select 2 (index 2)"));
        QCOMPARE(list.ItemFocused(), list.Items()[2]);
        QVERIFY(list.Items()[2]->Focused());
    }

    void multiSelectionIndexIsTheFirstSelected()
    {
        TRecordingList list;
        list.SetMultiSelect(true);
        list.Fill(4);
        list.Items()[2]->SetSelected(true);
        list.Items()[1]->SetSelected(true);
        QCOMPARE(list.ItemIndex(), 1);
        QCOMPARE(list.SelCount(), 2);
        list.Items()[1]->SetSelected(false);
        QCOMPARE(list.Log, Words("select 2 (index 2)|select 1 (index 1)|deselect 1 (index 2)"));
    }

    void deletingFiresOnceAndNoSelectionEvents()
    {
        TRecordingList list;
        list.Fill(4);
        list.Items()[1]->SetSelected(true);
        list.Log.clear();
        list.Items()[1]->Delete();
        QCOMPARE(list.Log, Words("delete 1"));
        QCOMPARE(list.ItemIndex(), -1);
        QCOMPARE(list.SelCount(), 0);
        QCOMPARE(Captions(list), Words("0|2|3"));

        list.Items()[2]->SetSelected(true);
        list.Log.clear();
        list.Items().Clear();
        QCOMPARE(list.Log, Words("delete 0|delete 2|delete 3"));
        QCOMPARE(list.ItemIndex(), -1);
        QCOMPARE(list.Items().Count(), 0);
        list.Items().Delete(0); // nothing left: nothing happens
        QCOMPARE(list.Log.size(), 3);
    }

    void noDisplayQueryDuringADeletion()
    {
        TRecordingList list;
        list.Fill(3);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.viewport()->repaint();
        QVERIFY(list.DisplayQueries > 0);
        list.RepaintWhileDeleting = true;
        list.Items()[1]->Delete();
        list.Items().Clear();
        QCOMPARE(list.DisplayQueriesWhileDeleting, 0);
    }

    void deletionHandlerFailureStillDeletesEveryItem()
    {
        TRecordingList list;
        list.Fill(3);
        int deleted = 0;
        list.OnDeletion = [&](TObject*, TListItem*) {
            if (++deleted == 1)
                throw std::runtime_error("handler failed");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, list.Items().Clear());
        QCOMPARE(deleted, 3);
        QCOMPARE(list.Items().Count(), 0);
    }

    void aFailingHandlerIsReportedAndTheListGoesOn()
    {
        TRecordingList list;
        list.Fill(3);
        QVERIFY(Application);
        QStringList failures;
        Application->OnException = [&](TObject*, std::exception_ptr e) {
            failures << TApplication::ExceptionMessage(e);
        };
        list.OnSelectItem
            = [](TObject*, TListItem*, bool) { throw std::runtime_error("select failed"); };
        list.OnKeyDown
            = [](TObject*, int&, Qt::KeyboardModifiers) { throw std::runtime_error("key failed"); };
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect row = list.visualRect(list.Items().IndexOf(list.Items()[1]));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
        QTest::keyClick(&list, Qt::Key_Down); // the failed key is taken, not acted on
        Application->OnException = nullptr;
        QCOMPARE(failures, Words("select failed|key failed"));
        QCOMPARE(list.ItemIndex(), 1);
        QCOMPARE(list.SelCount(), 1);
    }

    void aFailingDisplayQueryLeavesTheCellEmpty()
    {
        TRecordingList list;
        list.Fill(3);
        QStringList failures;
        Application->OnException = [&](TObject*, std::exception_ptr e) {
            failures << TApplication::ExceptionMessage(e);
        };
        list.FailDisplayOf = list.Items()[1];
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.viewport()->repaint(); // the failure does not leave the paint
        QCOMPARE(list.Items().IndexOf(list.Items()[1]).data().toString(), QString());
        QCOMPARE(list.Items().IndexOf(list.Items()[2]).data().toString(), QStringLiteral("2"));
        QTRY_VERIFY(!failures.isEmpty()); // reported once the paint is over
        QCOMPARE(failures.first(), QStringLiteral("display failed"));
        list.FailDisplayOf = nullptr;
        QCoreApplication::sendPostedEvents();
        Application->OnException = nullptr;
    }

    void handlersMayChangeTheListTheyAreToldAbout()
    {
        TRecordingList list;
        list.Fill(3);
        list.OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
            if (!selected)
                list.Items().Clear();
            list.Log << QStringLiteral("%1 %2").arg(item->Caption()).arg(selected);
        };
        list.Items()[0]->SetSelected(true);
        list.Items()[1]->SetSelected(true); // the deselection clears: item 1 is gone with it
        QCOMPARE(list.Log, Words("0 1|delete 0|delete 1|delete 2|0 0"));
        QCOMPARE(list.SelCount(), 0);
        QCOMPARE(list.Items().Count(), 0);
    }

    void updateBracketsHoldNewItemsBack()
    {
        TRecordingList list;
        list.Items().BeginUpdate();
        list.AddNamed(QStringLiteral("a"));
        list.AddNamed(QStringLiteral("b"));
        QCOMPARE(list.Items().Count(), 2);
        QCOMPARE(list.Items().rowCount(), 0);
        list.Items()[1]->SetSelected(true); // reaching an item makes it known
        QCOMPARE(list.Items().rowCount(), 2);
        list.AddNamed(QStringLiteral("c"));
        list.Items().EndUpdate();
        QCOMPARE(list.Items().rowCount(), 3);
        QCOMPARE(list.Log, Words("insert a at 0|insert b at 1|select b (index 1)|insert c at 2"));
    }

    void sortingKeepsTheSelectionWithoutEvents()
    {
        TRecordingList list;
        for (const char* name : { "pear", "Apple", "fig", "apple" })
            list.AddNamed(QString::fromUtf8(name));
        list.Items()[2]->SetSelected(true);
        list.Log.clear();
        list.AlphaSort();
        QCOMPARE(Captions(list).join(u' ').toLower(), QStringLiteral("apple apple fig pear"));
        QCOMPARE(list.Selected()->Caption(), QStringLiteral("fig"));
        QVERIFY(list.selectionModel()->isRowSelected(list.Selected()->Index()));

        // By length; a sort's data of -1 turns it round.
        list.OnCompare = [](TObject*, TListItem* a, TListItem* b, std::intptr_t data, int& c) {
            c = (data < 0 ? -1 : 1) * static_cast<int>(a->Caption().size() - b->Caption().size());
        };
        list.AlphaSort();
        QCOMPARE(Captions(list).mid(0, 1), Words("fig"));
        list.CustomSort(nullptr, -1);
        QCOMPARE(Captions(list).mid(2), Words("pear|fig"));
        QVERIFY(list.Log.isEmpty());

        // An order made elsewhere is taken only when it holds every item once.
        TListItems& items = list.Items();
        TRecordingList other;
        other.AddNamed(QStringLiteral("stranger"));
        QStringList sorted = Captions(list);
        QVERIFY(!items.Arrange({ items[0], items[1], items[2] }));
        QVERIFY(!items.Arrange({ items[0], items[0], items[1], items[2] }));
        QVERIFY(!items.Arrange({ items[0], items[1], items[2], other.Items()[0] }));
        QCOMPARE(Captions(list), sorted);
        QVERIFY(items.Arrange({ items[3], items[2], items[1], items[0] }));
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(Captions(list), sorted);
        QCOMPARE(list.Selected()->Caption(), QStringLiteral("fig"));
        QVERIFY(list.selectionModel()->isRowSelected(list.Selected()->Index()));
    }

    void editingAsksFirstAndKeepsWhatTheHandlerLeft()
    {
        TRecordingList list;
        list.Fill(2);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        bool allow = false;
        list.OnEditing = [&](TObject*, TListItem*, bool& allowEdit) { allowEdit = allow; };
        list.OnEdited = [](TObject*, TListItem*, QString& s) { s = s.trimmed(); };
        QVERIFY(!list.Items()[0]->EditCaption());
        allow = true;
        QVERIFY(list.Items()[0]->EditCaption());
        QWidget* editor = list.indexWidget(list.Items().IndexOf(list.Items()[0]));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("  new name "));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(list.Items()[0]->Caption(), QStringLiteral("new name"));

        list.SetReadOnly(true);
        QVERIFY(!list.Items()[1]->EditCaption());
    }

    void keyDownMayTakeTheKey()
    {
        TRecordingList list;
        list.Fill(3);
        list.Items()[0]->SetSelected(true);
        list.SetItemFocused(list.Items()[0]);
        list.OnKeyDown = [](TObject*, int& key, Qt::KeyboardModifiers shift) {
            if (key == Qt::Key_Down && shift == Qt::NoModifier)
                key = 0;
        };
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.ItemIndex(), 0);
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.ItemIndex(), 2);
    }

    void columnsReachTheHeaderAndBack()
    {
        TRecordingList list;
        list.Columns()[1]->SetAlignment(TAlignment::taRightJustify);
        list.Columns().BeginUpdate();
        list.Columns()[0]->SetWidth(120);
        list.Columns()[1]->SetCaption(QStringLiteral("Bytes"));
        QCOMPARE(list.header()->sectionSize(0) == 120, false);
        list.Columns().EndUpdate();
        QCOMPARE(list.header()->sectionSize(0), 120);
        QCOMPARE(list.Items().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Bytes"));
        list.header()->resizeSection(1, 77);
        QCOMPARE(list.Columns()[1]->Width(), 77);

        TListItem* item = list.AddNamed(QStringLiteral("a"));
        item->SetSubItem(0, QStringLiteral("42"));
        const QModelIndex size = list.Items().IndexOf(item, 1);
        QCOMPARE(size.data().toString(), QStringLiteral("42"));
        QCOMPARE(size.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
            Qt::AlignRight);

        TListColumn* clicked = nullptr;
        list.OnColumnClick = [&](TObject*, TListColumn* column) { clicked = column; };
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const int x = list.header()->sectionViewportPosition(1) + 5;
        QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
        QCOMPARE(clicked, list.Columns()[1]);
    }

    void infoTipsAndChangesAreAskedOfTheHandlers()
    {
        TRecordingList list;
        TListItem* item = list.AddNamed(QStringLiteral("a"));
        const QModelIndex index = list.Items().IndexOf(item);
        QVERIFY(index.data(Qt::ToolTipRole).isNull());
        list.OnInfoTip = [](TObject*, TListItem* i, QString& tip) { tip = i->Caption() + u'!'; };
        QCOMPARE(index.data(Qt::ToolTipRole).toString(), QStringLiteral("a!"));

        QList<TItemChange> changes;
        list.OnChange = [&](TObject*, TListItem*, TItemChange change) { changes << change; };
        item->SetCaption(QStringLiteral("b"));
        item->SetCaption(QStringLiteral("b"));
        item->SetImageIndex(3);
        item->SetSelected(true);
        QCOMPARE(changes,
            (QList<TItemChange> {
                TItemChange::ctText, TItemChange::ctImage, TItemChange::ctState }));
    }

    void stateImageStandsBeforeTheImage()
    {
        TRecordingList list;
        TImageList state(nullptr, 16, 16);
        TImageList small(nullptr, 16, 16);
        state.Add(Solid(Qt::red));
        small.Add(Solid(Qt::blue));
        list.SetStateImages(&state);
        list.SetSmallImages(&small);
        QCOMPARE(list.iconSize(), QSize(32, 16));
        TListItem* item = list.AddNamed(QStringLiteral("a"));
        item->SetStateIndex(0);
        item->SetImageIndex(0);
        const QIcon icon = list.Items().IndexOf(item).data(Qt::DecorationRole).value<QIcon>();
        QImage image(32, 16, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            icon.paint(&painter, QRect(0, 0, 32, 16));
        }
        QCOMPARE(image.pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(image.pixelColor(24, 8), QColor(Qt::blue));

        item->SetStateIndex(-1); // no state image: its room stays empty
        const QIcon bare = list.Items().IndexOf(item).data(Qt::DecorationRole).value<QIcon>();
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            bare.paint(&painter, QRect(0, 0, 32, 16));
        }
        QCOMPARE(image.pixelColor(8, 8), QColor(Qt::white));
        QCOMPARE(image.pixelColor(24, 8), QColor(Qt::blue));

        // One image list serving as both: letting it go as the state images keeps its changes
        // shown as the images.
        list.SetStateImages(&small);
        list.SetStateImages(nullptr);
        QCOMPARE(list.iconSize(), QSize(16, 16));
        small.Replace(0, Solid(Qt::green));
        const QIcon changed = list.Items().IndexOf(item).data(Qt::DecorationRole).value<QIcon>();
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            changed.paint(&painter, QRect(0, 0, 16, 16));
        }
        QCOMPARE(image.pixelColor(8, 8), QColor(Qt::green));
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    ListViewTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ListViewTest.moc"
