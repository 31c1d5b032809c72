#include "CustomDrawDelegate.h"

namespace sondrel::shell {

TPTCustomDrawDelegate::TPTCustomDrawDelegate(
    const TPTItemLook& look, const QPersistentModelIndex& dropHighlight, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_look(look)
    , m_dropHighlight(dropHighlight)
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
    // The drop target under a drag shows as selected, every cell of its row.
    if (m_dropHighlight.isValid() && index.row() == m_dropHighlight.row()
        && index.parent() == m_dropHighlight.parent())
        option->state |= QStyle::State_Selected;
    // The colours are those of an item drawn unselected; a selected one keeps the highlight.
    if (!(option->state & QStyle::State_Selected)) {
        if (m_look.Text)
            option->palette.setColor(QPalette::Text, *m_look.Text);
        if (m_look.Background)
            option->backgroundBrush = *m_look.Background;
    }
}

} // namespace sondrel::shell
