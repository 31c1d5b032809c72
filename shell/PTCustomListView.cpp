#include "PTCustomListView.h"

#include "CustomDrawPaint.h"
#include "Guard.h"
#include "ListColumns.h"
#include "UPTTreeList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace sondrel::shell {

using framework::TListItem;
using framework::TPoint;
using framework::TRect;

namespace {

    std::uint32_t Justification(framework::TAlignment alignment)
    {
        switch (alignment) {
        case framework::TAlignment::taRightJustify:
            return HDF_RIGHT;
        case framework::TAlignment::taCenter:
            return HDF_CENTER;
        case framework::TAlignment::taLeftJustify:
            break;
        }
        return HDF_LEFT;
    }

    // The square the glyph goes into, beside or over the text rectangle `t`.
    TRect ArrowBox(const TRect& t)
    {
        const int s = (t.Top + t.Bottom) / 2 - 1;
        TRect a;
        a.Left = t.Left;
        a.Right = t.Left + s + 1;
        a.Top = (t.Top + t.Bottom - s) / 2 - 1;
        a.Bottom = a.Top + s;
        return a;
    }

} // namespace

TPTListHeader::TPTListHeader(TPTCustomListView& list)
    : QHeaderView(Qt::Horizontal, &list)
    , m_list(list)
{
}

void TPTListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const std::uint32_t format = m_list.HeaderFormat(logicalIndex);
    if (!(format & (HDF_OWNERDRAW | HDF_STRING))) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    if (format & HDF_OWNERDRAW) {
        // The bare section; what stands on it is the list's to draw.
        option.text.clear();
        option.icon = QIcon();
        option.sortIndicator = QStyleOptionHeader::None;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        m_list.WMDrawItem(painter, logicalIndex, rect);
        return;
    }
    option.sortIndicator = (format & HDF_SORTUP) ? QStyleOptionHeader::SortUp
        : (format & HDF_SORTDOWN)                ? QStyleOptionHeader::SortDown
                                                 : QStyleOptionHeader::None;
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
}

TPTCustomListView::TPTCustomListView(QWidget* parent)
    : TCustomListView(parent)
    , m_contextMenu(*this)
{
    SetHeaderControl(new TPTListHeader(*this));
    setItemDelegate(new TPTCustomDrawDelegate(m_look, m_dropHighlightRow, this));
    setFont(m_font.ToQFont());
    m_font.OnChange = [this](framework::TFont& font) { setFont(font.ToQFont()); };
    QHeaderView* head = header();
    // A column came, went, was resized or changed its alignment: the formats follow.
    connect(head, &QHeaderView::sectionResized, this, [this] { SetHeaderODStyle(); });
    connect(head, &QHeaderView::sectionCountChanged, this, [this] { SetHeaderODStyle(); });
    connect(model(), &QAbstractItemModel::headerDataChanged, this, [this] { SetHeaderODStyle(); });
    connect(head, &QHeaderView::sectionClicked, this, [this] {
        if (QHeaderView* h = HeaderHandle())
            h->viewport()->update();
    });
}

TPTCustomListView::~TPTCustomListView()
{
    // The base's destructor still resets the model and the header; this part must not hear it.
    disconnect(header(), nullptr, this, nullptr);
    disconnect(model(), nullptr, this, nullptr);
}

void TPTCustomListView::SetColor(framework::TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    ApplyColor();
}

void TPTCustomListView::ApplyColor()
{
    // The text background and the list's background are the same colour.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, framework::ToQColor(m_color));
    setPalette(palette);
}

QHeaderView* TPTCustomListView::HeaderHandle() const
{
    return m_handleAllocated ? header() : nullptr;
}

std::uint32_t TPTCustomListView::HeaderFormat(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_headerFormats.size()))
        return 0;
    return m_headerFormats[static_cast<std::size_t>(column)];
}

TControlsVersion TPTCustomListView::HeaderControlsVersion() const { return ControlsVersion(6, 0); }

void TPTCustomListView::CreateWnd()
{
    ApplyColor();
    SetHeaderODStyle();
    framework::PostMessage(this, AM_INITSTAGE2);
}

bool TPTCustomListView::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_handleAllocated) {
        m_handleAllocated = true;
        CreateWnd();
    } else if (event->type() == static_cast<QEvent::Type>(AM_INITSTAGE2)) {
        SetHeaderODStyle();
        return true;
    }
    return TCustomListView::event(event);
}

void TPTCustomListView::changeEvent(QEvent* event)
{
    TCustomListView::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange && framework::IsSystemColor(m_color))
        ApplyColor();
}

