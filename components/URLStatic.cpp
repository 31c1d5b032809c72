#include "URLStatic.h"

#include "Graphics.h"
#include "ShellExecute.h"

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

void TURLStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    (void)win32::ShellExecuteA(
        window(), "open", m_url.toUtf8().constData(), "", "", win32::SW_HIDE);
}

} // namespace sondrel::components
