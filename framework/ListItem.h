#pragma once
// One row of a list view: its caption and sub-items, its images, its cut state, an untyped data
// pointer for the control's user, and its place in the list. Owned by the TListItems it belongs
// to; the data pointer is not owned (the list's deletion event is where its user frees it).

#include "Events.h"

#include <QString>
#include <QStringList>

namespace sondrel::framework {

class TCustomListView;
class TListItems;

class TListItem
{
public:
    TListItem() = default;
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;

    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    // The texts of columns 1, 2, ...
    [[nodiscard]] const QStringList& SubItems() const { return m_subItems; }
    void SetSubItems(const QStringList& texts);
    // Sets the text of column `index` + 1, adding empty sub-items before it as needed.
    void SetSubItem(int index, const QString& text);
    void AddSubItem(const QString& text);

    // Images: -1 for none.
    [[nodiscard]] int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    [[nodiscard]] int StateIndex() const { return m_stateIndex; }
    void SetStateIndex(int index);
    [[nodiscard]] int OverlayIndex() const { return m_overlayIndex; }
    void SetOverlayIndex(int index);
    [[nodiscard]] bool Cut() const { return m_cut; }
    void SetCut(bool cut);

    [[nodiscard]] void* Data() const { return m_data; }
    void SetData(void* data) { m_data = data; }

    // The row, or -1 while the item belongs to no list.
    [[nodiscard]] int Index() const { return m_index; }
    [[nodiscard]] TListItems* Owner() const { return m_owner; }
    [[nodiscard]] TCustomListView* ListView() const;

    [[nodiscard]] bool Selected() const { return m_selected; }
    void SetSelected(bool selected);
    [[nodiscard]] bool Focused() const;
    void SetFocused(bool focused);

    // Removes the item from its list (firing the deletion event) and destroys it; an item in no
    // list is left to whoever holds it.
    void Delete();
    // Starts editing the caption in place; false when the list refuses it.
    bool EditCaption();
    void MakeVisible();

private:
    friend class TListItems;
    friend class TCustomListView;

    void Changed(TItemChange change);

    TListItems* m_owner = nullptr;
    int m_index = -1;
    QString m_caption;
    QStringList m_subItems;
    int m_imageIndex = -1;
    int m_stateIndex = -1;
    int m_overlayIndex = -1;
    bool m_cut = false;
    bool m_selected = false;
    bool m_dying = false; // its deletion event has been fired
    void* m_data = nullptr;
};

} // namespace sondrel::framework
