// What a user does with the shell list, on real folders: opening folders, files and shortcuts,
// going up, the key table's commands, renaming through the namespace, new folders, and the
// refresh that change notices and device changes bring.

#include "ClipboardFormats.h"
#include "CommandUi.h"
#include "DeviceChangeHandler.h"
#include "Guard.h"
#include "ShellCommands.h"
#include "ShellErrors.h"
#include "ShellLinks.h"
#include "ShellList.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace sondrel;
using namespace sondrel::shell;
using framework::TListItem;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

void Touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QString Caption(TPTShellList& list, int row)
{
    return list.model()->data(list.model()->index(row, 0)).toString();
}

QStringList Captions(TPTShellList& list)
{
    QStringList captions;
    for (int i = 0; i < list.Items().Count(); ++i)
        captions << Caption(list, i);
    return captions;
}

TListItem* ItemNamed(TPTShellList& list, const QString& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (Caption(list, i) == name)
            return list.Items()[i];
    return nullptr;
}

// A shown list on `folder`, filled.
struct TListOn
{
    TPTShellList List;
    QAbstractItemModelTester Tester { List.model() };

    explicit TListOn(const QString& folder)
    {
        List.resize(400, 300);
        List.show();
        (void)QTest::qWaitForWindowExposed(&List);
        List.Folder().SetPathName(Bytes(folder));
    }
};

} // namespace

class ShellListInteractionTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir { QDir::currentPath() + QStringLiteral("/interaction-XXXXXX") };
    // Del puts items in a trash: the test's own, beside its folder.
    QTemporaryDir m_data { QDir::currentPath() + QStringLiteral("/interaction-data-XXXXXX") };

    [[nodiscard]] QString Path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path())); }

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("sub/deeper"))));
        Touch(Path(QStringLiteral("file.txt")));
        Touch(Path(QStringLiteral("sub/inside.txt")));
    }

    void openingEntersFoldersFollowsShortcutsAndLeavesFilesToTheHandler()
    {
        TListOn on(m_dir.path());
        TPTShellList& list = on.List;
        int opened = 0;
        list.OnDblClickOpen = [&](framework::TObject*, bool& handled) {
            ++opened;
            handled = true;
        };
        // A file goes to the handler, which takes it: the folder stays.
        TListItem* file = ItemNamed(list, QStringLiteral("file.txt"));
        QVERIFY(file);
        list.SetSelected(file);
        const QRect rect = list.visualRect(list.Items().IndexOf(file));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(opened, 1);
        QCOMPARE(list.Folder().GetPathName(), Bytes(m_dir.path()));

        // A folder is entered by a double click.
        TListItem* sub = ItemNamed(list, QStringLiteral("sub"));
        list.SetSelected(sub);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
            list.visualRect(list.Items().IndexOf(sub)).center());
        QCOMPARE(list.Folder().GetPathName(), Bytes(Path(QStringLiteral("sub"))));
        QCOMPARE(Captions(list),
            (QStringList { QStringLiteral("deeper"), QStringLiteral("inside.txt") }));
        QCOMPARE(opened, 1);

        // A shortcut to a folder opens that folder instead of running the shortcut.
        QCOMPARE(CreateQuickShortcut(Bytes(Path(QStringLiteral("to-deeper.lnk"))),
                     Bytes(Path(QStringLiteral("sub/deeper")))),
            win32::S_OK);
        list.Folder().SetPathName(Bytes(m_dir.path()));
        list.OpenItem(ItemNamed(list, QStringLiteral("to-deeper.lnk")));
        QCOMPARE(list.Folder().GetPathName(), Bytes(Path(QStringLiteral("sub/deeper"))));
        QCOMPARE(opened, 1);

        // With the folder fixed, opening a folder or going up does nothing.
        list.Folder().SetPathName(Bytes(m_dir.path()));
        list.SetOptions(list.Options() | ShellListOption(ptsloDontChangeFolder));
        list.OpenItem(ItemNamed(list, QStringLiteral("sub")));
        list.GoUp(1);
        QCOMPARE(list.Folder().GetPathName(), Bytes(m_dir.path()));
    }

    void whatNothingOpensSaysWhyAndFifosNeverReachAnOpener()
    {
        // The desktop's opener is found on the PATH: first there is none, then one of the
        // test's own that notes everything it is handed.
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QByteArray path = qgetenv("PATH");
        struct TRestore
        {
            QByteArray Path;
            ~TRestore() { qputenv("PATH", Path); }
        } restore { path };
        qputenv("PATH", QFile::encodeName(bin.path()));
        QCOMPARE(::mkfifo(Bytes(Path(QStringLiteral("pipe"))).c_str(), 0644), 0);
        QCOMPARE(::mkfifo(Bytes(Path(QStringLiteral("pipe.lnk"))).c_str(), 0644), 0);
        // What the namespace's open command tells, beside the list's own boxes.
        sondrel::platform::QuietCommandUi ui;
        sondrel::platform::InstallCommandUi(&ui);
        struct TUninstall
        {
            ~TUninstall() { sondrel::platform::InstallCommandUi(nullptr); }
        } uninstall;
        TListOn on(m_dir.path());
        TPTShellList& list = on.List;
        auto said = [&list, &ui]() {
            QStringList texts;
            for (const std::string& told : ui.Told)
                texts << QString::fromStdString(told);
            ui.Told.clear();
            for (QMessageBox* box : list.findChildren<QMessageBox*>()) {
                texts << box->text();
                box->close();
                delete box;
            }
            return texts;
        };

        list.OpenItem(ItemNamed(list, QStringLiteral("file.txt")));
        QCOMPARE(said(),
            QStringList { QStringLiteral("Cannot open \u201Cfile.txt\u201D: No application is set "
                                         "to open the item") });

        const QString log = bin.filePath(QStringLiteral("handed"));
        const QString opener = bin.filePath(QStringLiteral("xdg-open"));
        {
            QFile script(opener);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + QFile::encodeName(log) + "'\n");
        }
        QVERIFY(QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner));
        // A FIFO (also one named like a shortcut) is never handed on, and the window says why.
        for (const QString& name : { QStringLiteral("pipe"), QStringLiteral("pipe.lnk") }) {
            list.OpenItem(ItemNamed(list, name));
            QCOMPARE(said(),
                QStringList { QStringLiteral("Cannot open \u201C%1\u201D: The item is a FIFO, "
                                             "socket or device, which is never opened")
                                  .arg(name) });
        }
        // A file is handed on (where the platform has a desktop opener at all).
        list.OpenItem(ItemNamed(list, QStringLiteral("file.txt")));
        if (said().isEmpty())
            QTRY_VERIFY(QFile::exists(log));
        if (QFile::exists(log)) {
            QFile handed(log);
            QVERIFY(handed.open(QIODevice::ReadOnly));
            QVERIFY(!handed.readAll().contains("pipe"));
        }
    }

    void keysRunTheKeyTableAndGoUp()
    {
        TListOn on(Path(QStringLiteral("sub")));
        TPTShellList& list = on.List;
        list.SetMultiSelect(true);
        list.setFocus();
        int fills = 0;
        int deletions = 0;
        list.OnFillStart = [&](framework::TObject*) { ++fills; };
        list.OnDeleteItem = [&](framework::TObject*, TListItem*, TPTShListData*) { ++deletions; };

        QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list.SelCount(), 2);
        QCOMPARE(list.ShellSelCount(), 2);
        // F5 rebuilds: every item goes and comes back.
        QTest::keyClick(&list, Qt::Key_F5);
        QCOMPARE(fills, 1);
        QCOMPARE(deletions, 2);
        QCOMPARE(list.Items().Count(), 2);
        // Del and Ctrl+V refresh after their command; Ctrl+C and Ctrl+X do not. Del puts the
        // selection in the trash; Shift+Del asks first, and without dialogs the answer is no.
        list.SetSelected(ItemNamed(list, QStringLiteral("inside.txt")));
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&list, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(fills, 1);
        QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(fills, 2);
        QVERIFY(QFile::exists(Path(QStringLiteral("sub/inside.txt"))));
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(fills, 3);
        QVERIFY(!QFile::exists(Path(QStringLiteral("sub/inside.txt"))));
        QVERIFY(QFile::exists(m_data.filePath(QStringLiteral("Trash/files/inside.txt"))));
        QCOMPARE(deletions, 3);
        // The cut item went to the trash meanwhile: pasting it finds nothing and makes nothing.
        QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(fills, 4);
        QCOMPARE(
            QDir(Path(QStringLiteral("sub"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList { QStringLiteral("deeper") });

        // Backspace goes up one level.
        QTest::keyClick(&list, Qt::Key_Backspace);
        QCOMPARE(list.Folder().GetPathName(), Bytes(m_dir.path()));

        // Without the default key handling none of it happens.
        list.SetOptions(list.Options() & ~ShellListOption(ptsloDefaultKeyHandling));
        fills = 0;
        QTest::keyClick(&list, Qt::Key_F5);
        QTest::keyClick(&list, Qt::Key_Backspace);
        QCOMPARE(fills, 0);
        QCOMPARE(list.Folder().GetPathName(), Bytes(m_dir.path()));
    }

    void enterOnAFolderIsTheListsNotTheWindowsDefault()
    {
        QWidget window;
        int defaults = 0;
        auto* action = new QAction(&window);
        action->setShortcut(Qt::Key_Return);
        window.addAction(action);
        connect(action, &QAction::triggered, &window, [&] { ++defaults; });
        auto* list = new TPTShellList(&window);
        list->resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        list->Folder().SetPathName(Bytes(m_dir.path()));
        list->setFocus();
        // On a file the window's default takes Enter; on a folder the list keeps it.
        list->SetSelected(ItemNamed(*list, QStringLiteral("file.txt")));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(defaults, 1);
        list->SetSelected(ItemNamed(*list, QStringLiteral("sub")));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(defaults, 1);
        QCOMPARE(list->Folder().GetPathName(), Bytes(Path(QStringLiteral("sub"))));
    }

    void renamingGoesThroughTheNamespaceWithTheTrimmedName()
    {
        Touch(Path(QStringLiteral("taken.txt")));
        TListOn on(m_dir.path());
        TPTShellList& list = on.List;
        list.setFocus();
        TListItem* file = ItemNamed(list, QStringLiteral("file.txt"));
        list.SetSelected(file);
        list.SetItemFocused(file);
        QTest::keyClick(&list, Qt::Key_F2);
        QVERIFY(list.IsEditing());
        auto* editor = qobject_cast<QLineEdit*>(list.indexWidget(list.Items().IndexOf(file)));
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("file.txt"));
        editor->setText(QStringLiteral("  renamed.txt  "));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list.IsEditing()); // the editor commits from the loop
        QVERIFY(QFile::exists(Path(QStringLiteral("renamed.txt"))));
        QVERIFY(!QFile::exists(Path(QStringLiteral("file.txt"))));
        QCOMPARE(Caption(list, file->Index()), QStringLiteral("renamed.txt"));
        QCOMPARE(
            list.GetDataFromItem(file)->GetPathName(), Bytes(Path(QStringLiteral("renamed.txt"))));
        // The notice of our own rename brings no refresh.
        QTRY_VERIFY_WITH_TIMEOUT(!list.OwnChangePending(), 10000);
        QVERIFY(!list.RefreshTimerRunning());

        // A name that is taken is refused: both files stay as they were.
        QVERIFY(file->EditCaption());
        editor = qobject_cast<QLineEdit*>(list.indexWidget(list.Items().IndexOf(file)));
        QVERIFY(editor);
        editor->setText(QStringLiteral("taken.txt"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list.IsEditing());
        QVERIFY(QFile::exists(Path(QStringLiteral("renamed.txt"))));
        QFile taken(Path(QStringLiteral("taken.txt")));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("x"));
        QCOMPARE(Caption(list, file->Index()), QStringLiteral("renamed.txt"));
        for (QWidget* box : QApplication::topLevelWidgets())
            if (box->inherits("QMessageBox"))
                box->close();
    }

    void aNewFolderIsListedAndEdited()
    {
        TListOn on(m_dir.path());
        TPTShellList& list = on.List;
        const int before = list.Items().Count();
        QVERIFY(list.CreateNewFolder(true));
        QVERIFY(QFileInfo(Path(QStringLiteral("New Folder"))).isDir());
        QCOMPARE(list.Items().Count(), before + 1);
        QCOMPARE(Caption(list, before), QStringLiteral("New Folder"));
        QTRY_VERIFY(list.IsEditing());
        QCOMPARE(list.ItemFocused(), list.Items()[before]);
        // A second one takes the next free name and never touches the first.
        QVERIFY(list.CreateNewFolder(false));
        QVERIFY(QFileInfo(Path(QStringLiteral("New Folder (2)"))).isDir());

        // A folder without a path has nowhere to put one.
        list.Folder().SetCSIDL(csidlDrives);
        QVERIFY(!list.CreateNewFolder(false));
    }

    // The folder's own commands (Ctrl+V): nothing to paste is no failure; a failure the command
    // told the user of is not raised again; the rest raise the system's error.
    void theFoldersCommandsRaiseWhatNobodyWasTold()
    {
        TListOn on(Path(QStringLiteral("sub")));
        TPTShellList& list = on.List;
        platform::QuietCommandUi ui;
        platform::InstallCommandUi(&ui);
        const framework::TAtScopeEnd uninstall([] { platform::InstallCommandUi(nullptr); });
        const auto raised = [&](const char* verb) -> win32::HRESULT {
            try {
                list.DoCommandForFolder(verb);
            } catch (const EOleSysError& error) {
                return error.ErrorCode();
            }
            return win32::S_OK;
        };

        platform::ClearClipboard();
        QCOMPARE(raised("paste"), win32::S_OK);
        QVERIFY(ui.Told.empty());
        // A cut whose file has gone since: the paste says so itself, and nothing is raised.
        platform::PutOnClipboard({ { Bytes(Path(QStringLiteral("gone"))) }, true });
        QCOMPARE(raised("paste"), win32::S_OK);
        QVERIFY(!ui.Told.empty());
        const std::size_t told = ui.Told.size();
        QVERIFY(QFile::exists(Path(QStringLiteral("sub/inside.txt"))));
        // A verb the folder's menu lacks is the invocation's failure.
        QCOMPARE(raised("explore"), win32::E_INVALIDARG);
        // "Computer" takes nothing pasted: its menu (opening disk images) has no paste to invoke.
        list.Folder().SetCSIDL(csidlDrives);
        QCOMPARE(raised("paste"), win32::E_FAIL);
        QCOMPARE(ui.Told.size(), told);
    }

    void changeNoticesAndDeviceChangesRefresh()
    {
        TListOn on(m_dir.path());
        TPTShellList& list = on.List;
        TListItem* file = ItemNamed(list, QStringLiteral("file.txt"));
        list.SetSelected(file);
        Touch(Path(QStringLiteral("added.txt")));
        // A notice starts the timer (a burst gives one refresh); Synchronize runs it at once.
        QCoreApplication::postEvent(&list, new framework::TMessageEvent(AM_CHANGENOTIFY, 0, 0));
        QCoreApplication::postEvent(&list, new framework::TMessageEvent(AM_CHANGENOTIFY, 0, 0));
        QCoreApplication::processEvents();
        QVERIFY(list.RefreshTimerRunning());
        list.Synchronize(false);
        QVERIFY(!list.RefreshTimerRunning());
        QCOMPARE(Captions(list).last(), QStringLiteral("added.txt"));
        QVERIFY(file->Selected());

        // A device coming refills "Computer", and nothing else.
        int fills = 0;
        list.OnFillStart = [&](framework::TObject*) { ++fills; };
        TMessage arrival { win32::WM_DEVICECHANGE, win32::DBT_DEVICEARRIVAL, 0, 0 };
        PTDeviceChangeHandler()->WndProc(arrival);
        QCoreApplication::processEvents();
        QCOMPARE(fills, 0);
        list.Folder().SetCSIDL(csidlDrives);
        fills = 0;
        PTDeviceChangeHandler()->WndProc(arrival);
        QCoreApplication::processEvents();
        QCOMPARE(fills, 1);
        QVERIFY(list.Items().Count() >= 1);
    }
};

QTEST_MAIN(ShellListInteractionTest)
#include "ShellListInteractionTest.moc"
