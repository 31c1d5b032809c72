#pragma once
// The help window: an HTML help file shown at its contents, with links between its pages. One
// per application, made on first use and owned by the application object.

#include <QWidget>

class QTextBrowser;

namespace sondrel::framework {

class THelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows `path` from its beginning, raising the window; false when the file cannot be read,
    // after telling the user so.
    bool ShowContents(const QString& path, const QString& title);
    [[nodiscard]] QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

} // namespace sondrel::framework
