// The widgets of the namespace's commands: the menu a model becomes and its tracking, the
// progress dialog with its worker and questions, and the properties dialog.

#include "CommandDialogs.h"

#include "Popups.h"
#include "ShellMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

using namespace sondrel;
using namespace sondrel::shell;

using sondrel::test::OnPopup;

namespace {

platform::MenuModel SampleModel()
{
    platform::MenuModel model;
    model.Insert(0, { 1000, "&Open", "document-open", false, false, true, {} });
    model.Insert(1, { 0, "", "", false, true, false, {} });
    model.Insert(2, { 1003, "&Paste", "", true, false, false, {} });
    platform::MenuEntry sub { 0, "Send To", "", false, false, false, {} };
    sub.SubMenu.push_back({ 1, "Desktop", "", false, false, false, {} });
    model.Insert(3, sub);
    return model;
}

// Clicks the button labelled `label` of the next message box, checking its "for all" box first
// when asked.
// The open question box, wherever it is in the stack of modal windows.
QMessageBox* OpenBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            return box;
    return nullptr;
}

// Clicks `label` in the next box that opens; `covered` (when given) tells whether another
// modal window stood over the box then.
void AnswerNextBox(
    const QString& label, bool forAll, QString* seen = nullptr, bool* covered = nullptr)
{
    QTimer::singleShot(50, [=] {
        QMessageBox* box = OpenBox();
        if (box == nullptr) {
            AnswerNextBox(label, forAll, seen, covered);
            return;
        }
        if (seen != nullptr)
            *seen = box->text();
        if (covered != nullptr)
            *covered = QApplication::activeModalWidget() != box;
        if (forAll && box->checkBox() != nullptr)
            box->checkBox()->setChecked(true);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == label)
                button->click();
    });
}

} // namespace

class CommandDialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aModelBecomesAMenuAndTrackingGivesTheChosenId()
    {
        const platform::MenuModel model = SampleModel();
        QWidget owner;
        std::unique_ptr<QMenu> menu(BuildMenu(model, &owner));
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 4);
        QCOMPARE(actions[0]->text(), QStringLiteral("&Open"));
        QCOMPARE(actions[0]->data().toUInt(), 1000u);
        QVERIFY(actions[0]->font().bold());
        QCOMPARE(menu->defaultAction(), actions[0]);
        QVERIFY(actions[1]->isSeparator());
        QVERIFY(!actions[2]->isEnabled());
        QVERIFY(actions[3]->menu() != nullptr);
        QCOMPARE(actions[3]->menu()->actions().at(0)->data().toUInt(), 1u);

        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        OnPopup([](QMenu* popup) {
            popup->setActiveAction(popup->actions().at(0));
            QTest::keyClick(popup, Qt::Key_Return);
        });
        QCOMPARE(TrackMenuModel(model, &owner, owner.mapToGlobal(QPoint(5, 5))), 1000u);
        OnPopup([](QMenu* popup) { popup->close(); });
        QCOMPARE(TrackMenuModel(model, &owner, owner.mapToGlobal(QPoint(5, 5))), 0u);
    }

    void theWorkerAsksInBoxesAndItsOutcomeComesBack()
    {
        TShellCommandUi ui;
        ui.ShowDelay = 0;
        QString clashText;
        AnswerNextBox(QStringLiteral("Keep Both"), true, &clashText);
        std::thread::id workerThread;
        const fileops::Outcome outcome = ui.RunWithProgress(
            "Copying", [&](fileops::Questions& questions, fileops::Progress& progress) {
                workerThread = std::this_thread::get_id();
                progress.SetTotals(2, 10);
                progress.BeginItem("/x/a");
                const auto answer = questions.OnClash({ "/x/a", "/y/a", false, false });
                fileops::Outcome result;
                result.Made.push_back(
                    answer.Choice == fileops::ClashAction::KeepBoth && answer.ForAll ? "/y/a (copy)"
                                                                                     : "wrong");
                return result;
            });
        QVERIFY(workerThread != std::this_thread::get_id());
        QCOMPARE(outcome.Made, std::vector<std::string> { "/y/a (copy)" });
        QVERIFY(clashText.contains(QStringLiteral("\"a\" already exists in /y")));
    }

    void aQuestionAskedBeforeTheDialogIsDueIsNeverCoveredByIt()
    {
        TShellCommandUi ui;
        ui.ShowDelay = 100;
        bool covered = true;
        std::atomic<bool> asked = false;
        // Answered well after the dialog was due, while the question is still open.
        QTimer::singleShot(
            400, [&] { AnswerNextBox(QStringLiteral("Skip"), false, nullptr, &covered); });
        bool dialogShownAfter = false;
        (void)ui.RunWithProgress("Copying", [&](fileops::Questions& questions, fileops::Progress&) {
            (void)questions.OnClash({ "/x/a", "/y/a", false, false });
            asked = true;
            // The dialog comes once the box has gone.
            for (int i = 0; i < 500 && !dialogShownAfter; ++i) {
                QMetaObject::invokeMethod(
                    qApp,
                    [&] {
                        dialogShownAfter
                            = qobject_cast<TProgressDialog*>(QApplication::activeModalWidget())
                            != nullptr;
                    },
                    Qt::BlockingQueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return fileops::Outcome {};
        });
        QVERIFY(asked);
        QVERIFY2(!covered, "the progress dialog stood over the open question");
        QVERIFY(dialogShownAfter);
    }

    void cancellingTheProgressDialogStopsTheWorkerAndWaitsForIt()
    {
        TShellCommandUi ui;
        ui.ShowDelay = 0;
        bool stayed = false;
        std::function<void()> cancelWhenShown = [&] {
            auto* dialog = qobject_cast<TProgressDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                QTimer::singleShot(20, cancelWhenShown);
                return;
            }
            dialog->reject();
            stayed = dialog->isVisible();
        };
        QTimer::singleShot(20, cancelWhenShown);
        bool sawCancel = false;
        (void)ui.RunWithProgress("Copying", [&](fileops::Questions&, fileops::Progress& progress) {
            for (int i = 0; i < 3000 && !progress.Cancelled(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            sawCancel = progress.Cancelled();
            return fileops::Outcome {};
        });
        QVERIFY(sawCancel);
        QVERIFY2(stayed, "the dialog stays until the worker has ended");
    }

    void propertiesShowWhatWasGathered()
    {
        platform::ItemProperties item;
        item.Name = "notes.txt";
        item.Location = "/home/u";
        item.Size = 12;
        item.ModeText = "-rw-r-----";
        item.Mode = 0100640;
        item.Owner = "u";
        item.StreamCount = 3;
        item.Link = true;
        item.LinkTarget = "target";
        std::unique_ptr<QDialog> dialog(MakePropertiesDialog(item, nullptr));
        auto text = [&](const char* name) {
            auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
            return label != nullptr ? label->text() : QStringLiteral("(none)");
        };
        QCOMPARE(text("Streams"), QStringLiteral("3"));
        QCOMPARE(text("Mode"), QStringLiteral("-rw-r----- (0640)"));
        QCOMPARE(text("Link to"), QStringLiteral("target"));
        QCOMPARE(text("Location"), QStringLiteral("/home/u"));
        QVERIFY(text("Size").contains(QStringLiteral("12 bytes")));
    }
};

QTEST_MAIN(CommandDialogsTest)
#include "CommandDialogsTest.moc"
