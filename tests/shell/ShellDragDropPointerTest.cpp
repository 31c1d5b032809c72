// Drag and drop with a real pointer under a real X server, driven by xdotool: list items dropped
// onto a folder item move, or copy with Ctrl; the list's own empty space refuses them; Escape
// and a press of the other button cancel; a drag with the right button ends in a menu of what
// to do; a tree folder moves onto another; a drag resting still scrolls at an edge and opens a
// collapsed folder; and files travel both ways with another program (a
// peer built with the tests), with exact URIs, a name that is not UTF-8 among them. Runs only on
// the xcb platform (ctest starts it under Xvfb); elsewhere, or without xdotool, it skips.

#include "CommandDialogs.h"
#include "ShellList.h"
#include "ShellTree.h"
#include "UriPath.h"

#include <QDir>
#include <QDrag>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <set>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sondrel;
using namespace sondrel::shell;
using framework::TListItem;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// The names in `folder` by their bytes (Qt's listing skips names it cannot decode).
std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.insert(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

void Write(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "w");
    QVERIFY(file);
    std::fputs("x", file);
    std::fclose(file);
}

TListItem* ItemNamed(TPTShellList& list, const QString& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (list.model()->data(list.model()->index(i, 0)).toString() == name)
            return list.Items()[i];
    return nullptr;
}

