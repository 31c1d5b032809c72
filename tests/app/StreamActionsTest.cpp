// Doing something with a stream in the main window, on real files: telling the kinds apart,
// selecting, copying, going to an offset and finding inside the dump, saving a stream whole.
// Under a real X server (ctest runs it under Xvfb too) the clipboard is also read by xclip,
// as another program sees it.

#include "DumpGeometry.h"
#include "FolderDropTarget.h"
#include "HexDump.h"
#include "Main.h"
#include "MainFormSupport.h"
#include "NtfsImage.h"
#include "ShellDragDrop.h"
#include "ShellHeld.h"
#include "StreamList.h"
#include "TempDir.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressDialog>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sondrel;
using namespace sondrel::framework;
using test::SelectStream;
using test::ShowFile;

namespace {

QString Role(app::TMainForm& form, int row, int role)
{
    return form.StreamList->model()->data(form.StreamList->model()->index(row, 0), role).toString();
}

std::string Dump(const std::string& bytes, streams::DumpLine first, streams::DumpLine end)
{
    std::string text;
    for (streams::DumpLine i = first; i < end; ++i) {
        const auto at = static_cast<std::size_t>(streams::DumpLineOffset(i));
        streams::AppendDumpLine(text, reinterpret_cast<const std::uint8_t*>(bytes.data()) + at,
            static_cast<int>(std::min<std::size_t>(16, bytes.size() - at)),
            static_cast<std::uint32_t>(at));
        text += '\n';
    }
    return text;
}

QStringList Entries(const std::string& folder)
{
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// What another program reads from the clipboard as `target`; null off X or without xclip.
QByteArray Xclip(const QString& target)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        return {};
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target,
            QStringLiteral("-o") });
    if (!xclip.waitForStarted(5000))
        return {};
    // The clipboard's owner answers xclip from the event loop.
    for (int i = 0; i < 200 && xclip.state() != QProcess::NotRunning; ++i)
        QTest::qWait(50);
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished(1000);
        return {};
    }
    return xclip.readAllStandardOutput();
}

} // namespace

class StreamActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachKindSaysWhatItIs()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        // Two allocated ranges with a hole between them make sparse blocks.
        const std::string sparse = dir / "sparse";
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        const std::string block(65536, 's');
        QCOMPARE(::pwrite(fd, block.data(), block.size(), 0), ssize_t(block.size()));
        QCOMPARE(::pwrite(fd, block.data(), block.size(), 4 << 20), ssize_t(block.size()));
        ::close(fd);
        QVERIFY(test::SetXattr(sparse, "user.ads", std::string(2097, 'a')));
        // Other readable attributes make the extended-attributes stream (trusted.* as root).
        const bool eas = ::geteuid() == 0 && test::SetXattr(sparse, "trusted.note", "t");
        test::WriteFile(dir / "large", std::string(20971520, 'l'));

        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("sparse")));
        // A screen reader hears the kind in each stream's name, where the eye sees the icon.
        QStringList tips;
        const QStringList names = test::StreamAccessibleNames(form);
        QCOMPARE(names.size(), form.StreamList->Items().Count());
        for (int row = 0; row < form.StreamList->Items().Count(); ++row) {
            tips << Role(form, row, Qt::ToolTipRole);
            QCOMPARE(
                names[row], Role(form, row, Qt::DisplayRole) + QStringLiteral(", ") + tips.back());
        }
        QCOMPARE(tips.front(), QStringLiteral("Security descriptor"));
        QVERIFY(names.contains(QStringLiteral("ads, Named stream")));
        if (eas)
            QVERIFY2(
                tips.contains(QStringLiteral("Extended attributes")), qPrintable(tips.join(u',')));
        if (tips.contains(QStringLiteral("Sparse block at 0"))) {
            QVERIFY(tips.contains(QStringLiteral("Main data")));
            QVERIFY(tips.contains(QStringLiteral("Sparse block at %1").arg(4 << 20)));
        } else {
            QVERIFY2(tips.contains(QStringLiteral("Main data")), qPrintable(tips.join(u',')));
        }
        // The status line names the selected stream's kind and full size.
        SelectStream(form, QStringLiteral("ads"));
        QVERIFY(form.StatusLine->SimpleText().contains(QStringLiteral("Named stream, 2097 bytes")));

        // A 20 MB size shows whole in its column.
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("large")));
        const int width = form.StreamList->header()->sectionSize(1);
        QVERIFY(
            width >= form.StreamList->fontMetrics().horizontalAdvance(QStringLiteral("20971520")));
    }

    void keyboardSelectionCopiesThoseLines()
    {
        test::TempDir dir;
        std::string bytes(100, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 3);
        test::WriteFile(dir / "file", bytes);
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("file")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        form.ScrollBox1->setFocus();
        // To line 3, then Shift+Down over lines 3, 4 and 5.
        QTest::keyClick(form.ScrollBox1, Qt::Key_Down);
        QTest::keyClick(form.ScrollBox1, Qt::Key_Down);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(form.ScrollBox1, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(form.DumpPane().Selection().From, 32u);
        QCOMPARE(form.DumpPane().Selection().To, 80u);
        // A screen reader is told the same selection, from the first byte's hex digits to the
        // last one's character.
        QAccessibleTextInterface* text
            = QAccessible::queryAccessibleInterface(form.ScrollBox1)->textInterface();
        QCOMPARE(text->selectionCount(), 1);
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(start, int(streams::DumpTextLineStart(2) + streams::DumpHexColumn(2, 0)));
        QCOMPARE(end, int(streams::DumpTextLineStart(4) + streams::DumpCharColumn(4, 15) + 1));
        QVERIFY(text->text(start, end).startsWith(QStringLiteral("60 63 66")));
        QTest::keyClick(form.ScrollBox1, Qt::Key_C, Qt::ControlModifier);
        const std::string lines = Dump(bytes, 2, 5);
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), lines);
        const bool onX = QGuiApplication::platformName() == QStringLiteral("xcb");
        if (onX && QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xclip is not installed: the clipboard cannot be read as another program");
        if (onX)
            QCOMPARE(Xclip(QStringLiteral("UTF8_STRING")).toStdString(), lines);

        // Ctrl+A takes everything shown; the copy forms of the menu, byte for byte.
        QTest::keyClick(form.ScrollBox1, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(form.DumpPane().Selection().To, 100u);
        form.StreamMenu().CopyBytes(false);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(
                     QStringLiteral("application/octet-stream")),
            QByteArray::fromStdString(bytes));
        if (onX)
            QCOMPARE(Xclip(QStringLiteral("application/octet-stream")),
                QByteArray::fromStdString(bytes));
        form.StreamMenu().CopyText(true);
        QString shown;
        for (const char c : bytes)
            shown += static_cast<unsigned char>(c) >= 0x1F && static_cast<unsigned char>(c) <= 0x7E
                ? QChar::fromLatin1(c)
                : QChar(u'.');
        QCOMPARE(QGuiApplication::clipboard()->text(), shown);
        if (onX)
            QCOMPARE(Xclip(QStringLiteral("UTF8_STRING")), shown.toUtf8());
        form.StreamMenu().CopyDump(true);
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), Dump(bytes, 0, 7));
        if (onX)
            QCOMPARE(Xclip(QStringLiteral("UTF8_STRING")).toStdString(), Dump(bytes, 0, 7));
        // Both menus offer the same commands, in this order.
        for (const bool wholeStream : { true, false }) {
            QStringList texts;
            const std::unique_ptr<QMenu> menu = form.StreamMenu().MakeMenu(wholeStream);
            for (const QAction* action : menu->actions())
                if (!action->isSeparator())
                    texts << action->text();
            QCOMPARE(texts,
                QStringList({ QString::fromUtf8("&Save stream as\u2026"),
                    QStringLiteral("Copy as &hex dump"), QStringLiteral("Copy as &text"),
                    QStringLiteral("Copy as &raw bytes"), QStringLiteral("Copy &name") }));
        }
        form.StreamMenu().CopyName();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<default>"));
        if (onX)
            QCOMPARE(Xclip(QStringLiteral("UTF8_STRING")), QByteArray("<default>"));
    }

    // A drag with the mouse from the hex digits of byte 5 to the character of byte 20 selects
    // both and all between, drawn in the highlight colour.
    void mouseSelectsAndTheSelectionIsDrawn()
    {
        test::TempDir dir;
        test::WriteFile(dir / "file", std::string(64, 'm'));
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("file")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        const int width = QFontMetrics(form.PaintBox1->Font().ToQFont()).horizontalAdvance(u'0');
        const auto at = [&](int column, streams::DumpLine line) {
            return QPoint(
                column * width + width / 2, static_cast<int>(line * streams::kDumpLinePitch) + 8);
        };
        QTest::mousePress(form.PaintBox1, Qt::LeftButton, {}, at(streams::DumpHexColumn(0, 5), 0));
        QTest::mouseMove(form.PaintBox1, at(streams::DumpCharColumn(1, 4), 1));
        QTest::mouseRelease(
            form.PaintBox1, Qt::LeftButton, {}, at(streams::DumpCharColumn(1, 4), 1));
        QCOMPARE(form.DumpPane().Selection().From, 5u);
        QCOMPARE(form.DumpPane().Selection().To, 21u);
        const QImage picture = form.PaintBox1->grab().toImage();
        const QColor highlight = form.palette().color(QPalette::Highlight);
        const auto marked = [&](QPoint point) {
            for (int x = point.x() - width / 2; x < point.x() + width / 2; ++x)
                for (int y = point.y() - 6; y < point.y() + 6; ++y)
                    if (picture.pixelColor(x, y) == highlight)
                        return true;
            return false;
        };
        QVERIFY(marked(at(streams::DumpHexColumn(0, 9), 0)));
        QVERIFY(marked(at(streams::DumpCharColumn(0, 9), 0)));
        QVERIFY(!marked(at(streams::DumpHexColumn(0, 2), 0)));
        QVERIFY(!marked(at(streams::DumpCharColumn(1, 8), 1)));

        // Dragged out, the stream becomes a file named after it, holding all of it.
        const QString file = form.StreamMenu().ExportForDrag();
        QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("file (main data)"));
        QCOMPARE(test::ReadWholeFile(file.toStdString()), std::string(64, 'm'));
    }

    // Dragged out, a stream becomes a file named after it holding all of it; dropped on one of
    // our folders it lands beside a file of that name, never over it, and nobody is asked.
    void aDraggedStreamArrivesAsANewFile()
    {
        test::TempDir dir;
        test::WriteFile(dir / "file", "stream bytes");
        test::TempDir target;
        test::WriteFile(target / "file (main data)", "kept");
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("file")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        const std::unique_ptr<QMimeData> mime(form.StreamMenu().DragData());
        QVERIFY(mime);
        // Another file manager reads a URI list of one file.
        const QList<QUrl> urls = mime->urls();
        QCOMPARE(urls.size(), 1);
        QCOMPARE(QFileInfo(urls[0].toLocalFile()).fileName(), QStringLiteral("file (main data)"));
        QCOMPARE(test::ReadWholeFile(urls[0].toLocalFile().toStdString()), "stream bytes");

        for (int drop = 0; drop < 2; ++drop) {
            using namespace win32;
            const shell::Held<IDataObject_NRC> data(shell::DataObjectOf(*mime));
            QVERIFY(data.Pointer);
            const shell::Held<IDropTarget_NRC> folder(
                platform::FolderDropTarget::Create(target.Path(), false));
            DWORD effect = DROPEFFECT_COPY;
            QCOMPARE(folder.Pointer->DragEnter(data.Pointer, 0, { 0, 0 }, &effect), S_OK);
            QCOMPARE(effect, DROPEFFECT_COPY);
            QCOMPARE(folder.Pointer->Drop(data.Pointer, 0, { 0, 0 }, &effect), S_OK);
        }
        QCOMPARE(Entries(target.Path()),
            QStringList(
                { QStringLiteral("file (main data)"), QStringLiteral("file (main data) (copy 2)"),
                    QStringLiteral("file (main data) (copy)") }));
        QCOMPARE(test::ReadWholeFile(target / "file (main data)"), "kept");
        QCOMPARE(test::ReadWholeFile(target / "file (main data) (copy)"), "stream bytes");
        QCOMPARE(test::ReadWholeFile(target / "file (main data) (copy 2)"), "stream bytes");
    }

    // A large save shows its progress to the end; cancelled, it leaves no file of its own and
    // the file it was to replace as it was.
    void aLargeSaveShowsItsProgressAndACancelLeavesNothing()
    {
        test::TempDir dir;
        std::string bytes(48 << 20, '\0');
        for (std::size_t i = 0; i < bytes.size(); i += 4099)
            bytes[i] = static_cast<char>(i / 4099);
        test::WriteFile(dir / "big", bytes);
        test::TempDir out;
        test::WriteFile(out / "kept", "old");
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("big")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        form.StreamMenu().SetProgressDelay(0);

        // The dialog runs the event loop while it shows: this watches it from there.
        bool cancel = false;
        int shown = 0;
        int highest = -1;
        QString label;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QProgressDialog*>(window);
                    dialog && dialog->isVisible()) {
                    ++shown;
                    label = dialog->labelText();
                    highest = std::max(highest, dialog->value());
                    if (cancel)
                        dialog->cancel();
                }
        });
        watch.start();
        QCOMPARE(
            form.StreamMenu().SaveChosenStream(QString::fromStdString(out / "whole")), QString());
        QVERIFY(shown > 0);
        QCOMPARE(label, QStringLiteral("Saving <default>..."));
        QVERIFY2(highest > 0, qPrintable(QString::number(highest)));
        QVERIFY(test::ReadWholeFile(out / "whole") == bytes);

        cancel = true;
        shown = 0;
        QCOMPARE(form.StreamMenu().SaveChosenStream(QString::fromStdString(out / "new")),
            QStringLiteral("Cancelled."));
        QVERIFY(shown > 0);
        QCOMPARE(form.StreamMenu().SaveChosenStream(QString::fromStdString(out / "kept")),
            QStringLiteral("Cancelled."));
        QCOMPARE(test::ReadWholeFile(out / "kept"), "old");
        // Neither the new file nor a half-written replacement beside the old one is left.
        QCOMPARE(
            Entries(out.Path()), QStringList({ QStringLiteral("kept"), QStringLiteral("whole") }));
    }

    // Held past the view's bottom or top edge, the mouse goes on selecting: the view scrolls
    // in bounded steps while the mouse stands still, and stops with the button.
    void aSelectionDraggedPastTheEdgeScrolls()
    {
        test::TempDir dir;
        test::WriteFile(dir / "file", std::string(65536, 'a'));
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("file")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        QList<int> positions { form.ScrollBox1->ScrollPosition() };
        connect(form.ScrollBox1->VertScrollBar(), &QScrollBar::valueChanged,
            [&](int value) { positions << value; });
        const auto drag = [&](QEvent::Type type, int y, Qt::MouseButtons buttons) {
            const QPointF at(40, y);
            QMouseEvent event(type, at, form.PaintBox1->mapToGlobal(at),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(form.PaintBox1, &event);
        };
        drag(QEvent::MouseButtonPress, 20, Qt::LeftButton);
        const std::uint64_t anchor = form.DumpPane().Selection().From;
        // Far below the view: however far, each step is a few lines.
        const int view = form.ScrollBox1->ClientRect().height();
        drag(QEvent::MouseMove, view + 2000, Qt::LeftButton);
        QTRY_VERIFY(positions.size() > 5);
        for (int i = 1; i < positions.size(); ++i) {
            QVERIFY(positions[i] > positions[i - 1]);
            QVERIFY2(positions[i] - positions[i - 1] <= 12 * streams::kDumpLinePitch,
                qPrintable(QString::number(positions[i] - positions[i - 1])));
        }
        QCOMPARE(form.DumpPane().Selection().From, anchor);
        // The selection reaches the last line in view.
        const auto bottom = static_cast<std::uint64_t>(
            (form.ScrollBox1->ScrollPosition() + view) / streams::kDumpLinePitch * 16);
        QVERIFY2(form.DumpPane().Selection().To + 32 >= bottom,
            qPrintable(QStringLiteral("%1 %2").arg(form.DumpPane().Selection().To).arg(bottom)));
        // Above the top it scrolls back up to the start, the anchor's byte still selected.
        drag(QEvent::MouseMove, -30, Qt::LeftButton);
        QTRY_COMPARE(form.ScrollBox1->ScrollPosition(), 0);
        // However many more steps the held button makes up there, the anchor stays put.
        QTest::qWait(300);
        QCOMPARE(form.DumpPane().Selection().From, 0u);
        QCOMPARE(form.DumpPane().Selection().To, anchor + 1);
        drag(QEvent::MouseMove, 10, Qt::LeftButton);
        drag(QEvent::MouseMove, 5, Qt::LeftButton);
        QCOMPARE(form.DumpPane().Selection().To, anchor + 1);
        // Released, it stays where it is.
        drag(QEvent::MouseMove, view + 50, Qt::LeftButton);
        QTRY_VERIFY(form.ScrollBox1->ScrollPosition() > 0);
        drag(QEvent::MouseButtonRelease, view + 50, Qt::NoButton);
        const int stopped = form.ScrollBox1->ScrollPosition();
        QTest::qWait(200);
        QCOMPARE(form.ScrollBox1->ScrollPosition(), stopped);
    }

    void findsAcrossLinesBothWaysAndGoesToOffsets()
    {
        test::TempDir dir;
        std::string bytes(16777216, 'x');
        bytes.replace(13, 6, "NEEDLE"); // straddles lines 0 and 1
        bytes.replace(bytes.size() - 4, 4, "TAIL");
        test::WriteFile(dir / "big", bytes);
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("big")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        app::TDumpPane& pane = form.DumpPane();
        QVERIFY(pane.Find("NEEDLE", true));
        QCOMPARE(pane.Selection().From, 13u);
        QCOMPARE(pane.Selection().To, 19u);
        QVERIFY2(!pane.FindNext(), "only one");
        QVERIFY(pane.Find("TAIL", true));
        QCOMPARE(pane.Selection().From, 16777212u);
        // The last line is in view.
        const int y = static_cast<int>(streams::DumpLineAt(16777212) * streams::kDumpLinePitch);
        QVERIFY(form.ScrollBox1->ScrollPosition() <= y);
        QVERIFY(y + 16 <= form.ScrollBox1->ScrollPosition() + form.ScrollBox1->height());
        // Backward from the end finds the one straddling two lines.
        QVERIFY(pane.Find(std::string("\x4e\x45\x45"), false));
        QCOMPARE(pane.Selection().From, 13u);
        QCOMPARE(form.ScrollBox1->ScrollPosition(), 0);

        QVERIFY(pane.GoTo(0xFFFFF0));
        const int line = static_cast<int>(streams::DumpLineAt(0xFFFFF0) * streams::kDumpLinePitch);
        QCOMPARE(form.ScrollBox1->ScrollPosition(),
            std::min(line, form.ScrollBox1->VertScrollBar()->maximum()));
        QVERIFY(!pane.GoTo(16777216));
    }

    void savesAStreamWholeOrNotAtAll()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        std::string main(20971520 + 5, '\0');
        for (std::size_t i = 0; i < main.size(); i += 4093)
            main[i] = static_cast<char>(i / 4093);
        test::WriteFile(dir / "file", main);
        QVERIFY(test::SetXattr(dir / "file", "user.note", "a named stream\n"));
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QVERIFY(ShowFile(form, dir.Path(), QStringLiteral("file")));
        QVERIFY(SelectStream(form, QStringLiteral("<default>")));
        // A saved stream is an ordinary new file: readable by others as the umask allows.
        const mode_t mask = ::umask(022);
        const QString saved
            = form.StreamMenu().SaveChosenStream(QString::fromStdString(dir / "main.out"));
        ::umask(mask);
        QCOMPARE(saved, QString());
        QVERIFY(test::ReadWholeFile(dir / "main.out") == main);
        struct stat st
        {
        };
        QCOMPARE(::stat((dir / "main.out").c_str(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0644));

        // A file the user chose to replace is replaced whole.
        test::WriteFile(dir / "note.out", std::string(100, 'o'));
        QVERIFY(SelectStream(form, QStringLiteral("note")));
        QCOMPARE(form.StreamMenu().SaveChosenStream(QString::fromStdString(dir / "note.out")),
            QString());
        QProcess getfattr;
        getfattr.start(QStringLiteral("getfattr"),
            { QStringLiteral("--only-values"), QStringLiteral("-n"), QStringLiteral("user.note"),
                QString::fromStdString(dir / "file") });
        if (getfattr.waitForFinished(10000) && getfattr.exitCode() == 0)
            QCOMPARE(getfattr.readAllStandardOutput().toStdString(),
                test::ReadWholeFile(dir / "note.out"));
        QCOMPARE(test::ReadWholeFile(dir / "note.out"), std::string("a named stream\n"));
    }

    void aStreamThatCannotBeReadWholeIsNotSaved()
    {
        test::NtfsImage volume;
        if (!volume.Usable() || !volume.Mount("streams_interface=windows"))
            QSKIP(qPrintable(
                QStringLiteral("no NTFS volume: ") + QString::fromStdString(volume.Problem())));
        test::WriteFile(volume / "large.txt", "main");
        test::WriteFile(volume / "large.txt:big", std::string(70000, 'b'));
        volume.Unmount();
        if (!volume.Mount())
            QSKIP(qPrintable(QString::fromStdString(volume.Problem())));
        test::TempDir out;
        {
            app::TMainForm form;
            QVERIFY(test::ShowForm(form));
            QVERIFY(ShowFile(form, volume.MountPoint(), QStringLiteral("large.txt")));
            QVERIFY(SelectStream(form, QStringLiteral("big")));
            const QString error
                = form.StreamMenu().SaveChosenStream(QString::fromStdString(out / "big"));
            QVERIFY(error.startsWith(QStringLiteral("The stream cannot be saved whole: ")));
            // No partial file is left behind, and a file it was to replace stays as it was.
            test::WriteFile(out / "kept", "old");
            QVERIFY(form.StreamMenu()
                        .SaveChosenStream(QString::fromStdString(out / "kept"))
                        .startsWith(QStringLiteral("The stream cannot be saved whole: ")));
            QCOMPARE(test::ReadWholeFile(out / "kept"), std::string("old"));
            QCOMPARE(QDir(QString::fromStdString(out.Path()))
                         .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                QStringList { QStringLiteral("kept") });
        }
        volume.Unmount();
    }
};

QTEST_MAIN(StreamActionsTest)
#include "StreamActionsTest.moc"
