#pragma once
// The columns of a list view's report view: caption, width in pixels and alignment. Owned by the
// list view; changes reach the view at once, or at the end of an update bracket.

#include "Graphics.h"

#include <QString>

#include <memory>
#include <vector>

namespace sondrel::framework {

class TListColumns;

class TListColumn
{
public:
    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    [[nodiscard]] int Width() const { return m_width; }
    void SetWidth(int width);
    [[nodiscard]] TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    [[nodiscard]] int Index() const { return m_index; }

private:
    friend class TListColumns;

    TListColumns* m_owner = nullptr;
    int m_index = 0;
    QString m_caption;
    int m_width = 50;
    TAlignment m_alignment = TAlignment::taLeftJustify;
};

// What the owning view does when the columns change. Insertions and removals are told around
// the change itself; caption, width and alignment changes once per update bracket (index -1 then
// stands for every column).
class TListColumnsObserver
{
public:
    virtual void ColumnInserting(int index) = 0;
    virtual void ColumnInserted(int index) = 0;
    virtual void ColumnRemoving(int index) = 0;
    virtual void ColumnRemoved(int index) = 0;
    virtual void ColumnChanged(int index) = 0;

protected:
    ~TListColumnsObserver() = default;
};

class TListColumns
{
public:
    explicit TListColumns(TListColumnsObserver& observer);

    [[nodiscard]] int Count() const { return static_cast<int>(m_columns.size()); }
    [[nodiscard]] TListColumn* Items(int index) const;
    [[nodiscard]] TListColumn* operator[](int index) const { return Items(index); }

    TListColumn* Add();
    void Delete(int index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TListColumn;

    void Changed(int index);
    void Renumber();

    TListColumnsObserver& m_observer;
    std::vector<std::unique_ptr<TListColumn>> m_columns;
    int m_updateCount = 0;
    bool m_changePending = false;
};

} // namespace sondrel::framework
