#include "Splitter.h"

#include "SizingLine.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace sondrel::layout {

TPTSplitter::TPTSplitter(QWidget* parent)
    : QWidget(parent)
    , m_sizingLine(new TPTSizingLine(this))
{
    setFocusPolicy(Qt::NoFocus); // the bar does not move from the keyboard
    for (int i = 0; i < 2; ++i) {
        auto* pane = new TPTPane(this);
        pane->SetIndex(i);
        m_panes[i] = pane;
    }
    NamePanes();
    connect(this, &QObject::objectNameChanged, this, [this] { NamePanes(); });
    UpdateCursor();
    resize(200, 140);
    FixProportion();
    InitPanePos();
}

TPTSplitter::~TPTSplitter() = default;

TPTPane* TPTSplitter::GetPane(int index) const
{
    return index == 0 || index == 1 ? m_panes[index].data() : nullptr;
}

void TPTSplitter::NamePanes()
{
    for (const QPointer<TPTPane>& pane : m_panes) {
        if (!pane)
            continue;
        const QString name = objectName() + QStringLiteral("_pane%1").arg(pane->Index() + 1);
        if (pane->objectName() != name)
            pane->setObjectName(name);
    }
}

void TPTSplitter::UpdateCursor()
{
    setCursor(m_style == ptstVertical ? Qt::SplitHCursor : Qt::SplitVCursor);
}

void TPTSplitter::SetStyle(TPTSplitterStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    UpdateCursor();
    InitPanePos();
}

void TPTSplitter::SetSplitterWidth(int width)
{
    if (width == m_splitterWidth)
        return;
    m_splitterWidth = width;
    InitPanePos();
}

int TPTSplitter::Extent() const { return m_style == ptstVertical ? width() : height(); }

int TPTSplitter::Clamped(int position) const
{
    if (!m_panes[0] || !m_panes[1])
        return position;
    // Pane 2's bound first, so that pane 1 keeps its minimum whenever the splitter is too small
    // for both minimums, wherever the bar was asked to go.
    position = std::min(position, Extent() - m_panes[1]->MinSize());
    return std::max(position, m_panes[0]->MinSize());
}

void TPTSplitter::SetPosition(int position) { InternalSetPosition(position, true); }

void TPTSplitter::InternalSetPosition(int position, bool updateProportion)
{
    position = Clamped(position);
    if (position == m_position)
        return;
    m_position = position;
    InitPanePos();
    if (updateProportion)
        FixProportion();
    Change();
}

void TPTSplitter::FixProportion()
{
    const int extent = Extent();
    m_proportion = extent == 0 ? 0.5f : static_cast<float>(m_position) / static_cast<float>(extent);
}

void TPTSplitter::SetProportion(float proportion)
{
    m_proportion = proportion;
    InternalResize(true);
}

void TPTSplitter::SetColor(TColor color)
{
    m_color = color;
    update();
}

TColor TPTSplitter::Pane1Color() const { return m_panes[0] ? m_panes[0]->Color() : m_color; }
TColor TPTSplitter::Pane2Color() const { return m_panes[1] ? m_panes[1]->Color() : m_color; }
TPTFrameStyle TPTSplitter::Pane1FrameStyle() const
{
    return m_panes[0] ? m_panes[0]->FrameStyle() : ptfsNone;
}
TPTFrameStyle TPTSplitter::Pane2FrameStyle() const
{
    return m_panes[1] ? m_panes[1]->FrameStyle() : ptfsNone;
}
int TPTSplitter::Pane1MinSize() const { return m_panes[0] ? m_panes[0]->MinSize() : 0; }
int TPTSplitter::Pane2MinSize() const { return m_panes[1] ? m_panes[1]->MinSize() : 0; }

void TPTSplitter::SetPane1Color(TColor color)
{
    if (m_panes[0])
        m_panes[0]->SetColor(color);
}
void TPTSplitter::SetPane2Color(TColor color)
{
    if (m_panes[1])
        m_panes[1]->SetColor(color);
}
void TPTSplitter::SetPane1FrameStyle(TPTFrameStyle style)
{
    if (m_panes[0])
        m_panes[0]->SetFrameStyle(style);
}
void TPTSplitter::SetPane2FrameStyle(TPTFrameStyle style)
{
    if (m_panes[1])
        m_panes[1]->SetFrameStyle(style);
}
void TPTSplitter::SetPane1MinSize(int size)
{
    if (m_panes[0])
        m_panes[0]->SetMinSize(size);
}
void TPTSplitter::SetPane2MinSize(int size)
{
    if (m_panes[1])
        m_panes[1]->SetMinSize(size);
}

void TPTSplitter::InitPanePos()
{
    if (!m_panes[0])
        return;
    const int w = width();
    const int h = height();
    const int second = m_position + m_splitterWidth;
    if (m_style == ptstVertical) {
        m_panes[0]->setGeometry(0, 0, m_position, h);
        if (m_panes[1])
            m_panes[1]->setGeometry(second, 0, w - second, h);
    } else {
        m_panes[0]->setGeometry(0, 0, w, m_position);
        if (m_panes[1])
            m_panes[1]->setGeometry(0, second, w, h - second);
    }
}

