#include "ComboBox.h"

#include "Guard.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTimer>

namespace sondrel::framework {

namespace {

    constexpr int kObjectRole = Qt::UserRole + 1;

} // namespace

// Draws the open list's rows through the combo's DrawItem, at the combo's entry height.
class TComboItemDelegate : public QStyledItemDelegate
{
public:
    explicit TComboItemDelegate(TCustomComboBox& combo)
        : QStyledItemDelegate(&combo)
        , m_combo(combo)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        TOwnerDrawState state = 0;
        if (option.state & QStyle::State_Selected)
            state |= odSelected;
        if (option.state & QStyle::State_HasFocus)
            state |= odFocused;
        painter->save();
        GuardedQuery([&] { m_combo.DrawItem(*painter, index.row(), option.rect, state); });
        painter->restore();
    }

    [[nodiscard]] QSize sizeHint(
        const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_combo.m_itemHeight);
    }

private:
    TCustomComboBox& m_combo;
};

TCustomComboBox::TCustomComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setItemDelegate(new TComboItemDelegate(*this));
    // Sizing to the contents would ask every entry for its text.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, [this](int) {
        m_chosen = true;
        Guarded([this] { SelEndOk(); });
    });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
        [this](const QModelIndex&, int first, int last) { EntriesRemoved(first, last); });
}

TCustomComboBox::~TCustomComboBox() = default;

int TCustomComboBox::AddObject(const QString& text, void* object)
{
    addItem(text, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    setItemData(count() - 1, QVariant::fromValue(reinterpret_cast<quintptr>(object)), kObjectRole);
    return count() - 1;
}

void* TCustomComboBox::Objects(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return reinterpret_cast<void*>(itemData(index, kObjectRole).value<quintptr>());
}

void TCustomComboBox::SetObject(int index, void* object)
{
    if (index >= 0 && index < count())
        setItemData(index, QVariant::fromValue(reinterpret_cast<quintptr>(object)), kObjectRole);
}

void TCustomComboBox::EntriesRemoved(int first, int last)
{
    if (m_clearing)
        return;
    for (int i = first; i <= last; ++i)
        if (void* object = Objects(i)) {
            SetObject(i, nullptr);
            Guarded([&] { DeleteItem(object); });
        }
}

void TCustomComboBox::Clear()
{
    // Every entry is told of before any goes, so that DeleteItem never meets a half-cleared list.
    for (int i = 0; i < count(); ++i)
        if (void* object = Objects(i)) {
            SetObject(i, nullptr);
            DeleteItem(object);
        }
    const TScopedValue clearing(m_clearing, true);
    clear();
}

void TCustomComboBox::SetItemHeight(int height)
{
    if (height == m_itemHeight || height <= 0)
        return;
    m_itemHeight = height;
    if (view())
        view()->doItemsLayout();
    updateGeometry();
    update();
}

void TCustomComboBox::showPopup()
{
    Guarded([this] { DropDown(); });
    m_chosen = false;
    m_dropped = true;
    QComboBox::showPopup();
}

void TCustomComboBox::hidePopup()
{
    QComboBox::hidePopup();
    if (!m_dropped)
        return;
    m_dropped = false;
    Guarded([this] { CloseUp(); });
    // The choice, if any, is announced after the list has closed: wait for it.
    QTimer::singleShot(0, this, [this] {
        if (!m_chosen)
            Guarded([this] { SelEndCancel(); });
        m_chosen = false;
    });
}

void TCustomComboBox::DrawItem(
    QPainter& painter, int index, const QRect& rect, TOwnerDrawState state)
{
    const QPalette& colors = palette();
    const bool selected = (state & odSelected) != 0;
    painter.fillRect(rect, colors.color(selected ? QPalette::Highlight : QPalette::Base));
    if (index < 0)
        return;
    painter.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, itemText(index));
}

void TCustomComboBox::DropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomComboBox::SelEndOk() { }

void TCustomComboBox::SelEndCancel() { }

void TCustomComboBox::DeleteItem(void*) { }

void TCustomComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field
        = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    TOwnerDrawState state = odComboBoxEdit;
    if (hasFocus() && !m_dropped)
        state |= odSelected | odFocused;
    painter.save();
    painter.setClipRect(field);
    Guarded([&] { DrawItem(painter, currentIndex(), field, state); });
    painter.restore();
}

void TCustomComboBox::keyPressEvent(QKeyEvent* event)
{
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        showPopup();
        event->accept();
        return;
    case Qt::Key_F4:
        if (alt)
            break;
        showPopup();
        event->accept();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        event->accept();
        return;
    default:
        break;
    }
    // Letters would choose the entry they start; they only open nothing here.
    if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TCustomComboBox::wheelEvent(QWheelEvent* event) { event->accept(); }

} // namespace sondrel::framework
