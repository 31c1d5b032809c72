// The tree view's item model and event rules on a real widget: selection asked for and told,
// deletion children first, expansion asked for (and filled on demand), editing, images, and
// handlers that fail.

#include "Application.h"
#include "CustomTreeView.h"
#include "ImageList.h"

#include <QAbstractItemModelTester>
#include <QPainter>
#include <QTest>

#include <stdexcept>

using namespace sondrel::framework;

namespace {

// Records what the tree tells, as "changing b", "change b (selected b)", "delete a1".
class TRecordingTree : public TCustomTreeView
{
public:
    TRecordingTree()
    {
        OnChanging = [this](TObject* sender, TTreeNode* node, bool& allow) {
            QCOMPARE(sender, this);
            Log << QStringLiteral("changing %1").arg(Name(node));
            allow = !Refuse.contains(Name(node));
        };
        OnChange = [this](TObject*, TTreeNode* node) {
            Log << QStringLiteral("change %1 (selected %2)").arg(Name(node), Name(Selected()));
        };
        OnDeletion = [this](TObject*, TTreeNode* node) {
            Log << QStringLiteral("delete %1").arg(node->Text());
            if (RepaintWhileDeleting)
                viewport()->repaint();
        };
        OnExpanding = [this](TObject*, TTreeNode* node, bool& allow) {
            Log << QStringLiteral("expanding %1").arg(node->Text());
            allow = !RefuseExpansion.contains(node->Text());
            if (allow && Fill.contains(node->Text()))
                Items().AddChild(node, node->Text() + u'1');
        };
        OnExpanded = [this](TObject*, TTreeNode* node) {
            Log << QStringLiteral("expanded %1").arg(node->Text());
        };
        OnCollapsing = [this](TObject*, TTreeNode* node, bool& allow) {
            Log << QStringLiteral("collapsing %1").arg(node->Text());
            allow = !RefuseExpansion.contains(node->Text());
        };
        OnCollapsed = [this](TObject*, TTreeNode* node) {
            Log << QStringLiteral("collapsed %1").arg(node->Text());
        };
        resize(300, 300);
    }

    ~TRecordingTree() override
    {
        OnDeletion = nullptr;
        Items().Clear();
    }

    // a (a1 (a11), a2), b
    void Build()
    {
        TTreeNode* a = Items().AddChild(nullptr, QStringLiteral("a"));
        TTreeNode* a1 = Items().AddChild(a, QStringLiteral("a1"));
        Items().AddChild(a1, QStringLiteral("a11"));
        Items().AddChild(a, QStringLiteral("a2"));
        Items().Add(a, QStringLiteral("b"));
    }

    TTreeNode* Find(const QString& text, TTreeNode* from = nullptr) const
    {
        for (TTreeNode* n = from ? from : Items().GetFirstNode(); n; n = n->GetNextSibling()) {
            if (n->Text() == text)
                return n;
            if (TTreeNode* inner = n->GetFirstChild() ? Find(text, n->GetFirstChild()) : nullptr)
                return inner;
        }
        return nullptr;
    }

    static QString Name(const TTreeNode* node)
    {
        return node ? node->Text() : QStringLiteral("none");
    }

    QStringList Log;
    QStringList Refuse;
    QStringList RefuseExpansion;
    QStringList Fill;
    bool RepaintWhileDeleting = false;
    int DisplayQueriesWhileDeleting = 0;
    int DisplayQueries = 0;
    bool InDeletion = false;

protected:
    void GetDispInfo(TTreeNode& node, TTVDispInfo& info) override
    {
        ++DisplayQueries;
        DisplayQueriesWhileDeleting += InDeletion;
        TCustomTreeView::GetDispInfo(node, info);
    }

    void Delete(TTreeNode* node) override
    {
        InDeletion = true;
        TCustomTreeView::Delete(node);
        InDeletion = false;
    }
};

QStringList Words(const char* text) { return QString::fromUtf8(text).split(u'|'); }

QIcon Solid(QColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QColor IconColour(const QIcon& icon)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    icon.paint(&painter, QRect(0, 0, 16, 16));
    painter.end();
    return image.pixelColor(8, 8);
}

} // namespace

class TreeViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelStaysConsistentThroughEveryChange()
    {
        TRecordingTree tree;
        QAbstractItemModelTester tester(
            &tree.Items(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        tree.Build();
        TTreeNode* a = tree.Find(QStringLiteral("a"));
        tree.Items().AddChildFirst(a, QStringLiteral("a0"));
        tree.Items().Insert(tree.Find(QStringLiteral("b")), QStringLiteral("ab"));
        a->Expand(true);
        tree.Find(QStringLiteral("a1"))->Delete();
        tree.CustomSort([](TTreeNode* x, TTreeNode* y,
                            std::intptr_t) { return QString::compare(y->Text(), x->Text()); },
            0);
        QCOMPARE(a->GetFirstChild()->Text(), QStringLiteral("a2"));
        QCOMPARE(tree.Items().TopLevelItem(0)->Text(), QStringLiteral("b"));
        QCOMPARE(tree.Items().Count(), 5);
        QCOMPARE(a->Count(), 2);
        QCOMPARE(a->Item(1)->Level(), 1);
        tree.Items().Clear();
        QCOMPARE(tree.Items().Count(), 0);
    }

    void selectionIsAskedForAndToldInOrder()
    {
        TRecordingTree tree;
        tree.Build();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        TTreeNode* a = tree.Find(QStringLiteral("a"));
        TTreeNode* b = tree.Find(QStringLiteral("b"));
        tree.SetSelected(a);
        b->SetSelected(true);
        tree.Refuse << QStringLiteral("none");
        tree.SetSelected(nullptr);
        QCOMPARE(tree.Log,
            Words("changing a|change a (selected a)|changing b|change b (selected b)|"
                  "changing none"));
        QCOMPARE(tree.Selected(), b);
        QVERIFY(b->Selected() && !a->Selected());

        // Mouse and keys take the same road; a refusal moves not even the focus.
        tree.Log.clear();
        tree.Refuse = QStringList { QStringLiteral("b") };
        const QRect rowA = tree.visualRect(tree.Items().IndexOf(a));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rowA.center());
        QTest::keyClick(&tree, Qt::Key_Down);
        QCOMPARE(tree.Log, Words("changing a|change a (selected a)|changing b"));
        QCOMPARE(tree.Selected(), a);
        QVERIFY(a->Focused());

        tree.Log.clear(); // the right button leaves the selection alone
        QTest::mouseClick(tree.viewport(), Qt::RightButton, {},
            tree.visualRect(tree.Items().IndexOf(b)).center());
        QCOMPARE(tree.Selected(), a);
        QVERIFY(tree.Log.isEmpty());
    }

    void deletingFiresOncePerNodeChildrenFirst()
    {
        TRecordingTree tree;
        tree.Build();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.Find(QStringLiteral("a"))->Expand(true);
        tree.SetSelected(tree.Find(QStringLiteral("a11")));
        tree.Log.clear();
        tree.RepaintWhileDeleting = true;
        tree.Find(QStringLiteral("a"))->Delete();
        QCOMPARE(tree.Log, Words("delete a11|delete a1|delete a2|delete a"));
        QCOMPARE(tree.Selected(), nullptr);
        QCOMPARE(tree.Items().Count(), 1);

        TTreeNode* b = tree.Find(QStringLiteral("b"));
        tree.Items().AddChild(b, QStringLiteral("b1"));
        tree.Items().AddChild(b, QStringLiteral("b2"));
        QVERIFY(b->HasChildren());
        b->Expand(false);
        tree.SetSelected(b);
        tree.Log.clear();
        b->DeleteChildren();
        QCOMPARE(tree.Log, Words("delete b1|delete b2"));
        QVERIFY(!b->HasChildren()); // the last child took the button with it
        QVERIFY(!b->Expanded());
        QCOMPARE(tree.Selected(), b);
        // A selected child goes with its siblings, and so does the selection.
        for (int i = 0; i < 300; ++i)
            tree.Items().AddChild(b, QStringLiteral("c%1").arg(i));
        b->Expand(false);
        tree.SetSelected(b->Item(150));
        tree.Log.clear();
        b->DeleteChildren();
        QCOMPARE(tree.Log.size(), 300);
        QCOMPARE(tree.Log.first(), QStringLiteral("delete c0"));
        QCOMPARE(tree.Selected(), nullptr);
        QCOMPARE(tree.Items().Owner().model()->rowCount(tree.Items().IndexOf(b)), 0);
        tree.Items().Clear();
        QCOMPARE(tree.Log.last(), QStringLiteral("delete b"));
        QVERIFY(tree.DisplayQueries > 0);
        QCOMPARE(tree.DisplayQueriesWhileDeleting, 0);
    }

    void deletionHandlerFailureStillDeletesEveryNode()
    {
        TRecordingTree tree;
        tree.Build();
        int deleted = 0;
        tree.OnDeletion = [&](TObject*, TTreeNode*) {
            if (++deleted == 1)
                throw std::runtime_error("handler failed");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, tree.Find(QStringLiteral("a"))->Delete());
        QCOMPARE(deleted, 4);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, (deleted = 0, tree.Items().Clear()));
        QCOMPARE(deleted, 1);
        QCOMPARE(tree.Items().Count(), 0);
    }

    void expansionIsAskedForAndMayFillTheNode_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("call") << QStringLiteral("call");
        QTest::newRow("button") << QStringLiteral("button");
        QTest::newRow("key") << QStringLiteral("key");
        QTest::newRow("double click") << QStringLiteral("double");
    }

    void expansionIsAskedForAndMayFillTheNode()
    {
        QFETCH(QString, how);
        TRecordingTree tree;
        TTreeNode* lazy = tree.Items().AddChild(nullptr, QStringLiteral("lazy"));
        TTreeNode* empty = tree.Items().AddChild(nullptr, QStringLiteral("empty"));
        TTreeNode* refused = tree.Items().AddChild(nullptr, QStringLiteral("refused"));
        for (TTreeNode* node : { lazy, empty, refused })
            node->SetHasChildren(true);
        tree.Fill << QStringLiteral("lazy") << QStringLiteral("refused");
        tree.RefuseExpansion << QStringLiteral("refused");
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        auto toggle = [&](TTreeNode* node) {
            const QRect row = tree.visualRect(tree.Items().IndexOf(node));
            const QPoint button(row.left() - tree.indentation() / 2, row.center().y());
            if (how == QStringLiteral("call"))
                node->Expanded() ? node->Collapse(false) : node->Expand(false);
            else if (how == QStringLiteral("button"))
                QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, button);
            else if (how == QStringLiteral("double"))
                QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, row.center());
            else {
                tree.SetSelected(node);
                QTest::keyClick(&tree, node->Expanded() ? Qt::Key_Left : Qt::Key_Right);
            }
        };
        for (TTreeNode* node : { lazy, empty, refused })
            toggle(node);
        tree.Log.removeIf([](const QString& s) { return s.startsWith(QStringLiteral("chang")); });
        QCOMPARE(tree.Log, Words("expanding lazy|expanded lazy|expanding empty|expanding refused"));
        QVERIFY(lazy->Expanded() && tree.isExpanded(tree.Items().IndexOf(lazy)));
        QCOMPARE(lazy->Count(), 1);
        QVERIFY(!empty->Expanded() && empty->HasChildren()); // nothing to show: keeps its button
        QVERIFY(!refused->Expanded() && refused->Count() == 0);

        // Collapsing a node takes the selection inside it up to the node.
        tree.SetSelected(lazy->GetFirstChild());
        tree.Log.clear();
        toggle(lazy);
        tree.Log.removeIf([](const QString& s) { return s.startsWith(QStringLiteral("chang")); });
        QCOMPARE(tree.Log, Words("collapsing lazy|collapsed lazy"));
        QVERIFY(!lazy->Expanded() && !tree.isExpanded(tree.Items().IndexOf(lazy)));
        QCOMPARE(tree.Selected(), lazy);
    }

    void aFailingHandlerIsReportedAndTheTreeStaysWhole()
    {
        TRecordingTree tree;
        tree.Build();
        TTreeNode* a = tree.Find(QStringLiteral("a"));
        TTreeNode* b = tree.Find(QStringLiteral("b"));
        QVERIFY(Application);
        QStringList failures;
        Application->OnException = [&](TObject*, std::exception_ptr e) {
            failures << TApplication::ExceptionMessage(e);
        };
        auto fail = [](const char* what) {
            return [what](auto&&...) { throw std::runtime_error(what); };
        };
        tree.OnChange = fail("change failed");
        tree.OnExpanded = fail("expanded failed");
        tree.OnCollapsing = fail("collapsing failed");
        tree.OnEditing = fail("editing failed");
        tree.OnKeyDown = [](TObject*, int& key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Down)
                throw std::runtime_error("key failed");
        };
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        const QRect rowA = tree.visualRect(tree.Items().IndexOf(a));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rowA.center());
        QCOMPARE(tree.Selected(), a); // the move stands, told or not
        QVERIFY(tree.selectionModel()->isSelected(tree.Items().IndexOf(a)));
        QTest::keyClick(&tree, Qt::Key_Right);
        QVERIFY(a->Expanded() && tree.isExpanded(tree.Items().IndexOf(a)));
        QTest::keyClick(&tree, Qt::Key_Down); // the failed key is taken, not acted on
        QCOMPARE(tree.Selected(), a);
        QTest::keyClick(&tree, Qt::Key_F2);
        QVERIFY(!tree.IsEditing());
        const QPoint button(rowA.left() - tree.indentation() / 2, rowA.center().y());
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, button);
        QVERIFY(a->Expanded() && tree.isExpanded(tree.Items().IndexOf(a)));

        tree.OnChanging = fail("changing failed"); // a failed question is a refusal
        QTest::mouseClick(
            tree.viewport(), Qt::LeftButton, {}, tree.visualRect(tree.Items().IndexOf(b)).center());
        QCOMPARE(tree.Selected(), a);
        QVERIFY(!tree.selectionModel()->isSelected(tree.Items().IndexOf(b)));
        QCOMPARE(failures,
            Words("change failed|expanded failed|key failed|editing failed|collapsing failed|"
                  "changing failed"));

        // The image queries run while the tree paints: the cell stays empty, and the failure is
        // reported once the loop is back, once however many cells failed.
        TRecordingTree hidden;
        TImageList images(nullptr, 16, 16);
        images.Add(Solid(Qt::red));
        hidden.SetImages(&images);
        const QModelIndex index = hidden.Items().IndexOf(hidden.Items().AddChild(nullptr, {}));
        hidden.OnGetImageIndex = fail("image failed");
        failures.clear();
        QVERIFY(index.data(Qt::DecorationRole).isNull());
        QVERIFY(index.data(Qt::DecorationRole).isNull());
        QVERIFY(failures.isEmpty());
        QTRY_COMPARE(failures, Words("image failed"));
        hidden.OnGetImageIndex = [](TObject*, TTreeNode* node) { node->SetImageIndex(0); };
        QCOMPARE(IconColour(index.data(Qt::DecorationRole).value<QIcon>()), QColor(Qt::red));
        QCoreApplication::sendPostedEvents();
        Application->OnException = nullptr;
        QCOMPARE(failures.size(), 1);
    }

    void makeVisibleExpandsTheAncestors()
    {
        TRecordingTree tree;
        tree.Build();
        tree.Find(QStringLiteral("a11"))->MakeVisible();
        QCOMPARE(tree.Log, Words("expanding a|expanded a|expanding a1|expanded a1"));
    }

    void editingAsksFirstAndKeepsWhatTheHandlerLeft()
    {
        TRecordingTree tree;
        tree.Build();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        bool allow = false;
        tree.OnEditing = [&](TObject*, TTreeNode*, bool& allowEdit) { allowEdit = allow; };
        tree.OnEdited = [](TObject*, TTreeNode*, QString& s) { s = s.trimmed(); };
        TTreeNode* b = tree.Find(QStringLiteral("b"));
        QVERIFY(!b->EditText());
        allow = true;
        QVERIFY(b->EditText());
        QVERIFY(tree.IsEditing());
        QWidget* editor = tree.indexWidget(tree.Items().IndexOf(b));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("  renamed "));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(b->Text(), QStringLiteral("renamed"));
        tree.SetReadOnly(true);
        QVERIFY(!b->EditText());
    }

    void imagesAreAskedForWhenShown()
    {
        TRecordingTree tree;
        TImageList images(nullptr, 16, 16);
        images.Add(Solid(Qt::red));
        images.Add(Solid(Qt::blue));
        tree.SetImages(&images);
        QCOMPARE(tree.iconSize(), QSize(16, 16)); // no state images: no room kept for them
        TTreeNode* node = tree.Items().AddChild(nullptr, QStringLiteral("n"));
        int asked = 0;
        tree.OnGetImageIndex = [&](TObject*, TTreeNode* n) {
            ++asked;
            n->SetImageIndex(0);
        };
        tree.OnGetSelectedIndex = [](TObject*, TTreeNode* n) { n->SetSelectedIndex(1); };
        const QModelIndex index = tree.Items().IndexOf(node);
        QCOMPARE(IconColour(index.data(Qt::DecorationRole).value<QIcon>()), QColor(Qt::red));
        QCOMPARE(asked, 1);
        tree.SetSelected(node);
        QCOMPARE(IconColour(index.data(Qt::DecorationRole).value<QIcon>()), QColor(Qt::blue));
        QCOMPARE(asked, 1);
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TreeViewTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "TreeViewTest.moc"
