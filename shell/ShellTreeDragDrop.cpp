// Drag and drop in the shell tree: a node's folder dragged out, files dropped onto the folder
// of the node under the pointer, autoscroll near the edges, the auto-open of a collapsed node
// the pointer rests on, and the wheel over a neighbouring shell control.

#include "Cursor.h"
#include "FolderDropTarget.h"
#include "Guard.h"
#include "IdListArray.h"
#include "ShellDragDrop.h"
#include "ShellTree.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace sondrel::shell {

using namespace win32;
using framework::TTreeNode;

namespace {

    constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

    Qt::DropAction OneAction(DWORD effect)
    {
        effect &= kAllEffects;
        return static_cast<Qt::DropAction>(effect & (~effect + 1));
    }

} // namespace

void TPTCustomShellTree::ApplyDragDropOptions()
{
    setDragEnabled(HasOption(ptstoOleDrag));
    setAcceptDrops(HasOption(ptstoOleDrop));
    viewport()->setAcceptDrops(HasOption(ptstoOleDrop));
    setDragDropMode(
        HasOption(ptstoOleDrop) ? DragDrop : (HasOption(ptstoOleDrag) ? DragOnly : NoDragDrop));
}

DWORD TPTCustomShellTree::GetDragDropAttributesForNode(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    IShellFolder_NRC* parent = shData ? shData->GetParentIShf() : nullptr;
    if (!parent)
        return kAllEffects;
    SFGAOF attributes = kAllEffects;
    PCIDLIST items[] = { shData->RelPidl() };
    if (FAILED(parent->GetAttributesOf(1, items, &attributes)))
        return kAllEffects;
    return attributes & kAllEffects;
}

void TPTCustomShellTree::startDrag(Qt::DropActions)
{
    TTreeNode* node = Items().NodeAt(currentIndex());
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData || IdListLen(shData->GetAbsPidl()) <= 2)
        return;
    framework::Guarded([&] {
        TPTIdListArray levels(shData->GetAbsPidl());
        const HeldPidl parent(CopyIdList(nullptr, levels.GoUp(1)));
        Held<IDataObject_NRC> held;
        auto* offer = new TDataObject_shtv(parent.Get(), shData->RelPidl());
        (void)offer->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(held.Out()));
        const DWORD allowed = GetDragDropAttributesForNode(node);
        m_busy = true;
        m_refreshPending = false;
        SetDropHighlight(node);
        DWORD effect = DROPEFFECT_NONE;
        {
            const framework::TAtScopeEnd done([this] {
                m_busy = false;
                SetDropHighlight(nullptr);
            });
            effect = RunDrag(this, *offer, allowed);
        }
        // After a move the target has moved the folder; the tree only shows what is there now.
        if (effect != DROPEFFECT_NONE || std::exchange(m_refreshPending, false))
            RefreshNodes();
    });
}

void TPTCustomShellTree::SetDropHighlight(TTreeNode* node)
{
    if (m_dropHighlight == node)
        return;
    m_dropHighlight = node;
    SetDropHighlightRow(node ? Items().IndexOf(node) : QModelIndex());
}

DWORD TPTCustomShellTree::DropStep(QPoint point, DWORD keyState, DWORD offered, bool dropping)
{
    TTreeNode* node = Items().NodeAt(indexAt(point));
    TPTShTreeData* shData = GetDataFromNode(node);
    Held<IDropTarget_NRC> target;
    if (shData && IdListLen(shData->GetAbsPidl()) > 2)
        target.Reset(shData->GetIDropTarget(OwnerWindow()));
    if (!target) {
        SetDropHighlight(nullptr);
        return DROPEFFECT_NONE;
    }
    const POINTL at { point.x(), point.y() };
    DWORD effect = offered;
    if (!dropping) {
        (void)target->DragEnter(m_dropData.Get(), keyState, at, &effect);
        effect = offered;
        (void)target->DragOver(keyState, at, &effect);
        (void)target->DragLeave();
        SetDropHighlight(effect != DROPEFFECT_NONE ? node : nullptr);
        return effect;
    }
    // The buttons are up by now; the target hears the ones the drag began with.
    keyState |= m_dropKeyState & (MK_LBUTTON | MK_RBUTTON);
    const DWORD allowed = offered & AllowedEffectsOf(m_dropData.Get());
    DWORD ignored = allowed;
    (void)target->DragEnter(m_dropData.Get(), keyState, at, &ignored);
    ignored = allowed;
    (void)target->DragOver(keyState, at, &ignored);
    effect = allowed;
    {
        framework::THourglass hourglass;
        (void)target->Drop(m_dropData.Get(), keyState, at, &effect);
    }
    RefreshNodes();
    return effect;
}

