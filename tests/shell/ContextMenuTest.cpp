// The node and item context menus of the tree and list bases: keyboard and mouse requests, the
// anchor of the menu, a handler replacing or taking away the menu, and a handler that fails.

#include "Application.h"
#include "UPTTreeList.h"

#include <QMenu>
#include <QTest>

#include <memory>
#include <stdexcept>

using namespace sondrel::framework;
using namespace sondrel::shell;

namespace {

std::unique_ptr<QMenu> MakeMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("Open"));
    return menu;
}

void PressContextKey(QWidget* widget, bool shiftF10)
{
    if (shiftF10)
        QTest::keyClick(widget, Qt::Key_F10, Qt::ShiftModifier);
    else
        QTest::keyClick(widget, Qt::Key_Menu);
}

} // namespace

class ContextMenuTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aContextKeyOnAnEmptyControlPopsUpAtTheClientOrigin_data()
    {
        QTest::addColumn<bool>("tree");
        QTest::addColumn<bool>("shiftF10");
        QTest::newRow("list, applications key") << false << false;
        QTest::newRow("list, shift+F10") << false << true;
        QTest::newRow("tree, applications key") << true << false;
        QTest::newRow("tree, shift+F10") << true << true;
    }

    void aContextKeyOnAnEmptyControlPopsUpAtTheClientOrigin()
    {
        QFETCH(bool, tree);
        QFETCH(bool, shiftF10);
        auto menu = MakeMenu();
        std::unique_ptr<QAbstractItemView> view;
        int keysSeen = 0;
        auto onKey = [&](TObject*, int& key, Qt::KeyboardModifiers) { keysSeen += key == 0; };
        if (tree) {
            auto* t = new TPTTreeView;
            t->SetPopupMenu(menu.get());
            t->OnKeyDown = onKey;
            view.reset(t);
        } else {
            auto* l = new TPTListView;
            l->Columns().Add();
            l->SetPopupMenu(menu.get());
            l->OnKeyDown = onKey;
            view.reset(l);
        }
        view->resize(200, 150);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        PressContextKey(view.get(), shiftF10);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), view->viewport()->mapToGlobal(QPoint(0, 0)));
        QCOMPARE(PopupComponent(menu.get()), view.get());
        QCOMPARE(keysSeen, 1); // the key was taken before the key event
    }

    void theListAnchorsOnTheFocusedItemAndTheHandlerMayReplaceTheMenu()
    {
        auto standard = MakeMenu();
        auto replacement = MakeMenu();
        TPTListView list;
        list.Columns().Add()->SetWidth(150);
        for (const char* caption : { "a", "b", "c" })
            list.Items().Add()->SetCaption(QString::fromUtf8(caption));
        list.SetPopupMenu(standard.get());
        list.resize(200, 150);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        TListItem* b = list.Items()[1];
        b->SetSelected(true);
        b->SetFocused(true);
        TListItem* offered = nullptr;
        TPoint at;
        bool replace = true;
        list.OnItemContextMenu = [&](TObject*, TListItem* item, TPoint& pos, QMenu*& menu) {
            offered = item;
            at = pos;
            menu = replace ? replacement.get() : nullptr;
        };
        QTest::keyClick(&list, Qt::Key_Menu);
        QCOMPARE(offered, b);
        const QRect row = list.visualRect(list.Items().IndexOf(b));
        QVERIFY(row.contains(QPoint(at.X, at.Y)));
        QTRY_VERIFY(replacement->isVisible());
        QCOMPARE(replacement->pos(), list.viewport()->mapToGlobal(QPoint(at.X, at.Y)));
        QVERIFY(!standard->isVisible());
        replacement->hide();

        // A right click asks the same of the focused item, and a handler may show nothing.
        replace = false;
        offered = nullptr;
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, row.center());
        QCOMPARE(offered, b);
        QVERIFY(!standard->isVisible() && !replacement->isVisible());
    }

    void aFailingMenuHandlerIsReportedAndTheNextClickAsksAgain_data()
    {
        QTest::addColumn<bool>("tree");
        QTest::newRow("list") << false;
        QTest::newRow("tree") << true;
    }

    void aFailingMenuHandlerIsReportedAndTheNextClickAsksAgain()
    {
        QFETCH(bool, tree);
        auto standard = MakeMenu();
        int asked = 0;
        auto failFirst = [&](auto&&...) {
            if (++asked == 1)
                throw std::runtime_error("menu failed");
        };
        std::unique_ptr<QAbstractItemView> view;
        QModelIndex target;
        if (tree) {
            auto* t = new TPTTreeView;
            TTreeNode* node = t->Items().AddChild(nullptr, QStringLiteral("a"));
            t->SetPopupMenu(standard.get());
            t->OnNodeContextMenu = failFirst;
            target = t->Items().IndexOf(node);
            view.reset(t);
        } else {
            auto* l = new TPTListView;
            l->Columns().Add()->SetWidth(150);
            TListItem* item = l->Items().Add();
            item->SetCaption(QStringLiteral("a"));
            item->SetSelected(true);
            item->SetFocused(true);
            l->SetPopupMenu(standard.get());
            l->OnItemContextMenu = failFirst;
            target = l->Items().IndexOf(item);
            view.reset(l);
        }
        QStringList failures;
        Application->OnException = [&](TObject*, std::exception_ptr e) {
            failures << TApplication::ExceptionMessage(e);
        };
        view->resize(200, 150);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        const QPoint click = view->visualRect(target).center();
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, click);
        QCOMPARE(failures, QStringList { QStringLiteral("menu failed") });
        QVERIFY(!standard->isVisible());
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, click);
        Application->OnException = nullptr;
        QCOMPARE(asked, 2);
        QTRY_VERIFY(standard->isVisible());
    }

    void theTreeOffersTheNodeUnderTheMouseAndKeepsTheSelection()
    {
        auto standard = MakeMenu();
        TPTTreeView tree;
        TTreeNode* a = tree.Items().AddChild(nullptr, QStringLiteral("a"));
        TTreeNode* b = tree.Items().AddChild(nullptr, QStringLiteral("b"));
        tree.SetPopupMenu(standard.get());
        tree.resize(200, 150);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelected(a);
        QList<TTreeNode*> offered;
        tree.OnNodeContextMenu
            = [&](TObject*, TTreeNode* node, TPoint&, QMenu*&) { offered << node; };
        const QPoint click = tree.visualRect(tree.Items().IndexOf(b)).center();
        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, click);
        QCOMPARE(offered, QList<TTreeNode*> { b }); // once: the shown menu ends the request
        QCOMPARE(tree.Selected(), a);
        QTRY_VERIFY(standard->isVisible());
        QCOMPARE(standard->pos(), tree.viewport()->mapToGlobal(click));
        standard->hide();

        // From the keyboard, the menu stands at the middle of the selected node's label.
        offered.clear();
        QTest::keyClick(&tree, Qt::Key_Menu);
        QCOMPARE(offered, QList<TTreeNode*> { a });
        const TRect label = a->DisplayRect(true);
        QTRY_VERIFY(standard->isVisible());
        QCOMPARE(standard->pos(),
            tree.viewport()->mapToGlobal(
                QPoint((label.Left + label.Right) / 2, (label.Top + label.Bottom) / 2)));
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    ContextMenuTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ContextMenuTest.moc"
