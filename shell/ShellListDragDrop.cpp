// Drag and drop in the shell list: dragging the selected items out, and the items of other
// places (or of this list) dropped onto an item that takes drops or onto the folder shown.

#include "Cursor.h"
#include "FolderDropTarget.h"
#include "Guard.h"
#include "ShellDragDrop.h"
#include "ShellList.h"

#include <QDragEnterEvent>
#include <QMimeData>

namespace sondrel::shell {

using namespace win32;
using framework::TListItem;

namespace {

    constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

} // namespace

void TPTCustomShellList::ApplyDragDropOptions()
{
    setDragEnabled(HasOption(ptsloOleDrag));
    setAcceptDrops(HasOption(ptsloOleDrop));
    viewport()->setAcceptDrops(HasOption(ptsloOleDrop));
    setDragDropMode(
        HasOption(ptsloOleDrop) ? DragDrop : (HasOption(ptsloOleDrag) ? DragOnly : NoDragDrop));
}

DWORD TPTCustomShellList::GetDragDropAttributesForItem(TListItem* item)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData || !m_current.Interface.Get())
        return 0;
    SFGAOF attributes = kAllEffects;
    PCIDLIST items[] = { shData->RelativeIdList() };
    if (FAILED(m_current.Interface->GetAttributesOf(1, items, &attributes)))
        return 0;
    return attributes & kAllEffects;
}

DWORD TPTCustomShellList::GetDragDropAttributesForAllSelected()
{
    const std::vector<PCItemIDList> items = SelectedIdLists();
    if (items.empty() || !m_current.Interface.Get())
        return 0;
    SFGAOF attributes = kAllEffects;
    if (FAILED(m_current.Interface->GetAttributesOf(
            static_cast<UINT>(items.size()), items.data(), &attributes)))
        return 0;
    return attributes & kAllEffects;
}

TPTShellDataObject* TPTCustomShellList::NewSelectionDataObject() const
{
    return new TDataObject_shlv(m_current.IdList.Get(), SelectedIdLists());
}

void TPTCustomShellList::startDrag(Qt::DropActions)
{
    framework::Guarded([this] { OleBeginDrag(DragButton()); });
}

void TPTCustomShellList::OleBeginDrag(Qt::MouseButton)
{
    const std::vector<PCItemIDList> items = SelectedIdLists();
    if (items.empty() || !m_current.Interface.Get())
        return;
    const DWORD allowed = GetDragDropAttributesForAllSelected();
    if (allowed == 0)
        return;
    m_busy = true;
    m_ownDrag = true;
    m_refreshPending = false;
    DWORD effect = 0;
    {
        Held<IDataObject_NRC> held;
        TPTShellDataObject* offer = NewSelectionDataObject();
        (void)offer->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(held.Out()));
        const framework::TAtScopeEnd done([this] {
            m_busy = false;
            m_ownDrag = false;
        });
        effect = RunDrag(this, *offer, allowed);
    }
    // After a move the target has moved the files; the list only shows what is there now.
    if (effect != DROPEFFECT_NONE || std::exchange(m_refreshPending, false)) {
        RefreshItems();
        SortList();
    }
}

void TPTCustomShellList::SetDropHighlight(TListItem* item)
{
    if (m_dropHighlight == item)
        return;
    m_dropHighlight = item;
    SetDropHighlightRow(item ? model()->index(item->Index(), 0) : QModelIndex());
}

Held<IDropTarget_NRC> TPTCustomShellList::DropTargetAt(
    QPoint point, DWORD keyState, bool dropping, TListItem*& item, bool& decided)
{
    decided = false;
    item = GetItemAt(point.x(), point.y());
    Held<IDropTarget_NRC> target;
    if (item && !GetDataFromItem(item)) {
        item = nullptr;
        decided = true; // an item of no shell data: nothing to drop on
        return target;
    }
    if (item) {
        if (SUCCEEDED(
                GetUIObjectForItem(item, IID_IDropTarget, reinterpret_cast<void**>(target.Out())))
            && target)
            return target;
        item = nullptr;
    } else if (m_ownDrag) {
        // The list's own items stay in their folder: with the left button nothing happens; with
        // the right a copy is offered (a drop copies them beside themselves).
        const bool right = (m_dropKeyState | keyState) & MK_RBUTTON;
        if (!right || !dropping) {
            decided = true;
            return target;
        }
    }
    target.Reset(FolderDropTargetOf(m_current.IdList.Get()));
    return target;
}

HRESULT TPTCustomShellList::OnDropTarget_DragEnter(
    IDataObject_NRC* offer, DWORD keyState, QPoint point, DWORD* effect)
{
    m_lastAutoScroll.start();
    m_dropData = HoldReference(offer);
    m_dropKeyState = keyState;
    return OnDropTarget_DragOver(keyState, point, effect);
}

