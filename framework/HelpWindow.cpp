#include "HelpWindow.h"

#include <QFile>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace sondrel::framework {

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(QStringLiteral("Help"));
    resize(560, 620);
}

bool THelpWindow::ShowContents(const QString& path, const QString& title)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(nullptr, title,
            QStringLiteral("The help file %1 cannot be opened: %2.").arg(path, file.errorString()));
        return false;
    }
    file.close();
    // The file is HTML whatever its name ends in.
    m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    m_browser->home();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title + QStringLiteral(" Help"));
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace sondrel::framework
