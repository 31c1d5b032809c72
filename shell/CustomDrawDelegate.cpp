#include "CustomDrawDelegate.h"

namespace sondrel::shell {

TPTCustomDrawDelegate::TPTCustomDrawDelegate(const TPTItemLook& look, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_look(look)
{
}

void TPTCustomDrawDelegate::initStyleOption(
    QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_look.Font) {
        option->font = *m_look.Font;
        option->fontMetrics = QFontMetrics(*m_look.Font);
    }
    if (m_look.Unselected)
        option->state &= ~QStyle::State_Selected;
    // The colours are those of an item drawn unselected; a selected one keeps the highlight.
    if (!(option->state & QStyle::State_Selected)) {
        if (m_look.Text)
            option->palette.setColor(QPalette::Text, *m_look.Text);
        if (m_look.Background)
            option->backgroundBrush = *m_look.Background;
    }
}

} // namespace sondrel::shell
