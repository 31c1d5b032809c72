#include "URLStatic.h"

#include "Graphics.h"
#include "ShellExecute.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace sondrel::components {

TURLStatic::TURLStatic(QWidget* parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, framework::ToQColor(framework::clBlue));
    setPalette(palette);
    framework::TFont arial;
    arial.SetName(QStringLiteral("Arial"));
    QFont look = font();
    look.setFamilies(arial.ToQFont().families());
    look.setStyleHint(QFont::SansSerif);
    look.setBold(false);
    look.setItalic(false);
    look.setStrikeOut(false);
    look.setUnderline(true);
    setFont(look);
    setAutoFillBackground(false); // transparent
}

void TURLStatic::Open()
{
    (void)win32::ShellExecuteA(
        window(), "open", m_url.toUtf8().constData(), "", "", win32::SW_HIDE);
}

void TURLStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    Open();
}

void TURLStatic::keyPressEvent(QKeyEvent* event)
{
    // Reached with Tab, the link opens from the keyboard as a link does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        || event->key() == Qt::Key_Space) {
        event->accept();
        Open();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace sondrel::components