void TPTCustomShellTree::DragRests(QPoint point)
{
    if (AutoScrollStep(*this, point, m_lastAutoScroll))
        m_hoverTime.invalidate();
    AutoOpen(point);
}

void TPTCustomShellTree::AutoOpen(QPoint point)
{
    // Resting means staying within a small box around where the pointer came to rest.
    const QRect rest(m_hoverPoint.x() - PTSH_AUTOOPEN_THRESHOLD_X / 2,
        m_hoverPoint.y() - PTSH_AUTOOPEN_THRESHOLD_Y / 2,
        PTSH_AUTOOPEN_THRESHOLD_X + PTSH_AUTOOPEN_THRESHOLD_X / 2 + 1,
        PTSH_AUTOOPEN_THRESHOLD_Y + PTSH_AUTOOPEN_THRESHOLD_Y / 2 + 1);
    if (!m_hoverTime.isValid() || !rest.contains(point)) {
        m_hoverPoint = point;
        m_hoverTime.start();
        return;
    }
    if (m_hoverTime.elapsed() <= PTSH_AUTOOPEN_DELAY_MS)
        return;
    if (TTreeNode* node = Items().NodeAt(indexAt(point)); node && !node->Expanded()) {
        if (GetDataFromNode(node) && node->Count() == 0)
            node->SetHasChildren(true);
        node->Expand(false);
    }
    m_hoverPoint = point;
    m_hoverTime.start();
}

// ---- Qt's drag events

void TPTCustomShellTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (!HasOption(ptstoOleDrop)) {
        event->ignore();
        return;
    }
    m_dropData.Reset(DataObjectOf(*event->mimeData()));
    if (!m_dropData) {
        event->ignore();
        return;
    }
    m_dropKeyState = DragKeyState(event->buttons(), event->modifiers());
    m_lastAutoScroll.start();
    m_hoverTime.invalidate();
    event->acceptProposedAction();
}

void TPTCustomShellTree::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_dropData) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    const DWORD keyState = DragKeyState(event->buttons(), event->modifiers());
    m_dropOffered = static_cast<DWORD>(event->possibleActions().toInt()) & kAllEffects;
    DWORD effect = DROPEFFECT_NONE;
    framework::Guarded([&] {
        effect = DropStep(point, keyState, m_dropOffered, false);
        DragRests(point);
    });
    m_dragHover.Moved(point, keyState);
    if ((effect & kAllEffects) == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->setDropAction(OneAction(effect));
    event->accept();
}

void TPTCustomShellTree::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dragHover.Stop();
    m_dropData.Reset();
    SetDropHighlight(nullptr);
    event->accept();
}

void TPTCustomShellTree::dropEvent(QDropEvent* event)
{
    m_dragHover.Stop();
    if (!m_dropData) {
        event->ignore();
        return;
    }
    DWORD effect = DROPEFFECT_NONE;
    framework::Guarded([&] {
        const framework::TAtScopeEnd done([this] {
            m_dropData.Reset();
            SetDropHighlight(nullptr);
        });
        effect
            = DropStep(event->position().toPoint(), DragKeyState(Qt::NoButton, event->modifiers()),
                static_cast<DWORD>(event->possibleActions().toInt()) & kAllEffects, true);
    });
    if ((effect & kAllEffects) == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->setDropAction(OneAction(effect));
    event->accept();
}

// ---- The wheel

void TPTCustomShellTree::wheelEvent(QWheelEvent* event)
{
    // Over a neighbouring shell list or tree the wheel turns that control, as the pointer says.
    QWidget* under = QApplication::widgetAt(event->globalPosition().toPoint());
    for (QWidget* w = under; w != nullptr; w = w->parentWidget()) {
        if (w == this)
            break;
        if (qobject_cast<TPTCustomShellList*>(w) || qobject_cast<TPTCustomShellTree*>(w)) {
            auto* view = static_cast<QAbstractScrollArea*>(w);
            QWheelEvent forwarded(view->viewport()->mapFromGlobal(event->globalPosition()),
                event->globalPosition(), event->pixelDelta(), event->angleDelta(), event->buttons(),
                event->modifiers(), event->phase(), event->inverted());
            QApplication::sendEvent(view->viewport(), &forwarded);
            event->accept();
            return;
        }
    }
    TPTCustomTreeView::wheelEvent(event);
}

} // namespace sondrel::shell
