#include "PTCustomTreeView.h"

#include "CustomDrawPaint.h"
#include "Guard.h"

#include <QMouseEvent>
#include <QPainter>

namespace sondrel::shell {

using framework::TPoint;
using framework::TRect;
using framework::TTreeNode;
using framework::TTVDispInfo;

TPTCustomTreeView::TPTCustomTreeView(QWidget* parent)
    : TCustomTreeView(parent)
    , m_contextMenu(*this)
{
    setItemDelegate(new TPTCustomDrawDelegate(m_look, m_dropHighlightRow, this));
    setFont(m_font.ToQFont());
    m_font.OnChange = [this](framework::TFont& font) { setFont(font.ToQFont()); };
}

TPTCustomTreeView::~TPTCustomTreeView() = default;

void TPTCustomTreeView::SetColor(framework::TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    ApplyColor();
}

void TPTCustomTreeView::ApplyColor()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, framework::ToQColor(m_color));
    setPalette(palette);
}

void TPTCustomTreeView::InvalidateNode(TTreeNode* node, bool labelOnly, bool /*erase*/)
{
    // Qt always paints the background under what it repaints.
    if (!node || !Items().Contains(node))
        return;
    const TRect rect = node->DisplayRect(labelOnly);
    if (!rect.IsEmpty())
        viewport()->update(rect.ToQRect());
}

void TPTCustomTreeView::CreateWnd() { ApplyColor(); }

bool TPTCustomTreeView::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_handleAllocated) {
        m_handleAllocated = true;
        CreateWnd();
    }
    return TCustomTreeView::event(event);
}

void TPTCustomTreeView::changeEvent(QEvent* event)
{
    TCustomTreeView::changeEvent(event);
    // A system colour follows the new system value.
    if (event->type() == QEvent::ApplicationPaletteChange && framework::IsSystemColor(m_color))
        ApplyColor();
}

std::int32_t TPTCustomTreeView::CustomDrawNotify(TNMCustomDraw& record)
{
    std::int32_t result = CDRF_DODEFAULT;
    m_customDraw.reset();
    // Painting goes on with the default look when a drawing handler fails; the failure is
    // reported once the paint is over.
    if (!framework::GuardedQuery([&] { m_customDraw = PTCustomDraw(record, result); }))
        result = CDRF_DODEFAULT;
    return result;
}

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::PTCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    const bool plain = static_cast<bool>(OnPTCustomDraw);
    const bool ex = static_cast<bool>(OnPTCustomDrawEx);
    const bool item = (record.dwDrawStage & CDDS_ITEM) != 0;
    std::unique_ptr<TPTCustomDraw> draw;
    TTreeNode* node = nullptr;
    bool found = false;
    if (ex) {
        draw = CreateCustomDraw(record, result);
        node = item ? Items().GetNode(record.dwItemSpec) : nullptr;
        found = true;
        OnPTCustomDrawEx(this, draw.get(), node);
    }
    if (plain && (record.dwDrawStage & CDDS_ITEMPREPAINT) == CDDS_ITEMPREPAINT) {
        if (!draw)
            draw = CreateCustomDraw(record, result);
        if (!found)
            node = item ? Items().GetNode(record.dwItemSpec) : nullptr;
        OnPTCustomDraw(this, draw.get(), node);
    }
    if (draw)
        draw->Apply();
    if ((record.dwDrawStage & CDDS_PREPAINT) && (plain || ex))
        result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::CreateCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    auto draw = std::make_unique<TPTTvCustomDraw>(record, result, m_font);
    draw->SetNotifyItemDraw(true);
    return draw;
}

void TPTCustomTreeView::paintEvent(QPaintEvent* event)
{
    PaintWithCustomDraw<TNMTVCustomDraw>(
        this, viewport(), [this](TNMCustomDraw& record) { return CustomDrawNotify(record); },
        [&](bool itemStages) {
            const framework::TScopedValue stages(m_itemStages, itemStages);
            TCustomTreeView::paintEvent(event);
        });
}

