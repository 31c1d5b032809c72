// The shell's context menus in the list and the tree on real files: what they offer for a
// file, several files and a folder, what the entries do, rename through the menu, the Send To
// entries (a link to a folder copies there, a launcher gets the files), the hints, and the busy
// flag that keeps the list still while a menu is up.

#include "CommandUi.h"
#include "Popups.h"
#include "ShellContextMenu.h"
#include "ShellList.h"
#include "ShellTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace sondrel;
using namespace sondrel::shell;
using framework::TListItem;

using sondrel::test::OnPopup;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

void Write(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QAction* ActionNamed(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QStringList Texts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

TListItem* ItemNamed(TPTShellList& list, const QString& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (list.model()->data(list.model()->index(i, 0)).toString() == name)
            return list.Items()[i];
    return nullptr;
}

// Chooses `text` in the popup with the keyboard (in its sub-menu `sub`, opened first, when
// given), as a user does.
void Choose(QMenu* popup, const QString& text, const QString& sub = {})
{
    QMenu* menu = popup;
    if (!sub.isEmpty()) {
        QAction* opener = ActionNamed(popup, sub);
        QVERIFY(opener && opener->menu());
        popup->setActiveAction(opener);
        QTest::keyClick(popup, Qt::Key_Right);
        menu = opener->menu();
        QVERIFY(QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000));
    }
    QAction* action = ActionNamed(menu, text);
    QVERIFY2(action, qPrintable(Texts(menu).join(QLatin1Char('|'))));
    menu->setActiveAction(action);
    QTest::keyClick(menu, Qt::Key_Return);
}

} // namespace

class ShellMenuTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir { QDir::currentPath() + QStringLiteral("/menus-XXXXXX") };
    QTemporaryDir m_data { QDir::currentPath() + QStringLiteral("/menus-data-XXXXXX") };

    [[nodiscard]] QString Path(const QString& name) const { return m_dir.filePath(name); }
    [[nodiscard]] QString SendTo() const
    {
        return m_data.filePath(QStringLiteral("sondrel/SendTo"));
    }

    // A shown list on the test's folder with `names` selected, the first focused.
    void Select(TPTShellList& list, const QStringList& names)
    {
        list.SetMultiSelect(true);
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.Folder().SetPathName(Bytes(m_dir.path()));
        QTRY_VERIFY(ItemNamed(list, names.front()) != nullptr);
        ItemNamed(list, names.front())->SetFocused(true);
        list.ClearSelection();
        for (const QString& name : names)
            ItemNamed(list, name)->SetSelected(true);
        QCOMPARE(list.ShellSelCount(), names.size());
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path())); }

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(Path(QStringLiteral("sub"))));
        Write(Path(QStringLiteral("a.txt")));
        Write(Path(QStringLiteral("b.txt")));
    }

    void theMenuOffersWhatTheItemsAllowAndItsEntriesAct()
    {
        TPTShellList list;
        Select(list, { QStringLiteral("a.txt") });
        QStringList offered;
        bool busyMeanwhile = false;
        QStringList hints;
        list.OnPopupHint = [&](framework::TObject*, const std::string& hint) {
            hints << QString::fromStdString(hint);
        };
        OnPopup([&](QMenu* popup) {
            offered = Texts(popup);
            busyMeanwhile = list.Busy();
            popup->setActiveAction(ActionNamed(popup, QStringLiteral("Create &Link")));
            Choose(popup, QStringLiteral("Create &Link"));
        });
        // A real right click on the item.
        const QRect row = list.visualRect(
            list.model()->index(ItemNamed(list, QStringLiteral("a.txt"))->Index(), 0));
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, row.center());
        QTRY_VERIFY(!offered.isEmpty());
        for (const char* text : { "&Open", "Cu&t", "&Copy", "&Paste", "Se&nd To", "Create &Link",
                 "&Delete", "Rena&me", "P&roperties" })
            QVERIFY2(offered.contains(QString::fromUtf8(text)), text);
        QVERIFY(busyMeanwhile);
        QVERIFY(!list.Busy());
        QVERIFY(QFileInfo(Path(QStringLiteral("Link to a.txt"))).isSymLink());
        QVERIFY(hints.contains(QStringLiteral("Makes a symbolic link to each item beside it.")));

        // Rename through the menu edits the caption in place instead.
        OnPopup([&](QMenu* popup) { Choose(popup, QStringLiteral("Rena&me")); });
        list.ProcessMenuForAllSelected({ 5, 5 });
        QVERIFY(list.IsEditing());
    }

    void severalItemsRenameNothingAndAReadOnlyListOffersNoRename()
    {
        TPTShellList list;
        Select(list, { QStringLiteral("a.txt"), QStringLiteral("b.txt") });
        bool renameEnabled = true;
        OnPopup([&](QMenu* popup) {
            QAction* rename = ActionNamed(popup, QStringLiteral("Rena&me"));
            renameEnabled = rename && rename->isEnabled();
            Choose(popup, QStringLiteral("&Copy"));
        });
        list.ProcessMenuForAllSelected({ 5, 5 });
        QVERIFY(!renameEnabled);

        list.SetReadOnly(true);
        bool renameOffered = true;
        OnPopup([&](QMenu* popup) {
            renameOffered = ActionNamed(popup, QStringLiteral("Rena&me")) != nullptr;
            popup->close();
        });
        list.ProcessMenu(ItemNamed(list, QStringLiteral("a.txt")), { 5, 5 });
        QVERIFY(!renameOffered);

        // Nothing selected: no menu.
        list.ClearSelection();
        list.ProcessMenuForAllSelected({ 5, 5 });
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    void sendToCopiesIntoALinkedFolderAndHandsALauncherTheFiles()
    {
        QVERIFY(QDir().mkpath(SendTo()));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("backup"))));
        QVERIFY(QFile::link(Path(QStringLiteral("backup")), SendTo() + QStringLiteral("/Backup")));
        const QString record = m_data.filePath(QStringLiteral("arguments"));
        const QString script = m_data.filePath(QStringLiteral("record.sh"));
        Write(script,
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.out.tmp\"\n"
            "mv \"$0.out.tmp\" \""
                + QFile::encodeName(record) + "\"\n");
        QVERIFY(
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        Write(SendTo() + QStringLiteral("/Recorder.desktop"),
            "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + QFile::encodeName(script)
                + " --files %F\n");
        Write(SendTo() + QStringLiteral("/.hidden"));
        QVERIFY(QDir().mkpath(SendTo() + QStringLiteral("/folder")));

        TPTShellList list;
        Select(list, { QStringLiteral("a.txt"), QStringLiteral("b.txt") });
        QStringList entries;
        OnPopup([&](QMenu* popup) {
            QMenu* sub = ActionNamed(popup, QStringLiteral("Se&nd To"))->menu();
            Choose(popup, QStringLiteral("&Backup"), QStringLiteral("Se&nd To"));
            entries = Texts(sub);
        });
        list.ProcessMenuForAllSelected({ 5, 5 });
        QCOMPARE(entries, (QStringList { QStringLiteral("&Backup"), QStringLiteral("&Recorder") }));
        QTRY_VERIFY(QFile::exists(Path(QStringLiteral("backup/a.txt"))));
        QVERIFY(QFile::exists(Path(QStringLiteral("backup/b.txt"))));
        QVERIFY(QFile::exists(Path(QStringLiteral("a.txt")))); // copied, not moved

        OnPopup([&](QMenu* popup) {
            Choose(popup, QStringLiteral("&Recorder"), QStringLiteral("Se&nd To"));
        });
        list.ProcessMenuForAllSelected({ 5, 5 });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile out(record);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(),
            "--files\n" + QFile::encodeName(Path(QStringLiteral("a.txt"))) + "\n"
                + QFile::encodeName(Path(QStringLiteral("b.txt"))) + "\n");

        // An entry whose file is gone leaves the list when the sub-menu is next filled.
        QVERIFY(QFile::remove(SendTo() + QStringLiteral("/Backup")));
        RefreshSendToEntries();
        QCOMPARE(SendToEntries().size(), std::size_t { 1 });
        QDir(SendTo()).removeRecursively();
    }

    void theTreeOffersAFoldersMenuOnItsNode()
    {
        TPTShellTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelectedPathName(Bytes(Path(QStringLiteral("sub"))));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        framework::TTreeNode* node = tree.Selected();
        QStringList offered;
        bool busyMeanwhile = false;
        OnPopup([&](QMenu* popup) {
            offered = Texts(popup);
            busyMeanwhile = tree.Busy();
            Choose(popup, QStringLiteral("Rena&me"));
        });
        tree.ProcessMenu(node, { 5, 5 });
        QVERIFY(offered.contains(QStringLiteral("&Paste")));
        QVERIFY(busyMeanwhile);
        QVERIFY(tree.IsEditing());
    }

    void theDesktopAndComputerInTheTreeOfferToOpenADiskImage()
    {
        platform::QuietCommandUi ui;
        platform::InstallCommandUi(&ui);
        const auto uninstall = qScopeGuard([] { platform::InstallCommandUi(nullptr); });
        Write(Path(QStringLiteral("broken.E01")), "no image at all");
        ui.ImageChoice = Bytes(Path(QStringLiteral("broken.E01")));
        TPTShellTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QTRY_VERIFY(tree.Items().TopLevelCount() > 0);
        framework::TTreeNode* desktop = tree.Items().TopLevelItem(0);
        framework::TTreeNode* computer = nullptr;
        desktop->Expand(false);
        QTRY_VERIFY(desktop->Count() > 0);
        for (int i = 0; i < desktop->Count(); ++i)
            if (desktop->Item(i)->Text() == QStringLiteral("Computer"))
                computer = desktop->Item(i);
        QVERIFY(computer);
        for (framework::TTreeNode* node : { desktop, computer }) {
            QStringList offered;
            OnPopup([&](QMenu* popup) {
                offered = Texts(popup);
                Choose(popup, QString::fromUtf8("Open disk &image\u2026"));
            });
            tree.ProcessMenu(node, { 5, 5 });
            QCOMPARE(offered, QStringList { QString::fromUtf8("Open disk &image\u2026") });
        }
        // The chosen file is no image: each time, its name and the reason, and no drive shown.
        QCOMPARE(ui.Told.size(), 2u);
        QVERIFY2(
            QString::fromStdString(ui.Told[0]).startsWith(Path(QStringLiteral("broken.E01: "))),
            ui.Told[0].c_str());
        QVERIFY(ui.ShownFolders.empty());
    }

    void aRightClickBesideTheItemsOfComputerOffersToOpenADiskImage()
    {
        platform::QuietCommandUi ui;
        platform::InstallCommandUi(&ui);
        const auto uninstall = qScopeGuard([] { platform::InstallCommandUi(nullptr); });
        TPTShellList list;
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.Folder().SetCSIDL(csidlDrives);
        QTRY_VERIFY(list.Items().Count() > 0);
        list.ClearSelection();
        QStringList offered;
        OnPopup([&](QMenu* popup) {
            offered = Texts(popup);
            popup->close();
        });
        QTest::mouseClick(list.viewport(), Qt::RightButton, {},
            QPoint(list.viewport()->width() - 5, list.viewport()->height() - 5));
        QTRY_VERIFY(!offered.isEmpty());
        QCOMPARE(offered, QStringList { QString::fromUtf8("Open disk &image\u2026") });
        QVERIFY(!list.Busy());
    }

    void theTreeRenamesWithF2AndMakesNewFoldersOnATimer()
    {
        TPTShellTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        // The desktop root is no folder of a parent: it cannot be renamed.
        QVERIFY(tree.Items().Count() > 0);
        tree.SetSelected(tree.Items().GetFirstNode());
        QTest::keyClick(&tree, Qt::Key_F2);
        QVERIFY(!tree.IsEditing());

        tree.SetSelectedPathName(Bytes(Path(QStringLiteral("sub"))));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        // The edit box starts from the name the namespace edits, whatever the caption says.
        tree.Selected()->SetText(QStringLiteral("A caption"));
        QTest::keyClick(&tree, Qt::Key_F2);
        QTRY_VERIFY(tree.IsEditing());
        auto* editor = tree.findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("sub"));
        editor->setText(QStringLiteral("  renamed "));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(QFileInfo(Path(QStringLiteral("renamed"))).isDir());
        QVERIFY(!QFileInfo::exists(Path(QStringLiteral("sub"))));
        QCOMPARE(tree.Selected()->Text(), QStringLiteral("renamed"));
        QCOMPARE(tree.SelectedPathName(), Bytes(Path(QStringLiteral("renamed"))));

        // A new folder beside one whose name differs in case only: the exact one is edited,
        // after a wait on a timer, not asleep.
        QVERIFY(QDir().mkpath(Path(QStringLiteral("renamed/new folder"))));
        QVERIFY(tree.CreateNewFolder());
        QVERIFY(QFileInfo(Path(QStringLiteral("renamed/New Folder"))).isDir());
        QVERIFY(tree.NewFolderPending());
        QCOMPARE(tree.NewFolderDelay(), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(tree.IsEditing(), 5000);
        QCOMPARE(tree.Selected()->Text(), QStringLiteral("renamed"));
        auto* newEditor = tree.findChild<QLineEdit*>();
        QVERIFY(newEditor && newEditor->isVisible());
        QCOMPARE(newEditor->text(), QStringLiteral("New Folder"));
    }
};

QTEST_MAIN(ShellMenuTest)
#include "ShellMenuTest.moc"
