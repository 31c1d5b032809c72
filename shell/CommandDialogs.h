#pragma once
// The dialogs behind the namespace's commands: the progress dialog of a copy, move or deletion
// (items, bytes, the current name, Cancel) with the operation on a worker thread, the questions
// it asks (a name clash, streams the target cannot hold, an error), confirmations, messages and
// the properties of an item. Installed for the process by InstallShellCommandUi(); GUI thread.

#include "CommandUi.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QTimer;

namespace sondrel::shell {

// Polls an operation's progress (the worker never waits on the GUI for it) and shows it.
class TProgressDialog : public QDialog
{
    Q_OBJECT

public:
    TProgressDialog(const QString& title, fileops::Progress& progress, QWidget* parent = nullptr);

    // Reads the progress now (the timer does it ten times a second).
    void UpdateFromProgress();
    // Cancelling only asks the worker to stop; the dialog goes when the worker has ended.
    void reject() override;

private:
    fileops::Progress& m_progress;
    QLabel* m_current;
    QLabel* m_counts;
    QProgressBar* m_bar;
    QTimer* m_timer;
};

class TShellCommandUi : public platform::CommandUi
{
public:
    fileops::Outcome RunWithProgress(const std::string& title, const Work& work) override;
    bool Confirm(const std::string& title, const std::string& text) override;
    void Tell(const std::string& title, const std::string& text) override;
    void ShowProperties(const platform::ItemProperties& item) override;
    win32::UINT ChooseFromMenu(const platform::MenuModel& menu) override;
    std::string ChooseImageFile() override;
    void ShowFolder(const BytePath& path) override;

    // The milliseconds before the progress dialog appears, so quick operations do not flash one.
    int ShowDelay = 400;
};

// Installs the dialogs for the namespace's commands once per process (idempotent).
void InstallShellCommandUi();
// Who shows a folder the commands ask to see (the program's window); nothing does without one.
void SetShowFolderHandler(std::function<void(const std::string& path)> handler);

// The properties dialog of one item.
[[nodiscard]] QDialog* MakePropertiesDialog(const platform::ItemProperties& item, QWidget* parent);

} // namespace sondrel::shell
