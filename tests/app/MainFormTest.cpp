// The main window as it ships: its layout, the hint path to the status line, the exception box,
// help, and the main use on real folders: stream counts in the file list, sorting by them, tips,
// a file's streams, the dump and the content pane's logical height, going up and into folders,
// on the offscreen platform (and, under a real X server, a screenshot of the window showing an
// NTFS volume).

#include "Application.h"
#include "DumpView.h"
#include "HexDump.h"
#include "Main.h"
#include "MainFormSupport.h"
#include "NtfsImage.h"
#include "StreamList.h"
#include "TempDir.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QHeaderView>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace sondrel;
using namespace sondrel::framework;

namespace {

// Where a control stands in the form's client area.
QRect InForm(const QWidget* control, const QWidget* form)
{
    return QRect(control->mapTo(form, QPoint(0, 0)), control->size());
}

// Shows `folder` in the window's file list and returns its item captioned `name`, or null.
TListItem* ShowFolder(app::TMainForm& form, const std::string& folder, const QString& name = {})
{
    form.FileList->Folder().SetPathName(folder);
    for (int i = 0; i < form.FileList->Items().Count(); ++i) {
        TListItem* item = form.FileList->Items()[i];
        if (form.FileList->model()->data(form.FileList->Items().IndexOf(item)).toString() == name)
            return item;
    }
    return nullptr;
}

QString Cell(app::TMainForm& form, TListItem* item, int column)
{
    return form.FileList->model()->data(form.FileList->Items().IndexOf(item, column)).toString();
}

QStringList Captions(app::TMainForm& form)
{
    QStringList captions;
    for (int i = 0; i < form.FileList->Items().Count(); ++i)
        captions << Cell(form, form.FileList->Items()[i], 0);
    return captions;
}

void ClickHeader(app::TMainForm& form, int column)
{
    QHeaderView* header = form.FileList->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutIsTheFormDescriptions()
    {
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QCOMPARE(form.size(), QSize(637, 514));
        QCOMPARE(form.windowTitle(), QStringLiteral("Sondrel"));
        const struct
        {
            QWidget* control;
            QRect bounds;
        } expected[] = {
            { form.StatusLine, QRect(0, 491, 637, 23) },
            { form.SpeedBar, QRect(0, 0, 637, 33) },
            { form.PTShellCombo1, QRect(4, 4, 221, 22) },
            { form.PTShellTree1, QRect(0, 33, 159, 235) },
            { form.UpBtn, QRect(232, 4, 27, 25) },
            { form.URLStatic1, QRect(276, 8, 117, 14) },
            { form.VersionLabel1, QRect(408, 10, 89, 13) },
            { form.SpeedButton1, QRect(600, 4, 27, 25) },
            { form.PTSplitter3, QRect(0, 33, 637, 458) },
            { form.PTSplitter2, QRect(0, 33, 637, 248) },
            { form.FileLabel, QRect(0, 33 + 248 - 13, 450, 13) },
            { form.PTSplitter4, QRect(0, 33, 450, 235) },
            { form.StreamLabel, QRect(453, 33 + 248 - 13, 184, 13) },
            { form.StreamList, QRect(453, 33, 184, 235) },
            { form.ScrollBox1, QRect(0, 33 + 251, 637, 207) },
        };
        for (const auto& want : expected)
            QCOMPARE(InForm(want.control, &form), want.bounds);
        QCOMPARE(form.PTSplitter4->Position(), 159);
        QCOMPARE(form.PaintBox1->Height(), 33);
        QCOMPARE(form.PaintBox1->width(), form.ScrollBox1->width());
        QCOMPARE(form.StreamList->Columns()[0]->Caption(), QStringLiteral("Name"));
        QCOMPARE(form.StreamList->Columns()[1]->Width(), 50);
        QVERIFY(form.StreamList->ReadOnly());
        QCOMPARE(form.StreamList->iconSize(), QSize(16, 16));
        QVERIFY(QFontInfo(form.FileLabel->font()).pixelSize() == 11);
        QVERIFY(form.URLStatic1->font().underline());
        QVERIFY(form.VersionLabel1->text().startsWith(QStringLiteral("Version ")));
        QVERIFY(form.FileLabel->text().isEmpty() && form.StreamLabel->text().isEmpty());
        QCOMPARE(form.StatusLine->SimpleText(), QString());
    }

    void everyControlIsNamedForScreenReaders()
    {
        app::TMainForm form;
        const struct
        {
            QWidget* control;
            const char* name;
        } expected[] = {
            { form.StreamList, "Stream list" },
            { form.PTShellTree1, "Folder tree" },
            { form.ScrollBox1, "Stream content" },
            { form.UpBtn, "To parent folder" },
            { form.SpeedButton1, "Help" },
            { form.URLStatic1, "Vaskel Software" },
        };
        for (const auto& want : expected) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(want.control);
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), QString::fromUtf8(want.name));
        }
        // A combo's name on this system is its current entry; what it is for is its own.
        QCOMPARE(form.PTShellCombo1->accessibleName(), QStringLiteral("Folder"));
        QCOMPARE(form.StreamList->accessibleDescription(),
            QStringLiteral("Select the stream of which you want to see the content."));
        QVERIFY(form.ScrollBox1->focusPolicy() & Qt::TabFocus);
        QVERIFY(form.URLStatic1->focusPolicy() & Qt::TabFocus);
    }

    void pointingAtAControlShowsItsHintInTheStatusLine()
    {
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        const struct
        {
            QWidget* control;
            const char* hint;
        } pointed[] = {
            { form.StreamList->viewport(),
                "Select the stream of which you want to see the content." },
            { form.PaintBox1, "The content of the selected stream is shown here." },
            { form.ScrollBox1, "The content of a stream can be seen here" },
            { form.SpeedButton1, "Help" },
            { form.URLStatic1, "Visit the Vaskel Website" },
        };
        for (const auto& point : pointed) {
            QEnterEvent enter(
                QPointF(1, 1), QPointF(1, 1), point.control->mapToGlobal(QPointF(1, 1)));
            QApplication::sendEvent(point.control, &enter);
            QCOMPARE(form.StatusLine->SimpleText(), QString::fromUtf8(point.hint));
            QCOMPARE(form.StatusLine->SimpleText(), GetHint(point.control));
        }
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(form.SpeedButton1, &leave);
        QCOMPARE(form.StatusLine->SimpleText(), QString());
    }

    void anExceptionFromAHandlerIsShownAndTheLoopGoesOn()
    {
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        form.SpeedButton1->OnClick = [](TObject*) { throw std::runtime_error("Disk on fire"); };
        QString shown;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            box->accept();
        });
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QCOMPARE(shown, QStringLiteral("Disk on fire."));

        int handled = 0;
        Application->OnException = [&](TObject*, std::exception_ptr) { ++handled; };
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        Application->OnException = nullptr;
        QCOMPARE(handled, 2);
    }

    void helpOpensAtItsContents()
    {
        app::TMainForm form;
        Application->SetHelpFile(QStringLiteral(SONDREL_HELP_FILE));
        form.SpeedButton1->click();
        QVERIFY(Application->HelpWindow());
        QTRY_VERIFY(Application->HelpWindow()->isVisible());
        QTextBrowser* browser = Application->HelpWindow()->Browser();
        QVERIFY(browser->toPlainText().startsWith(QStringLiteral("Sondrel")));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Stream kinds")));
        Application->HelpCommand(HELP_QUIT, 0);
        QVERIFY(!Application->HelpWindow()->isVisible());
    }

    void contentPaneHeightFollowsTheDump_data()
    {
        QTest::addColumn<uint>("length");
        QTest::addColumn<int>("height");
        QTest::newRow("empty") << 0u << 16;
        QTest::newRow("one byte") << 1u << 16;
        QTest::newRow("seventeen") << 17u << 32;
        QTest::newRow("forty") << 40u << 48;
        QTest::newRow("16 MB") << 16777216u << 16777216;
    }

    void contentPaneHeightFollowsTheDump()
    {
        QFETCH(uint, length);
        QFETCH(int, height);
        test::TempDir dir;
        // An empty stream is a named one: an empty file has no data stream.
        if (length == 0) {
            test::WriteFile(dir / "file", "");
            if (!test::SetXattr(dir / "file", "user.empty", ""))
                QSKIP("this file system keeps no user extended attributes");
        } else {
            test::WriteFile(dir / "file", std::string(length, 'x'));
        }
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        TListItem* file = ShowFolder(form, dir.Path(), QStringLiteral("file"));
        QVERIFY(file);
        file->SetSelected(true);
        // The security stream comes first and is selected; the stream measured comes last.
        QCOMPARE(form.StreamList->Items().Count(), 2);
        QCOMPARE(form.StreamList->ItemIndex(), 0);
        QCOMPARE(form.StreamLabel->text(), form.StreamList->Items()[0]->Caption());
        form.StreamList->Items()[1]->SetSelected(true);
        QCOMPARE(form.PaintBox1->Height(), height);
        QCOMPARE(form.StreamLabel->text(), form.StreamList->Items()[1]->Caption());
        QCOMPARE(form.FileLabel->text(), QString::fromStdString(dir / "file"));
        QCOMPARE(form.ScrollBox1->ContentHeight(), height);
        QScrollBar* bar = form.ScrollBox1->VertScrollBar();
        QCOMPARE(bar->maximum(), std::max(0, height - form.ScrollBox1->height()));
        QCOMPARE(bar->singleStep(), 16);
        bar->setValue(bar->maximum());
        // However tall the dump, the widget on screen is no taller than the pane.
        QVERIFY(form.PaintBox1->height() <= form.ScrollBox1->height());
        QCOMPARE(form.PaintBox1->VisibleTop() + form.PaintBox1->height(), height);
        form.PaintBox1->Repaint();
    }

    void contentPaneReadsAsTheDumpsLines()
    {
        test::TempDir dir;
        std::string letters(40, ' ');
        for (std::size_t i = 0; i < letters.size(); ++i)
            letters[i] = static_cast<char>('a' + i % 26);
        test::WriteFile(dir / "letters", letters);
        test::WriteFile(dir / "zeros", std::string(16777216, '\0'));
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(form.ScrollBox1);
        QVERIFY(pane && pane->textInterface());
        QAccessibleTextInterface* text = pane->textInterface();
        QCOMPARE(text->characterCount(), 0);

        TListItem* file = ShowFolder(form, dir.Path(), QStringLiteral("letters"));
        QVERIFY(file);
        file->SetSelected(true);
        form.StreamList->Items()[form.StreamList->Items().Count() - 1]->SetSelected(true);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(letters.data());
        const auto line = [&](std::uint32_t offset, int count) {
            return QString::fromLatin1(streams::FormatDumpLine(bytes + offset, count, offset));
        };
        QCOMPARE(text->characterCount(), 3 * 76 - 1);
        QCOMPARE(text->text(0, text->characterCount()),
            line(0, 16) + u'\n' + line(16, 16) + u'\n' + line(32, 8));
        int start = 0;
        int end = 0;
        QCOMPARE(text->textAtOffset(80, QAccessible::LineBoundary, &start, &end), line(16, 16));
        QCOMPARE(start, 76);
        QCOMPARE(end, 151);
        QCOMPARE(text->textAfterOffset(80, QAccessible::LineBoundary, &start, &end), line(32, 8));
        QCOMPARE(text->textBeforeOffset(10, QAccessible::LineBoundary, &start, &end), QString());

        // 16 MB: a million lines, counted, not made. Selecting another file empties the panes
        // first, so the text follows the new selection.
        ShowFolder(form, dir.Path(), QStringLiteral("zeros"))->SetSelected(true);
        form.StreamList->Items()[form.StreamList->Items().Count() - 1]->SetSelected(true);
        const int count = 4096 * 76 + (65536 - 4096) * 77 + (1048576 - 65536) * 78 - 1;
        QCOMPARE(text->characterCount(), count);
        QVERIFY(text->textAtOffset(count - 1, QAccessible::LineBoundary, &start, &end)
                    .startsWith(QStringLiteral("FFFFF0  00")));
        QCOMPARE(end, count);
        QVERIFY(text->textAtOffset(4096 * 76, QAccessible::LineBoundary, &start, &end)
                    .startsWith(QStringLiteral("10000  ")));
        QCOMPARE(text->text(0, count).size(), 1 << 20);
    }

    void fileListCountsStreamsAndSortsByThem()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        test::WriteFile(dir / "none", "x");
        test::WriteFile(dir / "one", "x");
        test::WriteFile(dir / "three", "x");
        QVERIFY(test::SetXattr(dir / "one", "user.a", "1"));
        for (const char* name : { "user.a", "user.b", "user.c" })
            QVERIFY(test::SetXattr(dir / "three", name, "3"));
        // A link to nothing cannot be opened: its cell holds the reason, which sorts too.
        QCOMPARE(::symlink((dir / "gone").c_str(), (dir / "broken").c_str()), 0);
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        TListItem* none = ShowFolder(form, dir.Path(), QStringLiteral("none"));
        QVERIFY(none);
        QAbstractItemModelTester tester(form.FileList->model());

        QCOMPARE(form.FileList->Columns().Count(), 2);
        QCOMPARE(form.FileList->Columns()[1]->Caption(), QStringLiteral("Streams"));
        QCOMPARE(form.FileList->Columns()[1]->Width(), 60);
        const int base = Cell(form, none, 1).toInt();
        QVERIFY(base >= 1);
        auto countOf = [&](const char* name) {
            return Cell(form, ShowFolder(form, dir.Path(), QString::fromLatin1(name)), 1);
        };
        // Showing the same folder again refills it: each look is a fresh fill.
        QCOMPARE(countOf("one"), QString::number(base + 1));
        QCOMPARE(countOf("three"), QString::number(base + 3));
        // The reason without the line break the system's texts end with: one line per row.
        QCOMPARE(countOf("broken"), QString::fromLocal8Bit(std::strerror(ENOENT)));

        ShowFolder(form, dir.Path());
        ClickHeader(form, 1);
        QCOMPARE(Captions(form),
            (QStringList { QStringLiteral("broken"), QStringLiteral("none"), QStringLiteral("one"),
                QStringLiteral("three") }));
        QCOMPARE(form.FileList->HeaderSortColumn(), 1);
        QCOMPARE(form.FileList->HeaderSortDirection(), shell::ptsdDesc);
        QCOMPARE(form.FileList->SortColumn(), 0);
        ClickHeader(form, 1);
        QCOMPARE(Captions(form),
            (QStringList { QStringLiteral("three"), QStringLiteral("one"), QStringLiteral("none"),
                QStringLiteral("broken") }));
        QCOMPARE(form.FileList->HeaderSortDirection(), shell::ptsdAsc);
        // A later fill keeps the count order.
        ShowFolder(form, dir.Path());
        QCOMPARE(Captions(form).first(), QStringLiteral("three"));
        // The name column gives the order back to the namespace.
        ClickHeader(form, 0);
        QCOMPARE(Captions(form).first(), QStringLiteral("broken"));
        QCOMPARE(form.FileList->HeaderSortColumn(), 0);

        TListItem* three = ShowFolder(form, dir.Path(), QStringLiteral("three"));
        const QModelIndex index = form.FileList->Items().IndexOf(three);
        QCOMPARE(form.FileList->model()->data(index, Qt::ToolTipRole).toString(),
            QStringLiteral("three\nStreams: ") + QString::number(base + 3));
        TListItem* broken = ShowFolder(form, dir.Path(), QStringLiteral("broken"));
        QCOMPARE(form.FileList->model()
                     ->data(form.FileList->Items().IndexOf(broken), Qt::ToolTipRole)
                     .toString(),
            QStringLiteral("broken\nStreams: ") + QString::fromLocal8Bit(std::strerror(ENOENT)));
    }

    void selectingFilesFillsAndEmptiesTheStreamPane()
    {
        test::TempDir dir;
        if (!test::UserXattrsWork(dir.Path()))
            QSKIP("this file system keeps no user extended attributes");
        test::WriteFile(dir / "two", "0123456789");
        QVERIFY(test::SetXattr(dir / "two", "user.note", std::string(3000, 'n')));
        test::WriteFile(dir / "big", std::string(3 << 20, 'b'));
        for (const char* name : { "user.s1", "user.s2", "user.s3" })
            QVERIFY(test::SetXattr(dir / "big", name, std::string(1000, 's')));
        QCOMPARE(::symlink((dir / "gone").c_str(), (dir / "broken").c_str()), 0);
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));

        TListItem* two = ShowFolder(form, dir.Path(), QStringLiteral("two"));
        two->SetSelected(true);
        // Security, data, the named stream: the first is selected and shown.
        QCOMPARE(form.StreamList->Items().Count(), 3);
        QCOMPARE(form.StreamList->ItemIndex(), 0);
        QCOMPARE(form.StreamLabel->text(), form.StreamList->Items()[0]->Caption());
        QCOMPARE(form.FileLabel->text(), QString::fromStdString(dir / "two"));
        form.StreamList->Items()[1]->SetSelected(true);
        QCOMPARE(form.StreamLabel->text(), QStringLiteral("<default>"));
        QCOMPARE(form.PaintBox1->Height(), 16);
        form.StreamList->Items()[2]->SetSelected(true);
        QCOMPARE(form.StreamLabel->text(), form.StreamList->Items()[2]->Caption());
        QCOMPARE(form.PaintBox1->Height(), (3000 - 1) / 16 * 16 + 16);

        // Another file: emptied first, then refilled; its big records go with their items
        // when the next selection clears the list (the sanitizer build checks the buffers).
        ShowFolder(form, dir.Path(), QStringLiteral("big"))->SetSelected(true);
        QCOMPARE(form.StreamList->Items().Count(), 5);

        // A file that cannot be opened: the path shows, the stream pane stays empty.
        ShowFolder(form, dir.Path(), QStringLiteral("broken"))->SetSelected(true);
        QCOMPARE(form.StreamList->Items().Count(), 0);
        QCOMPARE(form.StreamLabel->text(), QString());
        QCOMPARE(form.FileLabel->text(), QString::fromStdString(dir / "broken"));

        // A virtual item (the desktop's "Computer") after a file empties both panes.
        ShowFolder(form, dir.Path(), QStringLiteral("two"))->SetSelected(true);
        QCOMPARE(form.StreamList->Items().Count(), 3);
        form.FileList->Folder().SetIdList(nullptr);
        TListItem* computer = nullptr;
        for (int i = 0; i < form.FileList->Items().Count(); ++i) {
            TListItem* item = form.FileList->Items()[i];
            if (form.FileList->GetDataFromItem(item)
                && form.FileList->GetDataFromItem(item)->GetPathName().empty())
                computer = item;
        }
        QVERIFY(computer);
        computer->SetSelected(true);
        QCOMPARE(form.StreamList->Items().Count(), 0);
        QCOMPARE(form.FileLabel->text(), QString());
        QCOMPARE(form.StreamLabel->text(), QString());
    }

    void aStreamThatCannotBeReadSaysWhy()
    {
        test::NtfsImage volume;
        // Streams over 64 KiB can only be written through the Windows-style interface, and
        // are read back through extended attributes, which hand out no more than 64 KiB.
        if (!volume.Usable() || !volume.Mount("streams_interface=windows"))
            QSKIP(qPrintable(
                QStringLiteral("no NTFS volume: ") + QString::fromStdString(volume.Problem())));
        test::WriteFile(volume / "large.txt", "main");
        test::WriteFile(volume / "large.txt:big", std::string(70000, 'b'));
        volume.Unmount();
        if (!volume.Mount())
            QSKIP(qPrintable(QString::fromStdString(volume.Problem())));
        {
            app::TMainForm form;
            QVERIFY(test::ShowForm(form));
            ShowFolder(form, volume.MountPoint(), QStringLiteral("large.txt"))->SetSelected(true);
            TListItem* big = nullptr;
            for (int i = 0; i < form.StreamList->Items().Count(); ++i)
                if (form.StreamList->Items()[i]->Caption() == QStringLiteral("big"))
                    big = form.StreamList->Items()[i];
            QVERIFY(big);
            big->SetSelected(true);
            const streams::StreamInfo* info = streams::StreamRecord(big);
            QCOMPARE(info->DataLength, 0u);
            QVERIFY(!info->ReadError.empty());
            // No bytes: the reason takes the dump's one line, and is drawn there.
            QCOMPARE(form.PaintBox1->Height(), 16);
            const QImage pane = form.PaintBox1->grab().toImage();
            int ink = 0;
            for (int y = 0; y < std::min(16, pane.height()); ++y)
                for (int x = 0; x < pane.width(); ++x)
                    ink += qGray(pane.pixel(x, y)) < 128;
            QVERIFY(ink > 20);
            // A screen reader reads the same line.
            QAccessibleTextInterface* text
                = QAccessible::queryAccessibleInterface(form.ScrollBox1)->textInterface();
            const QString reason = QString::fromStdString(streams::DumpReasonLine(info));
            QVERIFY(reason.startsWith(u'('));
            QCOMPARE(text->characterCount(), reason.size());
            QCOMPARE(text->text(0, text->characterCount()), reason);
        }
        volume.Unmount();
    }

    void enteringFoldersAndGoingUp()
    {
        test::TempDir dir;
        QCOMPARE(::mkdir((dir / "inner").c_str(), 0755), 0);
        test::WriteFile(dir / "inner/file", "x");
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        TListItem* inner = ShowFolder(form, dir.Path(), QStringLiteral("inner"));
        QVERIFY(inner);
        form.FileList->setFocus();
        form.FileList->SetSelected(inner);
        QTest::keyClick(form.FileList, Qt::Key_Return);
        QCOMPARE(form.FileList->Folder().GetPathName(), dir / "inner");
        QCOMPARE(Captions(form), QStringList { QStringLiteral("file") });
        QTest::keyClick(form.FileList, Qt::Key_Backspace);
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());
        form.FileList->Folder().SetPathName(dir / "inner");
        form.UpBtn->click();
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());
    }

    void theTreeAndTheComboBrowseWithTheFileList()
    {
        test::TempDir dir;
        QCOMPARE(::mkdir((dir / "docs").c_str(), 0755), 0);
        test::WriteFile(dir / "docs/one", "x");
        QCOMPARE(::setxattr((dir / "docs/one").c_str(), "user.a", "1", 1, 0), 0);
        app::TMainForm form;
        QVERIFY(test::ShowForm(form));
        QCoreApplication::sendPostedEvents();
        // The window opens on the desktop, in the tree and in the combo.
        QVERIFY(form.PTShellTree1->Items().Count() > 0);
        QCOMPARE(form.PTShellTree1->Selected(), form.PTShellTree1->Items().GetFirstNode());
        QCOMPARE(form.PTShellCombo1->ItemIndex(), 0);

        // A click on a tree folder fills the file list with its counts.
        form.PTShellTree1->SetSelectedPathName(dir.Path());
        form.PTShellTree1->Selected()->Expand(false);
        TTreeNode* docs = form.PTShellTree1->Selected()->GetFirstChild();
        QVERIFY(docs);
        QCOMPARE(docs->Text(), QStringLiteral("docs"));
        docs->MakeVisible();
        const QRect row = docs->DisplayRect(true).ToQRect();
        QTest::mouseClick(form.PTShellTree1->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(form.FileList->Folder().GetPathName(), dir / "docs");
        QCOMPARE(Captions(form), QStringList { QStringLiteral("one") });
        QCOMPARE(Cell(form, form.FileList->Items()[0], 1), QStringLiteral("3"));
        QCOMPARE(form.PTShellCombo1->GetImageComboItem(form.PTShellCombo1->ItemIndex())->Caption(),
            QStringLiteral("docs"));

        // Choosing the parent's entry in the combo moves the tree and the list.
        const int parent = form.PTShellCombo1->ItemIndex() - 1;
        form.PTShellCombo1->SetItemIndex(parent);
        Q_EMIT form.PTShellCombo1->activated(parent);
        QCOMPARE(form.PTShellTree1->SelectedPathName(), dir.Path());
        QCOMPARE(form.FileList->Folder().GetPathName(), dir.Path());

        // The up button and Backspace select the parent in the tree.
        form.PTShellTree1->SetSelectedPathName(dir / "docs");
        form.UpBtn->click();
        QCOMPARE(form.PTShellTree1->SelectedPathName(), dir.Path());
        form.FileList->setFocus();
        QTest::keyClick(form.FileList, Qt::Key_Backspace);
        const std::string parentPath = dir.Path().substr(0, dir.Path().rfind('/'));
        QCOMPARE(form.PTShellTree1->SelectedPathName(), parentPath);
        QCOMPARE(form.FileList->Folder().GetPathName(), parentPath);
    }

    void screenshotOfTheWindow()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server (this run has none; the screenshot test runs under Xvfb)");
        test::NtfsImage volume;
        if (!volume.Usable() || !volume.Mount())
            QSKIP(qPrintable(
                QStringLiteral("no NTFS volume: ") + QString::fromStdString(volume.Problem())));
        test::WriteFile(volume / "report.txt", "Quarterly figures\n");
        QVERIFY(test::SetXattr(
            volume / "report.txt", "user.Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n"));
        QVERIFY(test::SetXattr(volume / "report.txt", "user.summary", "Figures, draft 2"));
        test::WriteFile(volume / "plain.txt", "no streams here\n");
        {
            app::TMainForm form;
            QVERIFY(test::ShowForm(form));
            TListItem* report = ShowFolder(form, volume.MountPoint(), QStringLiteral("report.txt"));
            QVERIFY(report);
            report->SetSelected(true);
            if (form.StreamList->Items().Count() > 1)
                form.StreamList->Items()[1]->SetSelected(true);
            QCoreApplication::processEvents();
            const QPixmap shot = form.grab();
            QCOMPARE(shot.size(), QSize(637, 514) * shot.devicePixelRatio());
            const QString path = QStringLiteral(SONDREL_SCREENSHOT_FILE);
            QVERIFY(shot.save(path, "PNG"));
            qInfo("screenshot saved as %s", qPrintable(path));
        }
        volume.Unmount();
    }
};

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Sondrel"));
    MainFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainFormTest.moc"