void TPTCustomListView::InvalidateHeaderItem(int column)
{
    QHeaderView* head = HeaderHandle();
    if (!head || column < 0 || column >= head->count())
        return;
    head->viewport()->update(
        QRect(head->sectionViewportPosition(column), 0, head->sectionSize(column), head->height()));
}

void TPTCustomListView::SetHeaderSortColumn(int column)
{
    if (column == m_headerSortColumn)
        return;
    InvalidateHeaderItem(m_headerSortColumn);
    InvalidateHeaderItem(column);
    m_headerSortColumn = column;
    if (HeaderControlsVersion() >= ControlsVersion(6, 0) && HeaderHandle())
        SetHeaderODStyle();
}

void TPTCustomListView::SetHeaderSortDirection(TPTLvSortDirection direction)
{
    if (direction == m_headerSortDirection)
        return;
    InvalidateHeaderItem(m_headerSortColumn);
    m_headerSortDirection = direction;
    if (HeaderControlsVersion() >= ControlsVersion(6, 0) && HeaderHandle()
        && m_headerSortColumn >= 0)
        SetHeaderODStyle();
    if (QHeaderView* head = HeaderHandle())
        head->viewport()->repaint();
}

void TPTCustomListView::SetHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode mode)
{
    if (mode == m_headerSortDisplayMode)
        return;
    // A header older than 4.70 cannot show the indicator at all.
    m_headerSortDisplayMode = HeaderControlsVersion() < ControlsVersion(4, 70) ? ptlvNone : mode;
    SetHeaderODStyle();
    if (QHeaderView* head = HeaderHandle())
        head->viewport()->update();
}

void TPTCustomListView::SetHeaderDefaultDrawing(bool drawing)
{
    if (drawing == m_headerDefaultDrawing)
        return;
    m_headerDefaultDrawing = drawing;
    if (QHeaderView* head = HeaderHandle())
        head->viewport()->update();
}

void TPTCustomListView::SetHeaderODStyle()
{
    if (!m_handleAllocated || m_headerStyleUpdating > 0)
        return;
    const framework::TRaised updating(m_headerStyleUpdating);
    const bool ownerDraw = m_headerSortDisplayMode != ptlvNone
        && !(HeaderControlsVersion() >= ControlsVersion(6, 0)
            && m_headerSortDisplayMode == ptlvRightOfText);
    const int count = Columns().Count();
    m_headerFormats.assign(static_cast<std::size_t>(count), 0);
    for (int i = count - 1; i >= 0; --i) {
        std::uint32_t format = Justification(Columns()[i]->Alignment()) & HDF_JUSTIFYMASK;
        if (ownerDraw) {
            format |= HDF_OWNERDRAW;
        } else {
            format |= HDF_STRING;
            // No indicator means none, not the header's own.
            if (i == m_headerSortColumn && m_headerSortDisplayMode != ptlvNone)
                format |= m_headerSortDirection == ptsdAsc ? HDF_SORTUP : HDF_SORTDOWN;
        }
        m_headerFormats[static_cast<std::size_t>(i)] = format;
    }
    header()->viewport()->update();
}

void TPTCustomListView::WMDrawItem(QPainter* painter, int column, const QRect& rect)
{
    const TPainterSaved saved(painter);
    m_headerCanvas.SetHandle(painter);
    struct TDetach
    {
        framework::TCanvas& canvas;
        ~TDetach() { canvas.SetHandle(nullptr); }
    } detach { m_headerCanvas };
    DrawHeader(column, TRect::FromQRect(rect));
}

void TPTCustomListView::DrawHeader(int column, TRect r)
{
    m_headerCanvas.Font().Assign(m_font);
    m_headerCanvas.Brush().SetColor(framework::clBtnFace);
    r.Inflate(-2, -2);
    if (m_headerDefaultDrawing)
        DefaultDrawHeader(column, r);
}