void TPTSplitter::SwapPanes(bool adjustPosition)
{
    std::swap(m_panes[0], m_panes[1]);
    for (int i = 0; i < 2; ++i)
        if (m_panes[i])
            m_panes[i]->SetIndex(i);
    if (adjustPosition)
        SetPosition(Extent() - m_position);
    InitPanePos();
}

void TPTSplitter::Loaded()
{
    QList<QPointer<TPTPane>> read;
    for (TPTPane* pane : findChildren<TPTPane*>(Qt::FindDirectChildrenOnly))
        read.append(pane);
    for (const QPointer<TPTPane>& pane : read) {
        if (!pane || pane->Index() < 0 || pane->Index() > 1)
            continue;
        QPointer<TPTPane>& slot = m_panes[pane->Index()];
        if (slot == pane)
            continue;
        delete slot.data();
        slot = pane;
    }
    NamePanes();
    InitPanePos();
    FixProportion();
}

bool TPTSplitter::IsFullDrag() const
{
    switch (m_fullDragMode) {
    case ptfdOff:
        return false;
    case ptfdOn:
        return true;
    case ptfdUser:
        break;
    }
    return style()->styleHint(QStyle::SH_Splitter_OpaqueResize, nullptr, this) != 0;
}

void TPTSplitter::Change()
{
    if (OnChange)
        OnChange(this);
}

void TPTSplitter::InternalResize(bool force)
{
    if (force || m_proportional) {
        // Rounded half to even, the default floating-point rounding.
        double wanted = static_cast<double>(Extent()) * static_cast<double>(m_proportion);
        // A proportion written from outside may be anything; no conversion may overflow.
        if (!std::isfinite(wanted))
            wanted = m_position;
        wanted = std::clamp(wanted, -1e9, 1e9);
        InternalSetPosition(static_cast<int>(std::nearbyint(wanted)), false);
    }
    if (OnResize)
        OnResize(this);
}

void TPTSplitter::SplitterDrag(int position)
{
    if (OnSplitterDrag)
        OnSplitterDrag(this, position);
}

void TPTSplitter::SplitterDrop(int position)
{
    FixProportion();
    if (OnSplitterDrop)
        OnSplitterDrop(this, position);
}

int TPTSplitter::DragCoordinate(const QMouseEvent* event) const
{
    const QPoint point = event->position().toPoint();
    return m_style == ptstVertical ? point.x() : point.y();
}

bool TPTSplitter::InPane(const QPoint& point) const
{
    for (const QPointer<TPTPane>& pane : m_panes)
        if (pane && pane->geometry().contains(point))
            return true;
    return false;
}

void TPTSplitter::mousePressEvent(QMouseEvent* event)
{
    // Presses inside a pane that its children left unhandled are not the bar's.
    if (InPane(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragging) {
        EndDrag();
        return;
    }
    // Qt keeps the mouse with this widget while a button that was pressed here is held.
    m_dragButton = event->button();
    BeginDrag(DragCoordinate(event));
}

void TPTSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        ContinueDrag(DragCoordinate(event));
}

void TPTSplitter::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != m_dragButton)
        return;
    ContinueDrag(DragCoordinate(event));
    const int old = m_position;
    m_position = m_dragPosition - m_dragOffset;
    EndDrag();
    InitPanePos();
    SplitterDrop(m_position);
    if (m_position != old)
        Change();
}

void TPTSplitter::BeginDrag(int coordinate)
{
    const QRect first = m_panes[0] ? m_panes[0]->geometry() : QRect();
    m_dragOffset = coordinate
        - (m_style == ptstVertical ? first.x() + first.width() : first.y() + first.height());
    m_dragIsFull = IsFullDrag();
    m_dragging = true;
    m_dragPosition = -1;
    SetDragPosition(Clamped(coordinate - m_dragOffset) + m_dragOffset);
}

void TPTSplitter::ContinueDrag(int coordinate)
{
    const int position = Clamped(coordinate - m_dragOffset) + m_dragOffset;
    if (position != m_dragPosition)
        SetDragPosition(position);
}

void TPTSplitter::EndDrag()
{
    if (!m_dragging)
        return;
    SetDragPosition(-1);
    m_dragging = false;
    m_dragButton = Qt::NoButton;
}

void TPTSplitter::SetDragPosition(int position)
{
    if (!m_dragIsFull) {
        if (m_dragPosition >= 0)
            PaintSizingLine();
        m_dragPosition = position;
        if (position >= 0)
            PaintSizingLine();
    } else if (position >= 0) {
        m_dragPosition = position;
        SetPosition(position - m_dragOffset);
    }
    SplitterDrag(m_dragPosition);
}

void TPTSplitter::PaintSizingLine()
{
    const int at = m_dragPosition - m_dragOffset;
    m_sizingLine->Invert(m_style == ptstVertical ? QRect(at, 0, m_splitterWidth, height())
                                                 : QRect(0, at, width(), m_splitterWidth));
}

void TPTSplitter::resizeEvent(QResizeEvent* /*event*/)
{
    InternalResize(false);
    InitPanePos();
}

void TPTSplitter::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), framework::ToQColor(m_color));
}

void TPTSplitter::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Another window took the mouse: the drag ends where it is.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        EndDrag();
}

void TPTSplitter::hideEvent(QHideEvent* /*event*/) { EndDrag(); }

} // namespace sondrel::layout
