#include "Application.h"

#include "HelpWindow.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace sondrel::framework {

TApplication* Application = nullptr;

QString GetHint(const QWidget* widget)
{
    for (; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        if (!widget->toolTip().isEmpty())
            return widget->toolTip();
    return {};
}

void SetHint(QWidget* widget, const QString& hint)
{
    widget->setToolTip(hint);
    widget->setAccessibleDescription(hint);
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    Application = this;
}

TApplication::~TApplication()
{
    delete m_helpWindow;
    if (Application == this)
        Application = nullptr;
}

void TApplication::SetTitle(const QString& title)
{
    m_title = title;
    setApplicationDisplayName(title);
}

void TApplication::SetHelpFile(const QString& file) { m_helpFile = file; }

bool TApplication::HelpCommand(unsigned command, std::intptr_t)
{
    if (command == HELP_QUIT) {
        if (m_helpWindow)
            m_helpWindow->close();
        return true;
    }
    if (m_helpFile.isEmpty())
        return false;
    QString path = m_helpFile;
    if (QFileInfo(path).isRelative())
        path = QDir(applicationDirPath()).filePath(path);
    if (!m_helpWindow)
        m_helpWindow = new THelpWindow;
    return m_helpWindow->ShowContents(path, m_title);
}

void TApplication::SetHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    if (OnHint)
        OnHint(this);
}

int TApplication::Run() { return exec(); }

void TApplication::HandleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (...) {
    }
    if (OnException)
        OnException(this, error);
    else
        ShowException(error);
}

QString TApplication::ExceptionMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

void TApplication::ShowException(std::exception_ptr error)
{
    QString message = ExceptionMessage(error);
    // The box's text ends in a full stop, as the platform's own boxes do.
    if (!message.isEmpty() && !message.endsWith(u'.'))
        message += u'.';
    QMessageBox::critical(activeWindow(), m_title, message);
}

void TApplication::HintFrom(QWidget* widget) { SetHint(GetHint(widget)); }

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        if (receiver->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(receiver);
            if (event->type() == QEvent::Enter)
                HintFrom(widget);
            else if (event->type() == QEvent::Leave)
                // Where the mouse goes next gets its own Enter; leaving for the parent gets this.
                HintFrom(widget->isWindow() ? nullptr : widget->parentWidget());
        }
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return true;
    }
}

} // namespace sondrel::framework