void TPTCustomListView::DefaultDrawHeader(int column, TRect r)
{
    const framework::TListColumn* col = Columns()[column];
    QPainter* painter = m_headerCanvas.Handle();
    if (!col || !painter)
        return;
    TRect t = r;
    t.Left += 4;
    t.Right -= 4;
    painter->setClipRect(r.ToQRect(), Qt::IntersectClip);

    const QFont font = m_headerCanvas.Font().ToQFont();
    const QFontMetrics metrics(font, painter->device());
    const QString& caption = col->Caption();
    const bool rightAligned = col->Alignment() == framework::TAlignment::taRightJustify;
    Qt::Alignment align = Qt::AlignLeft;
    if (rightAligned)
        align = Qt::AlignRight;
    else if (col->Alignment() == framework::TAlignment::taCenter)
        align = Qt::AlignHCenter;
    auto elided = [&](const TRect& rect) {
        return metrics.elidedText(caption, Qt::ElideRight, std::max(0, rect.Width()));
    };
    auto drawText = [&](const TRect& rect) {
        if (rect.Width() <= 0)
            return;
        painter->setFont(font);
        painter->setPen(framework::ToQColor(m_headerCanvas.Font().Color()));
        painter->drawText(rect.ToQRect(),
            static_cast<int>(align | Qt::AlignTop | Qt::TextSingleLine), elided(rect));
    };
    // Leaves `rect` as the extent of the text drawn in it.
    auto measure = [&](TRect& rect) {
        const int width
            = std::min(metrics.horizontalAdvance(elided(rect)), std::max(0, rect.Width()));
        rect.Right = rect.Left + width;
        rect.Bottom = rect.Top + metrics.height();
    };
    const bool sorted = column == m_headerSortColumn;
    switch (m_headerSortDisplayMode) {
    case ptlvNone:
        drawText(t);
        break;
    case ptlvLeftAlign:
        if (sorted && header()->sectionSize(column) > 15) {
            const TRect a = ArrowBox(t);
            DrawHeaderGlyphs(column, a);
            t.Left = a.Right + 5;
        }
        drawText(t);
        break;
    case ptlvRightOfText:
        if (!rightAligned) {
            drawText(t);
            measure(t);
            t.Offset(t.Width() + 5, 0);
            DrawHeaderGlyphs(column, ArrowBox(t));
        } else {
            if (sorted) {
                TRect a = ArrowBox(t);
                a.Offset(t.Width() - a.Width() - 5, 0);
                DrawHeaderGlyphs(column, a);
                t.Right = a.Left - 4;
            }
            drawText(t);
        }
        break;
    case ptlvRightAlign: {
        TRect a = ArrowBox(t);
        a.Offset(t.Width() - a.Width() - 5, 0);
        DrawHeaderGlyphs(column, a);
        if (sorted)
            t.Right = a.Left - 4;
        drawText(t);
        break;
    }
    }
}

void TPTCustomListView::DrawHeaderGlyphs(int column, TRect a)
{
    if (column != m_headerSortColumn || !(2 * a.Width() < header()->sectionSize(column)))
        return;
    if (m_headerSortDirection == ptsdDesc)
        DrawUpArrow(m_headerCanvas, a, framework::clBtnFace, framework::clBtnShadow,
            framework::clBtnHighlight);
    else
        DrawDownArrow(m_headerCanvas, a, framework::clBtnFace, framework::clBtnShadow,
            framework::clBtnHighlight);
}

std::int32_t TPTCustomListView::CustomDrawNotify(TNMCustomDraw& record)
{
    std::int32_t result = CDRF_DODEFAULT;
    m_customDraw.reset();
    // Painting goes on with the default look when a drawing handler fails; the failure is
    // reported once the paint is over.
    if (!framework::GuardedQuery([&] { m_customDraw = PTCustomDraw(record, result); }))
        result = CDRF_DODEFAULT;
    return result;
}

std::unique_ptr<TPTCustomDraw> TPTCustomListView::PTCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    const bool plain = static_cast<bool>(OnPTCustomDraw);
    const bool ex = static_cast<bool>(OnPTCustomDrawEx);
    const bool item = (record.dwDrawStage & CDDS_ITEM) != 0;
    auto itemOf = [&]() -> TListItem* {
        return item ? Items().Item(static_cast<int>(record.dwItemSpec)) : nullptr;
    };
    std::unique_ptr<TPTCustomDraw> draw;
    TListItem* listItem = nullptr;
    bool found = false;
    if (ex) {
        draw = CreateCustomDraw(record, result);
        listItem = itemOf();
        found = true;
        OnPTCustomDrawEx(this, draw.get(), listItem);
    }
    if (plain && (record.dwDrawStage & CDDS_ITEMPREPAINT) == CDDS_ITEMPREPAINT) {
        if (!draw)
            draw = CreateCustomDraw(record, result);
        if (!found)
            listItem = itemOf();
        OnPTCustomDraw(this, draw.get(), listItem);
    }
    if (draw)
        draw->Apply();
    if (record.dwDrawStage & CDDS_PREPAINT)
        result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