HRESULT TPTCustomShellList::OnDropTarget_DragOver(DWORD keyState, QPoint point, DWORD* effect)
{
    TListItem* item = nullptr;
    bool decided = false;
    Held<IDropTarget_NRC> target = DropTargetAt(point, keyState, false, item, decided);
    HRESULT result = S_OK;
    if (decided) {
        const bool right = (m_dropKeyState | keyState) & MK_RBUTTON;
        *effect = (m_ownDrag && right && !item) ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
        SetDropHighlight(nullptr);
    } else if (target) {
        const DWORD offered = *effect;
        (void)target->DragEnter(m_dropData.Get(), keyState, { point.x(), point.y() }, effect);
        *effect = offered;
        result = target->DragOver(keyState, { point.x(), point.y() }, effect);
        (void)target->DragLeave();
        SetDropHighlight(*effect != DROPEFFECT_NONE ? item : nullptr);
    } else {
        *effect = DROPEFFECT_NONE;
        SetDropHighlight(nullptr);
    }
    AutoScrollStep(*this, point, m_lastAutoScroll);
    *effect |= DROPEFFECT_SCROLL;
    return result;
}

HRESULT TPTCustomShellList::OnDropTarget_DragLeave()
{
    m_dropData.Reset();
    SetDropHighlight(nullptr);
    return S_OK;
}

HRESULT TPTCustomShellList::OnDropTarget_Drop(
    IDataObject_NRC* offer, DWORD keyState, QPoint point, DWORD* effect)
{
    const framework::TAtScopeEnd done([this] {
        m_dropData.Reset();
        SetDropHighlight(nullptr);
    });
    TListItem* item = nullptr;
    bool decided = false;
    Held<IDropTarget_NRC> target = DropTargetAt(point, keyState, true, item, decided);
    if (!item && m_ownDrag && !decided)
        *effect &= ~DROPEFFECT_MOVE; // the right button over its own empty space: copies only
    if (!target) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    // The buttons are up by now; the target hears the ones the drag began with.
    keyState |= m_dropKeyState & (MK_LBUTTON | MK_RBUTTON);
    const DWORD allowed = *effect & AllowedEffectsOf(offer);
    DWORD ignored = allowed;
    (void)target->DragEnter(offer, keyState, { point.x(), point.y() }, &ignored);
    ignored = allowed;
    (void)target->DragOver(keyState, { point.x(), point.y() }, &ignored);
    *effect = allowed;
    HRESULT result = S_OK;
    {
        framework::THourglass hourglass;
        result = target->Drop(offer, keyState, { point.x(), point.y() }, effect);
    }
    RefreshItems();
    return result;
}

// ---- Qt's drag events

void TPTCustomShellList::dragEnterEvent(QDragEnterEvent* event)
{
    if (!HasOption(ptsloOleDrop))
        return event->ignore();
    Held<IDataObject_NRC> offer(DataObjectOf(*event->mimeData()));
    DWORD effect = static_cast<DWORD>(event->possibleActions().toInt()) & kAllEffects;
    if (!offer) {
        event->ignore();
        return;
    }
    m_dropOffered = effect;
    const DWORD keyState = DragKeyState(event->buttons(), event->modifiers());
    framework::Guarded([&] {
        (void)OnDropTarget_DragEnter(offer.Get(), keyState, event->position().toPoint(), &effect);
    });
    m_dragHover.Moved(event->position().toPoint(), keyState);
    // Entering is accepted so that moves are heard; each move decides.
    event->acceptProposedAction();
    if ((effect & kAllEffects) != 0)
        event->setDropAction(
            static_cast<Qt::DropAction>(effect & kAllEffects & -(effect & kAllEffects)));
}

void TPTCustomShellList::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_dropData) {
        event->ignore();
        return;
    }
    DWORD effect = static_cast<DWORD>(event->possibleActions().toInt()) & kAllEffects;
    m_dropOffered = effect;
    const DWORD keyState = DragKeyState(event->buttons(), event->modifiers());
    framework::Guarded(
        [&] { (void)OnDropTarget_DragOver(keyState, event->position().toPoint(), &effect); });
    m_dragHover.Moved(event->position().toPoint(), keyState);
    effect &= kAllEffects;
    if (effect == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    // The one effect the target chose (it names one; the lowest bit when it named several).
    event->setDropAction(static_cast<Qt::DropAction>(effect & -effect));
    event->accept();
}

void TPTCustomShellList::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dragHover.Stop();
    (void)OnDropTarget_DragLeave();
    event->accept();
}

void TPTCustomShellList::dropEvent(QDropEvent* event)
{
    m_dragHover.Stop();
    if (!m_dropData) {
        event->ignore();
        return;
    }
    Held<IDataObject_NRC> offer = HoldReference(m_dropData.Get());
    DWORD effect = static_cast<DWORD>(event->possibleActions().toInt()) & kAllEffects;
    // The keys at the drop; the buttons are up.
    const DWORD keyState = DragKeyState(Qt::NoButton, event->modifiers());
    framework::Guarded([&] {
        (void)OnDropTarget_Drop(offer.Get(), keyState, event->position().toPoint(), &effect);
    });
    effect &= kAllEffects;
    if (effect == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->setDropAction(static_cast<Qt::DropAction>(effect & -effect));
    event->accept();
}

} // namespace sondrel::shell
