#include "URLStatic.h"

#include "Graphics.h"
#include "ShellExecute.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace sondrel::components {

namespace {

    // A link to screen readers, named by its text unless it has a name of its own.
    class TURLAccessible final : public QAccessibleWidget
    {
    public:
        explicit TURLAccessible(TURLStatic* link)
            : QAccessibleWidget(link, QAccessible::Link)
        {
        }

        QString text(QAccessible::Text t) const override
        {
            QString said = QAccessibleWidget::text(t);
            if (t == QAccessible::Name && said.isEmpty())
                said = static_cast<const TURLStatic*>(widget())->text();
            return said;
        }
    };

    QAccessibleInterface* URLFactory(const QString&, QObject* object)
    {
        if (auto* link = qobject_cast<TURLStatic*>(object))
            return new TURLAccessible(link);
        return nullptr;
    }

} // namespace

TURLStatic::TURLStatic(QWidget* parent)
    : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(URLFactory);
        return true;
    }();
    (void)accessible;
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

void TURLStatic::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void TURLStatic::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QSize TURLStatic::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(m_text), metrics.height());
}

QSize TURLStatic::minimumSizeHint() const { return sizeHint(); }

void TURLStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int flags = static_cast<int>(m_alignment) | Qt::TextSingleLine;
    style()->drawItemText(
        &painter, rect(), flags, palette(), isEnabled(), m_text, QPalette::WindowText);
    if (hasFocus()) {
        // Where Tab has put the keyboard: around the text.
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect
            = style()->itemTextRect(fontMetrics(), rect(), flags, isEnabled(), m_text) & rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}

void TURLStatic::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

void TURLStatic::Open()
{
    (void)win32::ShellExecuteA(
        window(), "open", m_url.toUtf8().constData(), "", "", win32::SW_HIDE);
}

void TURLStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
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
    QWidget::keyPressEvent(event);
}

} // namespace sondrel::components
