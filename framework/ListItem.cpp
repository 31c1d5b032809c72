#include "ListItem.h"

#include "CustomListView.h"
#include "ListItems.h"

namespace sondrel::framework {

TCustomListView* TListItem::ListView() const { return m_owner ? &m_owner->Owner() : nullptr; }

void TListItem::Changed(TItemChange change)
{
    if (m_owner)
        m_owner->ItemChanged(*this, change);
}

void TListItem::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    Changed(TItemChange::ctText);
}

void TListItem::SetSubItems(const QStringList& texts)
{
    if (texts == m_subItems)
        return;
    m_subItems = texts;
    Changed(TItemChange::ctText);
}

void TListItem::SetSubItem(int index, const QString& text)
{
    if (index < 0)
        return;
    while (m_subItems.size() <= index)
        m_subItems.append(QString());
    if (m_subItems[index] == text)
        return;
    m_subItems[index] = text;
    Changed(TItemChange::ctText);
}

void TListItem::AddSubItem(const QString& text)
{
    m_subItems.append(text);
    Changed(TItemChange::ctText);
}

void TListItem::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    Changed(TItemChange::ctImage);
}

void TListItem::SetStateIndex(int index)
{
    if (index == m_stateIndex)
        return;
    m_stateIndex = index;
    Changed(TItemChange::ctState);
}

void TListItem::SetOverlayIndex(int index)
{
    if (index == m_overlayIndex)
        return;
    m_overlayIndex = index;
    Changed(TItemChange::ctState);
}

void TListItem::SetCut(bool cut)
{
    if (cut == m_cut)
        return;
    m_cut = cut;
    Changed(TItemChange::ctState);
}

void TListItem::SetSelected(bool selected)
{
    if (m_owner)
        m_owner->Owner().SetItemSelected(*this, selected);
    else
        m_selected = selected;
}

bool TListItem::Focused() const { return m_owner && m_owner->Owner().ItemFocused() == this; }

void TListItem::SetFocused(bool focused)
{
    if (!m_owner)
        return;
    TCustomListView& view = m_owner->Owner();
    if (focused)
        view.SetItemFocused(this);
    else if (Focused())
        view.SetItemFocused(nullptr);
}

void TListItem::Delete()
{
    // An item outside a list belongs to whoever holds it.
    if (m_owner)
        m_owner->Delete(m_index);
}

bool TListItem::EditCaption()
{
    if (!m_owner)
        return false;
    TCustomListView& view = m_owner->Owner();
    return view.edit(m_owner->IndexOf(this), QAbstractItemView::AllEditTriggers, nullptr);
}

void TListItem::MakeVisible()
{
    if (m_owner)
        m_owner->Owner().scrollTo(m_owner->IndexOf(this));
}

} // namespace sondrel::framework