// Runs xdotool with `args` while this process's event loop runs (a drag runs its own loop inside
// it). Bounded: past 20 s a drag still running is cancelled and xdotool killed.
bool Xdotool(const QStringList& args)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), args);
    if (!xdotool.waitForStarted(5000))
        return false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        QDrag::cancel();
        xdotool.kill();
    });
    watchdog.start(20'000);
    QElapsedTimer clock;
    clock.start();
    while (xdotool.state() != QProcess::NotRunning && clock.elapsed() < 25'000)
        QTest::qWait(20);
    if (xdotool.state() != QProcess::NotRunning) {
        xdotool.kill();
        xdotool.waitForFinished(1000);
        return false;
    }
    return watchdog.isActive() && xdotool.exitStatus() == QProcess::NormalExit
        && xdotool.exitCode() == 0;
}

// The pause after each step of the pointer: longer where another program has to keep up.
QString s_pause = QStringLiteral("0.25");

QStringList At(QPoint global)
{
    return { QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
        QStringLiteral("sleep"), s_pause };
}

// A press of `button` at `from`, a drag past the start distance to `to`, `beforeRelease` there,
// and the release.
QStringList DragPath(QPoint from, QPoint to, int button, const QStringList& beforeRelease = {})
{
    const QString b = QString::number(button);
    QStringList args = At(from);
    args << QStringLiteral("mousedown") << b << QStringLiteral("sleep") << s_pause;
    args << At(from + QPoint(6, 6)) << At(from + QPoint(14, 14)) << At(to) << At(to + QPoint(1, 1));
    args << beforeRelease;
    args << QStringLiteral("mouseup") << b << QStringLiteral("sleep") << QStringLiteral("0.3");
    return args;
}

// The other file manager: started at `x`, `y`, ready once its window is up.
class Peer
{
public:
    bool Start(const QStringList& args)
    {
        // On this X server, whatever platform the tests were told to use.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(SONDREL_DROP_PEER), args);
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running
            && clock.elapsed() < 10'000)
            QTest::qWait(20);
        return m_process.readLine().trimmed() == "ready";
    }
    // What it printed after "ready", once it has ended (bounded).
    QByteArray Finish()
    {
        QElapsedTimer clock;
        clock.start();
        while (m_process.state() != QProcess::NotRunning && clock.elapsed() < 10'000)
            QTest::qWait(20);
        return m_process.readAllStandardOutput().trimmed();
    }
    Peer() { s_pause = QStringLiteral("0.6"); }
    ~Peer()
    {
        s_pause = QStringLiteral("0.25");
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

private:
    QProcess m_process;
};

} // namespace

class ShellDragDropPointerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir { QDir::currentPath() + QStringLiteral("/dragdrop-xcb-XXXXXX") };
    QTemporaryDir m_data { QDir::currentPath() + QStringLiteral("/dragdrop-xcb-data-XXXXXX") };
    std::unique_ptr<TPTShellList> m_list;

    [[nodiscard]] std::string Path(const char* name) const
    {
        return Bytes(m_dir.path()) + "/" + name;
    }

    // The list at the screen's top left showing `folder`, its items there.
    void Show(const std::string& folder, const QString& waitFor)
    {
        m_list = std::make_unique<TPTShellList>();
        m_list->setGeometry(0, 0, 420, 320);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
        m_list->Folder().SetPathName(folder);
        QTRY_VERIFY(ItemNamed(*m_list, waitFor) != nullptr);
        m_list->activateWindow();
    }

    QPoint GlobalCenterOf(const QString& name)
    {
        TListItem* item = ItemNamed(*m_list, name);
        if (item == nullptr)
            return {};
        const QRect rect = m_list->visualRect(m_list->model()->index(item->Index(), 0));
        return m_list->viewport()->mapToGlobal(rect.center());
    }

    // Selects the item `name` alone.
    void Select(const QString& name)
    {
        TListItem* item = ItemNamed(*m_list, name);
        QVERIFY(item);
        m_list->clearSelection();
        item->SetSelected(true);
        item->SetFocused(true);
    }

    QPoint GlobalEmptySpace()
    {
        const QPoint local(m_list->viewport()->width() / 2, m_list->viewport()->height() - 8);
        return m_list->viewport()->mapToGlobal(local);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a real X server (ctest runs this test under Xvfb)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool to drive the pointer");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
        InstallShellCommandUi();
    }

    void init()
    {
        m_list.reset();
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(Path("shown/folder")))));
        Write(Path("shown/a"));
        Write(Path("shown/b"));
        Write(Path("shown/odd\xff"));
    }

    void cleanup()
    {
        m_list.reset();
        for (const char* name : { "shown/odd\xff", "shown/folder/odd\xff" })
            (void)::unlink(Path(name).c_str());
    }

    void anItemDroppedOnAFolderItemMovesAndWithCtrlCopies()
    {
        Show(Path("shown"), QStringLiteral("folder"));
        Select(QStringLiteral("a"));
        QVERIFY(Xdotool(DragPath(
            GlobalCenterOf(QStringLiteral("a")), GlobalCenterOf(QStringLiteral("folder")), 1)));
        QTRY_VERIFY(Exists(Path("shown/folder/a")));
        QVERIFY(!Exists(Path("shown/a")));
        QTRY_VERIFY(ItemNamed(*m_list, QStringLiteral("a")) == nullptr);

        Select(QStringLiteral("b"));
        QStringList withCtrl { QStringLiteral("keydown"), QStringLiteral("ctrl") };
        withCtrl << At(GlobalCenterOf(QStringLiteral("folder")) + QPoint(2, 2));
        QStringList args = DragPath(GlobalCenterOf(QStringLiteral("b")),
            GlobalCenterOf(QStringLiteral("folder")), 1, withCtrl);
        args << QStringLiteral("keyup") << QStringLiteral("ctrl");
        QVERIFY(Xdotool(args));
        QTRY_VERIFY(Exists(Path("shown/folder/b")));
        QVERIFY(Exists(Path("shown/b")));
    }

    void theListsOwnEmptySpaceRefusesItsItems()
    {
        Show(Path("shown"), QStringLiteral("a"));
        Select(QStringLiteral("a"));
        QVERIFY(Xdotool(DragPath(GlobalCenterOf(QStringLiteral("a")), GlobalEmptySpace(), 1)));
        QTest::qWait(300);
        QVERIFY(Exists(Path("shown/a")));
        QCOMPARE(Names(Path("shown")), (std::set<std::string> { "a", "b", "folder", "odd\xff" }));
    }

    void escapeAndTheOtherButtonCancel()
    {
        Show(Path("shown"), QStringLiteral("folder"));
        Select(QStringLiteral("a"));
        const QPoint from = GlobalCenterOf(QStringLiteral("a"));
        const QPoint to = GlobalCenterOf(QStringLiteral("folder"));
        QVERIFY(Xdotool(DragPath(from, to, 1,
            { QStringLiteral("key"), QStringLiteral("Escape"), QStringLiteral("sleep"),
                QStringLiteral("0.3") })));
        QTest::qWait(300);
        QVERIFY(Exists(Path("shown/a")));
        QVERIFY(!Exists(Path("shown/folder/a")));

        QVERIFY(Xdotool(DragPath(from, to, 1,
            { QStringLiteral("mousedown"), QStringLiteral("3"), QStringLiteral("sleep"),
                QStringLiteral("0.3"), QStringLiteral("mouseup"), QStringLiteral("3"),
                QStringLiteral("sleep"), QStringLiteral("0.3") })));
        QTest::qWait(300);
        QVERIFY(Exists(Path("shown/a")));
        QVERIFY(!Exists(Path("shown/folder/a")));
    }

    void aDragWithTheRightButtonEndsInAMenu()
    {
        Show(Path("shown"), QStringLiteral("folder"));
        Select(QStringLiteral("a"));
        const QPoint from = GlobalCenterOf(QStringLiteral("a"));
        const QPoint to = GlobalCenterOf(QStringLiteral("folder"));
        // "Copy Here" by its access key.
        QStringList args = DragPath(from, to, 3);
        args << QStringLiteral("sleep") << QStringLiteral("0.5") << QStringLiteral("key")
             << QStringLiteral("c") << QStringLiteral("sleep") << QStringLiteral("0.3");
        QVERIFY(Xdotool(args));
        QTRY_VERIFY(Exists(Path("shown/folder/a")));
        QVERIFY(Exists(Path("shown/a")));

        // "Create Links Here": a link in the folder to the item, which stays.
        Select(QStringLiteral("b"));
        args = DragPath(GlobalCenterOf(QStringLiteral("b")), to, 3);
        args << QStringLiteral("sleep") << QStringLiteral("0.5") << QStringLiteral("key")
             << QStringLiteral("l") << QStringLiteral("sleep") << QStringLiteral("0.3");
        QVERIFY(Xdotool(args));
        char target[4096] = {};
        QTRY_VERIFY(::readlink(Path("shown/folder/Link to b").c_str(), target, sizeof target) > 0);
        QCOMPARE(std::string(target), Path("shown/b"));

        // Dismissed: nothing happens.
        args = DragPath(GlobalCenterOf(QStringLiteral("b")), to, 3);
        args << QStringLiteral("sleep") << QStringLiteral("0.5") << QStringLiteral("key")
             << QStringLiteral("Escape") << QStringLiteral("sleep") << QStringLiteral("0.3");
        QVERIFY(Xdotool(args));
        QTest::qWait(300);
        QVERIFY(Exists(Path("shown/b")));
        QVERIFY(!Exists(Path("shown/folder/b")));
    }

    void urisTravelExactlyToAndFromAnotherProgram()
    {
        Show(Path("shown"), QStringLiteral("folder"));
        // Out: both items, the odd name percent-encoded byte for byte; the peer copies, so the
        // files stay.
        const QString received = m_dir.filePath(QStringLiteral("received"));
        {
            Peer peer;
            QVERIFY(peer.Start({ QStringLiteral("accept"), QStringLiteral("600"),
                QStringLiteral("100"), received }));
            m_list->SetMultiSelect(true);
            Select(QStringLiteral("a"));
            ItemNamed(*m_list, QString::fromUtf8("odd\xef\xbf\xbd"))->SetSelected(true);
            QVERIFY(Xdotool(DragPath(GlobalCenterOf(QStringLiteral("a")), QPoint(700, 200), 1)));
            QCOMPARE(peer.Finish(), QByteArray());
        }
        QFile got(received);
        QVERIFY(got.open(QIODevice::ReadOnly));
        const std::string uris = got.readAll().toStdString();
        QCOMPARE(QByteArray::fromStdString(uris),
            QByteArray::fromStdString(platform::FileUri(Path("shown/a")) + "\r\n"
                + platform::FileUri(Path("shown/odd\xff")) + "\r\n"));
        QVERIFY(Exists(Path("shown/a")) && Exists(Path("shown/odd\xff")));

        // In: the peer's URIs name the same files; dropped on the folder item they move there.
        {
            Peer peer;
            QVERIFY(peer.Start({ QStringLiteral("offer"), QStringLiteral("600"),
                QStringLiteral("100"), QString::fromStdString(platform::FileUri(Path("shown/b"))),
                QString::fromStdString(platform::FileUri(Path("shown/odd\xff"))) }));
            QVERIFY(
                Xdotool(DragPath(QPoint(700, 200), GlobalCenterOf(QStringLiteral("folder")), 1)));
            QCOMPARE(peer.Finish(), QByteArray("move"));
        }
        QVERIFY(Exists(Path("shown/folder/b")));
        QVERIFY(Exists(Path("shown/folder/odd\xff")));
        QVERIFY(!Exists(Path("shown/odd\xff")));
    }

    void aTreeFolderDroppedOnAnotherMovesIntoIt()
    {
        QVERIFY(QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(Path("shown/other")))));
        TPTShellTree tree;
        tree.setGeometry(0, 0, 420, 500);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelectedPathName(Path("shown/other"));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        framework::TTreeNode* other = tree.Selected();
        tree.SetSelectedPathName(Path("shown/folder"));
        QTRY_VERIFY(tree.Selected() != other);
        framework::TTreeNode* folder = tree.Selected();
        // Away from the edges, where a resting drag scrolls the tree under the pointer.
        tree.scrollTo(tree.Items().IndexOf(folder), QAbstractItemView::PositionAtCenter);
        auto centre = [&](framework::TTreeNode* node) {
            return tree.viewport()->mapToGlobal(
                tree.visualRect(tree.Items().IndexOf(node)).center());
        };
        QVERIFY(Xdotool(DragPath(centre(other), centre(folder), 1)));
        QTRY_VERIFY(Exists(Path("shown/folder/other")));
        QVERIFY(!Exists(Path("shown/other")));
    }

    // Qt tells a view of a drag only when the pointer moves: a still pointer must go on working.
    void aDragRestingNearTheEdgeScrollsAtMostEvery100Ms()
    {
        for (int i = 0; i < 200; ++i)
            Write(Path("shown/") + "f" + std::to_string(1000 + i));
        Show(Path("shown"), QStringLiteral("f1199"));
        QScrollBar* bar = m_list->verticalScrollBar();
        QVERIFY(bar->maximum() > 20);
        Select(QStringLiteral("a"));
        int steps = 0;
        connect(bar, &QScrollBar::valueChanged, [&] { ++steps; });
        // Once the scroll bars have settled, which shrinks the viewport.
        QTest::qWait(300);
        const QPoint nearBottom
            = m_list->viewport()->mapToGlobal(QPoint(150, m_list->viewport()->height() - 6));
        QStringList rest { QStringLiteral("sleep"), QStringLiteral("1.5"), QStringLiteral("key"),
            QStringLiteral("Escape") };
        QElapsedTimer clock;
        clock.start();
        QVERIFY(Xdotool(DragPath(GlobalCenterOf(QStringLiteral("a")), nearBottom, 1, rest)));
        // Resting 1.5 s: about 15 steps, never more than one per 100 ms of the whole drag.
        QVERIFY2(steps >= 8, qPrintable(QString::number(steps)));
        QVERIFY2(steps <= 1 + clock.elapsed() / 100, qPrintable(QString::number(steps)));
        QVERIFY(Exists(Path("shown/a")));
    }

    void aDragRestingOnACollapsedFolderOpensIt()
    {
        QVERIFY(QDir().mkpath(
            QFile::decodeName(QByteArray::fromStdString(Path("shown/folder/inner")))));
        QVERIFY(QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(Path("shown/other")))));
        TPTShellTree tree;
        tree.setGeometry(0, 0, 420, 500);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelectedPathName(Path("shown/folder/inner"));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        framework::TTreeNode* folder = tree.Selected()->Parent();
        tree.SetSelectedPathName(Path("shown/other"));
        QTRY_VERIFY(tree.Selected() != nullptr && tree.Selected()->Parent() == folder->Parent());
        framework::TTreeNode* other = tree.Selected();
        folder->Collapse(false);
        QVERIFY(!folder->Expanded());
        tree.scrollTo(tree.Items().IndexOf(folder), QAbstractItemView::PositionAtCenter);
        auto centre = [&](framework::TTreeNode* node) {
            return tree.viewport()->mapToGlobal(
                tree.visualRect(tree.Items().IndexOf(node)).center());
        };
        QVERIFY(Xdotool(DragPath(centre(other), centre(folder), 1,
            { QStringLiteral("sleep"), QStringLiteral("1.2"), QStringLiteral("key"),
                QStringLiteral("Escape") })));
        QVERIFY(folder->Expanded());
        QVERIFY(Exists(Path("shown/other")));
    }

    void filesFromAnotherFileSystemAreCopied()
    {
        struct stat shm
        {
        };
        struct stat here
        {
        };
        if (::stat("/dev/shm", &shm) != 0 || ::stat(Bytes(m_dir.path()).c_str(), &here) != 0
            || shm.st_dev == here.st_dev)
            QSKIP("needs /dev/shm on a file system of its own");
        QTemporaryDir elsewhere(QStringLiteral("/dev/shm/sondrel-dragdrop-XXXXXX"));
        QVERIFY(elsewhere.isValid());
        const std::string file = Bytes(elsewhere.filePath(QStringLiteral("far")));
        Write(file);
        Show(Path("shown"), QStringLiteral("folder"));
        Peer peer;
        QVERIFY(peer.Start({ QStringLiteral("offer"), QStringLiteral("600"), QStringLiteral("100"),
            QString::fromStdString(platform::FileUri(file)) }));
        QVERIFY(Xdotool(DragPath(QPoint(700, 200), GlobalCenterOf(QStringLiteral("folder")), 1)));
        QCOMPARE(peer.Finish(), QByteArray("copy"));
        QVERIFY(Exists(Path("shown/folder/far")));
        QVERIFY(Exists(file));
    }
};

QTEST_MAIN(ShellDragDropPointerTest)
#include "ShellDragDropPointerTest.moc"