void TPTCustomTreeView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    TTreeNode* node = Items().NodeAt(index);
    if (!m_itemStages || !node) {
        TCustomTreeView::drawRow(painter, option, index);
        return;
    }
    // A notification may change the view's state, as painting one row is a notification.
    auto* self = const_cast<TPTCustomTreeView*>(this);
    TCustomDrawRow row;
    row.ItemId = node->ItemId();
    row.ItemParam = reinterpret_cast<std::intptr_t>(node->Data());
    row.Selected = selectionModel()->isSelected(index);
    row.Focused = index == currentIndex() && hasFocus();
    DrawRowWithCustomDraw<TNMTVCustomDraw>(
        self, painter, option, row,
        [self](TNMCustomDraw& record) { return self->CustomDrawNotify(record); },
        [&](const TPTItemLook& look) {
            const framework::TScopedValue drawing(self->m_look, look);
            TCustomTreeView::drawRow(painter, option, index);
        });
}

void TPTCustomTreeView::GetDispInfo(TTreeNode& node, TTVDispInfo& info)
{
    // The image queries run here, with their events; the standard handling then runs without
    // them, so each request fires each event at most once.
    if (info.Mask & TTVDispInfo::tvifImage) {
        GetImageIndex(&node);
        info.Image = node.ImageIndex();
    }
    if (info.Mask & TTVDispInfo::tvifSelectedImage) {
        GetSelectedIndex(&node);
        info.SelectedImage = node.SelectedIndex();
    }
    struct TDetached
    {
        framework::TTVExpandedEvent& image;
        framework::TTVExpandedEvent& selected;
        framework::TTVExpandedEvent savedImage = std::move(image);
        framework::TTVExpandedEvent savedSelected = std::move(selected);
        ~TDetached()
        {
            image = std::move(savedImage);
            selected = std::move(savedSelected);
        }
    } detached { OnGetImageIndex, OnGetSelectedIndex };
    OnGetImageIndex = nullptr;
    OnGetSelectedIndex = nullptr;
    TCustomTreeView::GetDispInfo(node, info);
}

void TPTCustomTreeView::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (TItemContextMenu::TakeMenuKey(key, shift))
        DoPreNodeContextMenu();
    TCustomTreeView::KeyDown(key, shift);
}

void TPTCustomTreeView::DoPreNodeContextMenu()
{
    TTreeNode* node = Selected();
    if (!node) {
        if (QMenu* menu = PopupMenu())
            m_contextMenu.Popup(menu, { 0, 0 });
        return;
    }
    const TRect label = node->DisplayRect(true);
    DoNodeContextMenu(node, { (label.Left + label.Right) / 2, (label.Top + label.Bottom) / 2 });
}

void TPTCustomTreeView::DoNodeContextMenu(TTreeNode* node, TPoint pos)
{
    QMenu* const standard = PopupMenu();
    QMenu* menu = standard;
    NodeContextMenu(node, pos, menu);
    if (menu != standard)
        m_contextMenu.SetMenuShown();
    if (menu)
        m_contextMenu.Popup(menu, pos);
}

void TPTCustomTreeView::NodeContextMenu(TTreeNode* node, TPoint& pos, QMenu*& menu)
{
    if (OnNodeContextMenu)
        OnNodeContextMenu(this, node, pos, menu);
}

void TPTCustomTreeView::RClick(QPoint pos)
{
    TTreeNode* node = GetNodeAt(pos.x(), pos.y());
    if (!node)
        return;
    QMenu* menu = PopupMenu();
    TPoint at { pos.x(), pos.y() };
    NodeContextMenu(node, at, menu);
    if (menu)
        m_contextMenu.Popup(menu, at);
    m_contextMenu.SetMenuShown();
}

void TPTCustomTreeView::WMContextMenu(QPoint pos, bool keyboard)
{
    if (Selected() || m_contextMenu.MenuShown())
        return;
    if (keyboard)
        DoPreNodeContextMenu();
    else
        DoNodeContextMenu(nullptr, { pos.x(), pos.y() });
}

void TPTCustomTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        TCustomTreeView::mouseReleaseEvent(event);
        return;
    }
    m_contextMenu.RightButtonReleased(
        event->position().toPoint(), [this](QPoint pos) { RClick(pos); },
        [this](QPoint pos) { WMContextMenu(pos, false); },
        [&] { TCustomTreeView::mouseReleaseEvent(event); });
}

void TPTCustomTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    TItemContextMenu::ContextMenuEvent(event, [this] { WMContextMenu({}, true); });
}

void TPTCustomTreeView::SetDropHighlightRow(const QModelIndex& index)
{
    if (m_dropHighlightRow == index)
        return;
    m_dropHighlightRow = index;
    viewport()->update();
}

} // namespace sondrel::shell
