// Drops onto the shell list on real files, with Qt's drag events: a folder item takes files
// (moved within a file system, copied with Ctrl), the shown folder takes them over empty space,
// a plain file takes none, names that are not UTF-8 arrive whole from another program's URI
// list, the bytes that leave with a drag, and autoscroll's pace.

#include "ShellDragDrop.h"

#include "ClipboardFormats.h"
#include "DataObjects.h"
#include "ShellList.h"
#include "ShellTree.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using namespace sondrel;
using namespace sondrel::shell;
using framework::TListItem;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

void Write(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

TListItem* ItemNamed(TPTShellList& list, const QString& name)
{
    for (int i = 0; i < list.Items().Count(); ++i)
        if (list.model()->data(list.model()->index(i, 0)).toString() == name)
            return list.Items()[i];
    return nullptr;
}

// Drags `mime` over the list to `at` and drops it there with `keys`; the action of the drop
// (IgnoreAction when refused).
Qt::DropAction DropAt(
    TPTShellList& list, QMimeData& mime, QPoint at, Qt::KeyboardModifiers keys = {})
{
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, keys);
    QApplication::sendEvent(list.viewport(), &enter);
    QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, keys);
    QApplication::sendEvent(list.viewport(), &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(list.viewport(), &leave);
        return Qt::IgnoreAction;
    }
    QDropEvent drop(QPointF(at), offered, &mime, Qt::NoButton, keys);
    QApplication::sendEvent(list.viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace

class ShellDragDropTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir { QDir::currentPath() + QStringLiteral("/dragdrop-XXXXXX") };
    QTemporaryDir m_data { QDir::currentPath() + QStringLiteral("/dragdrop-data-XXXXXX") };

    [[nodiscard]] QString Path(const QString& name) const { return m_dir.filePath(name); }

    void Show(TPTShellList& list, const QString& folder)
    {
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.Folder().SetPathName(Bytes(folder));
    }

    QPoint CenterOf(TPTShellList& list, const QString& name)
    {
        TListItem* item = ItemNamed(list, name);
        return item ? list.visualRect(list.model()->index(item->Index(), 0)).center() : QPoint();
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path())); }

    // Qt's folder removal skips names it cannot decode: the test's own go by their bytes.
    void cleanup()
    {
        for (const char* folder : { "elsewhere", "shown/folder" })
            (void)::unlink((Bytes(Path(QString::fromUtf8(folder))) + "/odd\xff").c_str());
    }

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(Path(QStringLiteral("shown/folder"))));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("elsewhere"))));
        Write(Path(QStringLiteral("shown/plain.txt")));
        Write(Path(QStringLiteral("elsewhere/a")));
        Write(Path(QStringLiteral("elsewhere/b")));
    }

    void filesDroppedOnAFolderItemMoveOrCopyAndOnAFileNothing()
    {
        TPTShellList list;
        Show(list, Path(QStringLiteral("shown")));
        QTRY_VERIFY(ItemNamed(list, QStringLiteral("folder")) != nullptr);

        // A plain file takes no drops: the folder shown takes them, no item is highlighted.
        std::unique_ptr<QMimeData> a(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/a"))) }, false }));
        QCOMPARE(DropAt(list, *a, CenterOf(list, QStringLiteral("plain.txt"))), Qt::MoveAction);
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/a"))));
        QVERIFY(!QFile::exists(Path(QStringLiteral("elsewhere/a"))));
        QVERIFY(list.DropHighlighted() == nullptr);

        std::unique_ptr<QMimeData> b(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/b"))) }, false }));
        QCOMPARE(DropAt(list, *b, CenterOf(list, QStringLiteral("folder"))), Qt::MoveAction);
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/folder/b"))));
        QVERIFY(!QFile::exists(Path(QStringLiteral("elsewhere/b"))));

        std::unique_ptr<QMimeData> shownA(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("shown/a"))) }, false }));
        QTRY_VERIFY(ItemNamed(list, QStringLiteral("folder")) != nullptr);
        QCOMPARE(
            DropAt(list, *shownA, CenterOf(list, QStringLiteral("folder")), Qt::ControlModifier),
            Qt::CopyAction);
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/folder/a"))));
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/a"))));

        // Over empty space the folder shown takes them, and the list shows them at once.
        const QPoint empty(200, list.viewport()->height() - 5);
        QVERIFY(list.GetItemAt(empty.x(), empty.y()) == nullptr);
        Write(Path(QStringLiteral("elsewhere/c")));
        std::unique_ptr<QMimeData> c(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/c"))) }, false }));
        QCOMPARE(DropAt(list, *c, empty, Qt::ControlModifier), Qt::CopyAction);
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/c"))));
        QVERIFY(ItemNamed(list, QStringLiteral("c")) != nullptr);
    }

    void theItemUnderADragIsDrawnAsTheDropTarget()
    {
        TPTShellList list;
        Show(list, Path(QStringLiteral("shown")));
        QTRY_VERIFY(ItemNamed(list, QStringLiteral("folder")) != nullptr);
        list.clearSelection();
        TListItem* folder = ItemNamed(list, QStringLiteral("folder"));
        const QRect cell = list.visualRect(list.model()->index(folder->Index(), 0));
        // Right of the name, where only the row's background is drawn.
        const QPoint background(cell.right() - 3, cell.center().y());
        const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
        // The style shades its highlight a little.
        auto highlighted = [&] {
            const QColor drawn = list.viewport()->grab().toImage().pixelColor(background);
            return std::abs(drawn.red() - highlight.red()) < 8
                && std::abs(drawn.green() - highlight.green()) < 8
                && std::abs(drawn.blue() - highlight.blue()) < 8;
        };
        QVERIFY(!highlighted());

        std::unique_ptr<QMimeData> a(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/a"))) }, false }));
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(cell.center(), offered, a.get(), Qt::LeftButton, {});
        QApplication::sendEvent(list.viewport(), &enter);
        QDragMoveEvent move(cell.center(), offered, a.get(), Qt::LeftButton, {});
        QApplication::sendEvent(list.viewport(), &move);
        QVERIFY(list.DropHighlighted() == folder);
        QVERIFY(highlighted());

        QDragLeaveEvent leave;
        QApplication::sendEvent(list.viewport(), &leave);
        QVERIFY(!highlighted());
    }

    void anotherProgramsUriListWithANameThatIsNotUtf8Arrives()
    {
        const std::string odd = Bytes(Path(QStringLiteral("elsewhere"))) + "/odd\xff";
        FILE* made = std::fopen(odd.c_str(), "w");
        QVERIFY(made);
        std::fclose(made);
        TPTShellList list;
        Show(list, Path(QStringLiteral("shown")));
        QTRY_VERIFY(ItemNamed(list, QStringLiteral("folder")) != nullptr);
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"),
            QByteArray("file://") + QUrl::toPercentEncoding(Path(QStringLiteral("elsewhere")), "/")
                + QByteArray("/odd%FF\r\n"));
        QCOMPARE(DropAt(list, mime, CenterOf(list, QStringLiteral("folder")), Qt::ControlModifier),
            Qt::CopyAction);
        const std::string arrived = Bytes(Path(QStringLiteral("shown/folder"))) + "/odd\xff";
        QVERIFY(::access(arrived.c_str(), F_OK) == 0);
    }

    void whatLeavesWithADragIsTheClipboardsBytes()
    {
        TPTShellList list;
        Show(list, Path(QStringLiteral("elsewhere")));
        QTRY_VERIFY(ItemNamed(list, QStringLiteral("a")) != nullptr);
        std::vector<PCItemIDList> items;
        for (const char* name : { "a", "b" })
            items.push_back(
                list.GetDataFromItem(ItemNamed(list, QString::fromUtf8(name)))->RelativeIdList());
        auto* data = new TDataObject_shlv(list.CurrentFolderIdList(), items);
        IDataObject_NRC* held = nullptr;
        QCOMPARE(data->QueryInterface(win32::IID_IDataObject, reinterpret_cast<void**>(&held)),
            win32::S_OK);
        std::unique_ptr<QMimeData> mime(MimeDataOf(*data));
        const std::vector<std::string> paths { Bytes(Path(QStringLiteral("elsewhere/a"))),
            Bytes(Path(QStringLiteral("elsewhere/b"))) };
        QCOMPARE(mime->data(QString::fromLatin1(platform::kIdListArrayMime)).toStdString(),
            platform::EncodeIdListArray(paths));
        QCOMPARE(mime->data(QStringLiteral("text/uri-list")).toStdString(),
            "file://" + paths[0] + "\r\nfile://" + paths[1] + "\r\n");
        // And it reads back as the same files.
        const auto back = platform::ReadMimeData(*mime);
        QVERIFY(back);
        QCOMPARE(back->Paths, paths);
        held->Release();
    }

    void hoveringNearAnEdgeScrollsAtMostEvery100Ms()
    {
        for (int i = 0; i < 200; ++i)
            Write(Path(QStringLiteral("shown/f%1").arg(i, 3, 10, QLatin1Char('0'))));
        TPTShellList list;
        Show(list, Path(QStringLiteral("shown")));
        QTRY_VERIFY(list.Items().Count() > 200);
        QScrollBar* bar = list.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        std::unique_ptr<QMimeData> mime(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/a"))) }, false }));
        const QPoint nearBottom(200, list.viewport()->height() - 3);
        QDragEnterEvent enter(nearBottom, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(list.viewport(), &enter);
        const int start = bar->value();
        for (int i = 0; i < 5; ++i) {
            QDragMoveEvent move(nearBottom, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
            QApplication::sendEvent(list.viewport(), &move);
        }
        // However fast the moves come, one step per 100 ms since the drag entered.
        QVERIFY(bar->value() - start <= 1 + clock.elapsed() / 100);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QDragMoveEvent move(nearBottom, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
                QApplication::sendEvent(list.viewport(), &move);
                return bar->value() > start;
            }(),
            5000);
        QDragLeaveEvent leave;
        QApplication::sendEvent(list.viewport(), &leave);
    }

    void theTreeTakesDropsOnNodesRefusesAFolderIntoItselfAndOpensWhereThePointerRests()
    {
        QVERIFY(QDir().mkpath(Path(QStringLiteral("shown/folder/inner/deeper"))));
        TPTShellTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelectedPathName(Bytes(Path(QStringLiteral("shown/folder"))));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        framework::TTreeNode* folder = tree.Selected();
        tree.SetSelectedPathName(Bytes(Path(QStringLiteral("shown/folder/inner"))));
        QTRY_VERIFY(tree.Selected() != folder);
        framework::TTreeNode* inner = tree.Selected();
        const QPoint onInner = tree.visualRect(tree.Items().IndexOf(inner)).center();
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        auto dropAt = [&](QMimeData& mime, QPoint at) {
            QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(tree.viewport(), &enter);
            QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(tree.viewport(), &move);
            if (!move.isAccepted()) {
                QDragLeaveEvent leave;
                QApplication::sendEvent(tree.viewport(), &leave);
                return Qt::IgnoreAction;
            }
            QDropEvent drop(QPointF(at), offered, &mime, Qt::NoButton, {});
            QApplication::sendEvent(tree.viewport(), &drop);
            return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        };

        // A folder onto its own descendant: refused, nothing moves.
        std::unique_ptr<QMimeData> itself(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("shown/folder"))) }, false }));
        QCOMPARE(dropAt(*itself, onInner), Qt::IgnoreAction);
        QVERIFY(QFileInfo(Path(QStringLiteral("shown/folder/inner"))).isDir());

        std::unique_ptr<QMimeData> a(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/a"))) }, false }));
        QCOMPARE(dropAt(*a, onInner), Qt::MoveAction);
        QVERIFY(QFile::exists(Path(QStringLiteral("shown/folder/inner/a"))));
        QVERIFY(tree.DropHighlighted() == nullptr);

        // Resting over the collapsed node opens it after the delay.
        inner = nullptr;
        tree.SetSelectedPathName(Bytes(Path(QStringLiteral("shown/folder/inner"))));
        QTRY_VERIFY(tree.SelectedItem() != nullptr);
        inner = tree.Selected();
        inner->Collapse(false);
        QVERIFY(!inner->Expanded());
        // Away from the edges, where the tree would scroll under the pointer.
        tree.scrollTo(tree.Items().IndexOf(inner), QAbstractItemView::PositionAtCenter);
        const QPoint rest = tree.visualRect(tree.Items().IndexOf(inner)).center();
        std::unique_ptr<QMimeData> b(
            platform::MakeMimeData({ { Bytes(Path(QStringLiteral("elsewhere/b"))) }, false }));
        QDragEnterEvent enter(rest, offered, b.get(), Qt::LeftButton, {});
        QApplication::sendEvent(tree.viewport(), &enter);
        QElapsedTimer rested;
        rested.start();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QDragMoveEvent move(rest, offered, b.get(), Qt::LeftButton, {});
                QApplication::sendEvent(tree.viewport(), &move);
                return inner->Expanded();
            }(),
            5000);
        QVERIFY(rested.elapsed() >= PTSH_AUTOOPEN_DELAY_MS);
        QDragLeaveEvent leave;
        QApplication::sendEvent(tree.viewport(), &leave);
    }
};

QTEST_MAIN(ShellDragDropTest)
#include "ShellDragDropTest.moc"