std::unique_ptr<TPTCustomDraw> TPTCustomListView::CreateCustomDraw(
    TNMCustomDraw& record, std::int32_t& result)
{
    return std::make_unique<TPTLvCustomDraw>(record, result, m_font);
}

void TPTCustomListView::paintEvent(QPaintEvent* event)
{
    PaintWithCustomDraw<TNMLVCustomDraw>(
        this, viewport(), [this](TNMCustomDraw& record) { return CustomDrawNotify(record); },
        [&](bool itemStages) {
            const framework::TScopedValue stages(m_itemStages, itemStages);
            TCustomListView::paintEvent(event);
        });
}

void TPTCustomListView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    TListItem* item = index.parent().isValid() ? nullptr : Items().Item(index.row());
    if (!m_itemStages || !item) {
        TCustomListView::drawRow(painter, option, index);
        return;
    }
    // A notification may change the view's state, as painting one row is a notification.
    auto* self = const_cast<TPTCustomListView*>(this);
    TCustomDrawRow row;
    row.ItemId = static_cast<std::uintptr_t>(index.row());
    row.ItemParam = reinterpret_cast<std::intptr_t>(item->Data());
    row.Selected = selectionModel()->isRowSelected(index.row(), index.parent());
    row.Focused = index.row() == currentIndex().row() && hasFocus();
    DrawRowWithCustomDraw<TNMLVCustomDraw>(
        self, painter, option, row,
        [self](TNMCustomDraw& record) { return self->CustomDrawNotify(record); },
        [&](const TPTItemLook& look) {
            const framework::TScopedValue drawing(self->m_look, look);
            TCustomListView::drawRow(painter, option, index);
        });
}

void TPTCustomListView::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (TItemContextMenu::TakeMenuKey(key, shift))
        DoPreItemContextMenu({ 0, 0 });
    TCustomListView::KeyDown(key, shift);
}

QRect TPTCustomListView::IconRect(TListItem* item) const
{
    const QModelIndex index = Items().IndexOf(item);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.text = index.data(Qt::DisplayRole).toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    option.decorationSize = iconSize();
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

void TPTCustomListView::DoPreItemContextMenu(TPoint pos)
{
    TListItem* focused = ItemFocused();
    TListItem* anchor = nullptr;
    if (focused && focused->Selected())
        anchor = focused;
    else if (focused && SelCount() > 0)
        anchor = Selected();
    if (!anchor) {
        if (QMenu* menu = PopupMenu())
            m_contextMenu.Popup(menu, pos);
        return;
    }
    const TRect icon = TRect::FromQRect(IconRect(anchor));
    DoItemContextMenu({ (icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2 });
}

void TPTCustomListView::DoItemContextMenu(TPoint pos)
{
    QMenu* menu = PopupMenu();
    ItemContextMenu(ItemFocused(), pos, menu);
    m_contextMenu.SetMenuShown();
    if (menu)
        m_contextMenu.Popup(menu, pos);
}

void TPTCustomListView::ItemContextMenu(TListItem* item, TPoint& pos, QMenu*& menu)
{
    if (OnItemContextMenu)
        OnItemContextMenu(this, item, pos, menu);
}

void TPTCustomListView::WMContextMenu(QPoint pos, bool keyboard)
{
    if (m_contextMenu.MenuShown())
        return;
    if (SelCount() == 0) {
        BackgroundContextMenu(keyboard ? TPoint { 0, 0 } : TPoint { pos.x(), pos.y() });
        return;
    }
    if (!ItemFocused())
        return;
    if (keyboard)
        DoPreItemContextMenu({ 0, 0 });
    else
        DoItemContextMenu({ pos.x(), pos.y() });
}

void TPTCustomListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        TCustomListView::mouseReleaseEvent(event);
        return;
    }
    m_contextMenu.RightButtonReleased(
        event->position().toPoint(),
        [this](QPoint pos) {
            DoPreItemContextMenu({ pos.x(), pos.y() });
        },
        [this](QPoint pos) { WMContextMenu(pos, false); },
        [&] { TCustomListView::mouseReleaseEvent(event); });
}

void TPTCustomListView::contextMenuEvent(QContextMenuEvent* event)
{
    TItemContextMenu::ContextMenuEvent(event, [this] { WMContextMenu({}, true); });
}

void TPTCustomListView::SetDropHighlightRow(const QModelIndex& index)
{
    if (m_dropHighlightRow == index)
        return;
    m_dropHighlightRow = index;
    viewport()->update();
}

} // namespace sondrel::shell
