#pragma once
// The item delegate of the custom-draw views: it paints each cell of the row being drawn with
// the look the row's item pre-paint notification left (font, text and background colours, the
// selection taken away), so that a handler's changes reach the pixels, and the row under a drag
// that would take the drop as selected. Owned by its view; GUI thread only.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <optional>

namespace sondrel::shell {

// What the notification changed for the row in hand; empty outside a row's drawing.
struct TPTItemLook
{
    std::optional<QFont> Font;
    std::optional<QColor> Text;
    std::optional<QColor> Background;
    bool Unselected = false;
};

// Keeps a painter's state across a notification, also when a handler throws.
class TPainterSaved
{
public:
    explicit TPainterSaved(QPainter* painter)
        : m_painter(painter)
    {
        m_painter->save();
    }
    ~TPainterSaved() { m_painter->restore(); }
    TPainterSaved(const TPainterSaved&) = delete;
    TPainterSaved& operator=(const TPainterSaved&) = delete;

private:
    QPainter* m_painter;
};

class TPTCustomDrawDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    TPTCustomDrawDelegate(
        const TPTItemLook& look, const QPersistentModelIndex& dropHighlight, QObject* parent);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const TPTItemLook& m_look;
    const QPersistentModelIndex& m_dropHighlight;
};

} // namespace sondrel::shell
