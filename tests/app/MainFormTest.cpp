// The main window as it ships: its layout, the hint path to the status line, the exception box,
// help, and the content pane's logical height, on the offscreen platform (and, under a real X
// server, a screenshot of the window).

#include "Application.h"
#include "HexDump.h"
#include "Main.h"
#include "StreamList.h"

#include <QAccessible>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <stdexcept>

using namespace sondrel;
using namespace sondrel::framework;

namespace {

// Where a control stands in the form's client area.
QRect InForm(const QWidget* control, const QWidget* form)
{
    return QRect(control->mapTo(form, QPoint(0, 0)), control->size());
}

// A stream-list item carrying a record of `length` loaded bytes.
void AddStream(TCustomListView& list, std::uint32_t length)
{
    auto info = std::make_unique<streams::StreamInfo>();
    info->Header.dwStreamId = 1;
    info->Header.Size.QuadPart = length;
    info->Data.reset(new std::uint8_t[length ? length : 1]());
    info->DataLength = length;
    streams::TStreamListSink sink(list);
    sink.AddStream(std::move(info), "<default>", std::to_string(length), 0);
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutIsTheFormDescriptions()
    {
        app::TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(637, 514));
        QCOMPARE(form.windowTitle(), QStringLiteral("Sondrel"));
        const struct
        {
            QWidget* control;
            QRect bounds;
        } expected[] = {
            { form.StatusLine, QRect(0, 491, 637, 23) },
            { form.SpeedBar, QRect(0, 0, 637, 33) },
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
        QCOMPARE(form.StreamList->accessibleDescription(),
            QStringLiteral("Select the stream of which you want to see the content."));
        QVERIFY(form.ScrollBox1->focusPolicy() & Qt::TabFocus);
        QVERIFY(form.URLStatic1->focusPolicy() & Qt::TabFocus);
    }

    void pointingAtAControlShowsItsHintInTheStatusLine()
    {
        app::TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
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
        app::TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        AddStream(*form.StreamList, length);
        form.StreamList->Items()[0]->SetSelected(true);
        QCOMPARE(form.PaintBox1->Height(), height);
        QCOMPARE(form.StreamLabel->text(), QStringLiteral("<default>"));
        QCOMPARE(form.ScrollBox1->ContentHeight(), height);
        QScrollBar* bar = form.ScrollBox1->VertScrollBar();
        QCOMPARE(bar->maximum(), std::max(0, height - form.ScrollBox1->height()));
        QCOMPARE(bar->singleStep(), 16);
        bar->setValue(bar->maximum());
        // However tall the dump, the widget on screen is no taller than the pane.
        QVERIFY(form.PaintBox1->height() <= form.ScrollBox1->height());
        QCOMPARE(form.PaintBox1->VisibleTop() + form.PaintBox1->height(), height);

        form.StreamList->Items().Clear(); // the records go with their items (sanitizer build)
        form.PaintBox1->Repaint();
    }

    void contentPaneReadsAsTheDumpsLines()
    {
        app::TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(form.ScrollBox1);
        QVERIFY(pane && pane->textInterface());
        QAccessibleTextInterface* text = pane->textInterface();
        QCOMPARE(text->characterCount(), 0);

        AddStream(*form.StreamList, 40);
        auto* info = streams::StreamRecord(form.StreamList->Items()[0]);
        for (std::uint32_t i = 0; i < 40; ++i)
            info->Data[i] = static_cast<std::uint8_t>('a' + i % 26);
        form.StreamList->Items()[0]->SetSelected(true);
        const auto line = [&](std::uint32_t offset, int count) {
            return QString::fromLatin1(
                streams::FormatDumpLine(info->Data.get() + offset, count, offset));
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
        form.StreamList->Items().Clear();

        // 16 MB: a million lines, counted, not made.
        AddStream(*form.StreamList, 16777216);
        form.StreamList->Items()[0]->SetSelected(true);
        const int count = 4096 * 76 + (65536 - 4096) * 77 + (1048576 - 65536) * 78 - 1;
        QCOMPARE(text->characterCount(), count);
        QVERIFY(text->textAtOffset(count - 1, QAccessible::LineBoundary, &start, &end)
                    .startsWith(QStringLiteral("FFFFF0  00")));
        QCOMPARE(end, count);
        QVERIFY(text->textAtOffset(4096 * 76, QAccessible::LineBoundary, &start, &end)
                    .startsWith(QStringLiteral("10000  ")));
        QCOMPARE(text->text(0, count).size(), 1 << 20);
        form.StreamList->Items().Clear();
    }

    void screenshotOfTheWindow()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X server (this run has none; the screenshot test runs under Xvfb)");
        app::TMainForm form;
        AddStream(*form.StreamList, 300);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.StreamList->Items()[0]->SetSelected(true);
        const QPixmap shot = form.grab();
        QCOMPARE(shot.size(), QSize(637, 514) * shot.devicePixelRatio());
        const QString path = QStringLiteral(SONDREL_SCREENSHOT_FILE);
        QVERIFY(shot.save(path, "PNG"));
        qInfo("screenshot saved as %s", qPrintable(path));
        form.StreamList->Items().Clear();
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
