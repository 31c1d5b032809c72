#include "ListColumns.h"

namespace sondrel::framework {

void TListColumn::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (m_owner)
        m_owner->Changed(m_index);
}

void TListColumn::SetWidth(int width)
{
    if (width == m_width)
        return;
    m_width = width;
    if (m_owner)
        m_owner->Changed(m_index);
}

void TListColumn::SetAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    if (m_owner)
        m_owner->Changed(m_index);
}

TListColumns::TListColumns(TListColumnsObserver& observer)
    : m_observer(observer)
{
}

TListColumn* TListColumns::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_columns[static_cast<std::size_t>(index)].get();
}

TListColumn* TListColumns::Add()
{
    const int index = Count();
    m_observer.ColumnInserting(index);
    auto column = std::make_unique<TListColumn>();
    column->m_owner = this;
    column->m_index = index;
    m_columns.push_back(std::move(column));
    m_observer.ColumnInserted(index);
    return m_columns.back().get();
}

void TListColumns::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_observer.ColumnRemoving(index);
    m_columns.erase(m_columns.begin() + index);
    Renumber();
    m_observer.ColumnRemoved(index);
}

void TListColumns::Clear()
{
    BeginUpdate();
    while (Count() > 0)
        Delete(Count() - 1);
    EndUpdate();
}

void TListColumns::BeginUpdate() { ++m_updateCount; }

void TListColumns::EndUpdate()
{
    if (m_updateCount == 0 || --m_updateCount > 0)
        return;
    if (m_changePending) {
        m_changePending = false;
        m_observer.ColumnChanged(-1);
    }
}

void TListColumns::Changed(int index)
{
    if (m_updateCount > 0)
        m_changePending = true;
    else
        m_observer.ColumnChanged(index);
}

void TListColumns::Renumber()
{
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i]->m_index = static_cast<int>(i);
}

} // namespace sondrel::framework
