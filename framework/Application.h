#pragma once
// The application object: its title and help file, the hint of the control under the mouse with
// the event that reports it, and the standard handling of exceptions that escape event handlers
// (shown in a message box, after which the loop goes on). One per process, on the GUI thread;
// `Application` points at it while it lives.

#include "Events.h"
#include "HelpWindow.h"

#include <QApplication>
#include <QPointer>
#include <QString>

#include <exception>

class QWidget;

namespace sondrel::framework {

// Help commands, with the numbers callers pass.
constexpr unsigned HELP_CONTEXT = 0x0001;
constexpr unsigned HELP_QUIT = 0x0002;
constexpr unsigned HELP_CONTENTS = 0x0003;

using TExceptionEvent = std::function<void(TObject* Sender, std::exception_ptr E)>;

// The silent failure: it ends what is running, and the application object shows nothing for it.
class EAbort : public std::exception
{
public:
    [[nodiscard]] const char* what() const noexcept override { return "Operation aborted"; }
};
[[noreturn]] inline void Abort() { throw EAbort(); }

class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    void Initialize() { }
    [[nodiscard]] const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);
    // A help file name without a folder is looked for beside the program.
    [[nodiscard]] const QString& HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString& file);
    // Shows the help file: HELP_CONTENTS opens it at its contents; HELP_QUIT closes it.
    bool HelpCommand(unsigned command, std::intptr_t data);
    [[nodiscard]] THelpWindow* HelpWindow() const { return m_helpWindow; }

    // The hint of the control under the mouse; OnHint fires when it changes.
    [[nodiscard]] const QString& Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    TNotifyEvent OnHint;

    // Runs the message loop until the main form closes.
    int Run();
    [[nodiscard]] QWidget* MainForm() const { return m_mainForm; }
    void SetMainForm(QWidget* form) { m_mainForm = form; }
    void Terminate() { quit(); }

    // What happens to an exception that leaves an event handler: nothing for EAbort; otherwise
    // OnException when assigned, else ShowException.
    void HandleException(std::exception_ptr error);
    void ShowException(std::exception_ptr error);
    [[nodiscard]] static QString ExceptionMessage(std::exception_ptr error);
    TExceptionEvent OnException;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void HintFrom(QWidget* widget);

    QString m_title;
    QString m_helpFile;
    QString m_hint;
    QPointer<QWidget> m_mainForm;
    QPointer<THelpWindow> m_helpWindow;
};

// The control's hint: its own, or its nearest parent's when it has none.
[[nodiscard]] QString GetHint(const QWidget* widget);
// Sets a control's hint, which is also its tool tip and its accessible description.
void SetHint(QWidget* widget, const QString& hint);

extern TApplication* Application;

} // namespace sondrel::framework
