#include "UPTImageCombo.h"

#include "Form.h"
#include "Guard.h"
#include "ItemIcon.h"
#include "ShellCombo.h"

#include <QEvent>
#include <QPainter>

namespace sondrel::shell {

using framework::odComboBoxEdit;
using framework::odSelected;
using framework::TOwnerDrawState;

// ---- TPTCustomCombobox

void TPTCustomCombobox::SelEndOk()
{
    if (OnSelEndOk)
        OnSelEndOk(this);
}

void TPTCustomCombobox::SelEndCancel()
{
    if (OnSelEndCancel)
        OnSelEndCancel(this);
}

void TPTCustomCombobox::DeleteItem(void* object)
{
    if (OnDeleteItem)
        OnDeleteItem(this, object);
}

// ---- TPTImageComboItem

TPTImageComboItem::TPTImageComboItem(
    TPTCustomImageCombo* owner, const QString& caption, int imageIndex)
    : m_owner(owner)
    , m_imageIndex(imageIndex)
    , m_caption(caption)
{
}

TPTImageComboItem::~TPTImageComboItem() = default;

void TPTImageComboItem::Changed()
{
    if (m_owner)
        m_owner->update();
}

void TPTImageComboItem::SetIndent(int indent)
{
    m_indent = indent;
    Changed();
}

void TPTImageComboItem::SetImageIndex(int index)
{
    m_imageIndex = index;
    Changed();
}

void TPTImageComboItem::SetOverlayIndex(int index)
{
    m_overlayIndex = index;
    Changed();
}

void TPTImageComboItem::SetCaption(const QString& caption)
{
    m_caption = caption;
    // The entry's text is what screen readers and the open list's search read.
    if (m_owner && m_index >= 0 && m_index < m_owner->count())
        m_owner->setItemText(m_index, caption);
    Changed();
}

void TPTImageComboItem::SetShellData(std::unique_ptr<TPTShComboData> data)
{
    m_shellData = std::move(data);
}

// ---- TPTCustomImageCombo

TPTCustomImageCombo::TPTCustomImageCombo(QWidget* parent)
    : TPTCustomCombobox(parent)
{
    DoAutoSize(font());
}

TPTCustomImageCombo::~TPTCustomImageCombo()
{
    // Our DeleteItem frees the items; the base's destructor could only reach its own.
    Clear();
}

TPTImageComboItem* TPTCustomImageCombo::AddItem(const QString& caption, int imageIndex, int indent)
{
    auto item = std::make_unique<TPTImageComboItem>(this, caption, imageIndex);
    item->m_indent = indent;
    item->m_index = AddObject(caption, item.get());
    return item.release();
}

TPTImageComboItem* TPTCustomImageCombo::GetImageComboItem(int index) const
{
    return static_cast<TPTImageComboItem*>(Objects(index));
}

void TPTCustomImageCombo::SetImageList(framework::TImageList* list)
{
    if (m_imageList)
        disconnect(m_imageList, nullptr, this, nullptr);
    m_imageList = list;
    if (list)
        connect(list, &framework::TImageList::Changed, this, [this] { update(); });
    if (!framework::ComponentLoading(this))
        DoAutoSize(font());
    update();
}

void TPTCustomImageCombo::SetIndentPixels(int pixels)
{
    m_indentPixels = pixels;
    update();
}

void TPTCustomImageCombo::SetAutoSizeHeight(bool autoSize)
{
    m_autoSizeHeight = autoSize;
    if (autoSize)
        DoAutoSize(font());
}

void TPTCustomImageCombo::DeleteItem(void* object)
{
    std::unique_ptr<TPTImageComboItem> item(static_cast<TPTImageComboItem*>(object));
    TPTCustomCombobox::DeleteItem(object);
}

void TPTCustomImageCombo::GetItemData(TPTImageComboItem* item)
{
    if (OnGetItemData)
        OnGetItemData(this, item);
}

void TPTCustomImageCombo::DrawItem(
    QPainter& painter, int index, const QRect& rect, TOwnerDrawState state)
{
    if (OnDrawItem) {
        OnDrawItem(this, painter, index, rect, state);
        return;
    }
    const QPalette& colors = palette();
    const bool selected = (state & odSelected) != 0;
    TPTImageComboItem* item = GetImageComboItem(index);
    if (index < 0 || !item) {
        painter.fillRect(rect, colors.color(selected ? QPalette::Highlight : QPalette::Base));
        return;
    }
    if (item->Caption().isEmpty() || item->ImageIndex() < 0)
        GetItemData(item);
    const int indent = (state & odComboBoxEdit) ? 0 : item->Indent();
    painter.fillRect(rect, colors.color(QPalette::Base));

    int textLeft = m_indentPixels * indent + rect.left() + 4 + 1;
    if (m_imageList) {
        const QSize size = m_imageList->Size();
        framework::TItemIconParts parts;
        parts.Image = m_imageList->Icon(item->ImageIndex());
        parts.Overlay = m_imageList->OverlayIcon(item->OverlayIndex());
        parts.ImageSize = size;
        const QIcon icon = framework::ComposeItemIcon(parts);
        const QPoint at(m_indentPixels * indent + rect.left() + 2,
            (rect.top() + rect.bottom() + 1 - size.height()) / 2);
        icon.paint(
            &painter, QRect(at, size), Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
        textLeft = m_indentPixels * indent + rect.left() + size.width() + 4 + 1;
    }
    if (item->Caption().isEmpty())
        return;
    const int textWidth = painter.fontMetrics().horizontalAdvance(item->Caption());
    const QRect textRect(textLeft, rect.top(), textWidth + 3, rect.height());
    if (selected)
        painter.fillRect(textRect, colors.color(QPalette::Highlight));
    painter.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(
        textRect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, item->Caption());
}

void TPTCustomImageCombo::AutoSize(const QFont& font)
{
    int height = QFontMetrics(font).height() + 2;
    if (m_imageList)
        height = std::max(height, m_imageList->Height());
    SetItemHeight(height);
}

void TPTCustomImageCombo::DoAutoSize(const QFont& font)
{
    if (m_sizing)
        return;
    const framework::TScopedValue sizing(m_sizing, true);
    AutoSize(font);
}

void TPTCustomImageCombo::changeEvent(QEvent* event)
{
    TPTCustomCombobox::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_autoSizeHeight)
        DoAutoSize(font());
}

} // namespace sondrel::shell
