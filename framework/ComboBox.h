#pragma once
// A drop-down list combo box as controls build on it: entries of a text and an untyped object,
// the index of the chosen one, the number of entries the open list shows, and owner drawing of
// fixed-height entries through DrawItem (the open list's rows and the closed field alike). The
// notifications a drop-down list gives are virtual hooks: DropDown just before the list opens,
// SelEndOk when the user chose an entry from it, SelEndCancel when it closed without a choice,
// CloseUp when it closed. DeleteItem is told of every entry that carries an object before the
// entry goes, so that its owner can free what the object holds.
//
// The extended keyboard interface: while the list is closed, Up, Down and F4 open it and no key
// or wheel turn changes the entry, so that moving through the entries never chooses one.
//
// GUI thread only. The entries' objects belong to whoever added them.

#include "Events.h"

#include <QComboBox>

namespace sondrel::framework {

// What an owner-drawn entry is drawn as.
enum TOwnerDrawStateBit : unsigned {
    odSelected = 0x1,
    odFocused = 0x10,
    odComboBoxEdit = 0x1000,
};
using TOwnerDrawState = unsigned;

class TCustomComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TCustomComboBox(QWidget* parent = nullptr);
    ~TCustomComboBox() override;

    [[nodiscard]] int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    [[nodiscard]] int ItemCount() const { return count(); }
    int AddObject(const QString& text, void* object);
    [[nodiscard]] void* Objects(int index) const;
    void SetObject(int index, void* object);
    // Removes every entry (DeleteItem is told of each object first).
    void Clear();

    [[nodiscard]] int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int count) { setMaxVisibleItems(count); }
    // The height of one entry in the open list.
    [[nodiscard]] int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);
    [[nodiscard]] bool DroppedDown() const { return m_dropped; }

    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    // Qt
    void showPopup() override;
    void hidePopup() override;

protected:
    // Draws entry `index` (-1: none) into `rect`.
    virtual void DrawItem(QPainter& painter, int index, const QRect& rect, TOwnerDrawState state);
    virtual void DropDown();
    virtual void CloseUp();
    virtual void SelEndOk();
    virtual void SelEndCancel();
    virtual void DeleteItem(void* object);

    // Qt
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    friend class TComboItemDelegate;

    void EntriesRemoved(int first, int last);

    int m_itemHeight = 16;
    bool m_dropped = false;
    bool m_chosen = false;
    bool m_clearing = false;
};

} // namespace sondrel::framework
