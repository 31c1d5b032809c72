// The shell list's context menus: the namespace's menu for the selection or one item, what the
// chosen command does, Send To, and the UI objects of items.

#include "DataObjects.h"
#include "IdListArray.h"
#include "ShellContextMenu.h"
#include "ShellErrors.h"
#include "ShellList.h"

#include <QScrollBar>

namespace sondrel::shell {

using namespace win32;
using framework::TListItem;

std::vector<PCItemIDList> TPTCustomShellList::SelectedIdLists() const
{
    std::vector<PCItemIDList> items;
    for (int i = 0; i < Items().Count(); ++i)
        if (Items()[i]->Selected())
            if (TPTShListData* shData = GetDataFromItem(Items()[i]))
                items.push_back(shData->RelativeIdList());
    return items;
}

void TPTCustomShellList::ItemContextMenu(TListItem* item, framework::TPoint& pos, QMenu*& menu)
{
    TPTCustomListView::ItemContextMenu(item, pos, menu);
    if (HasOption(ptsloContextMenus) && !m_busy) {
        ProcessMenuForAllSelected(pos);
        menu = nullptr;
    }
}

void TPTCustomShellList::BackgroundContextMenu(framework::TPoint pos)
{
    if (HasOption(ptsloContextMenus) && !m_busy)
        RunContextMenu({}, pos, false);
}

void TPTCustomShellList::ProcessMenuForAllSelected(framework::TPoint pos)
{
    std::vector<HeldPidl> copies;
    for (PCItemIDList item : SelectedIdLists())
        copies.emplace_back(CopyIdList(nullptr, item));
    if (copies.empty())
        return;
    TPTShListData* focused = GetDataFromItem(ItemFocused());
    const bool canRename = focused && !focused->GetPathName().empty() && !ReadOnly();
    std::vector<PCItemIDList> items;
    for (const HeldPidl& copy : copies)
        items.push_back(copy.Get());
    RunContextMenu(items, pos, canRename);
}

void TPTCustomShellList::ProcessMenu(TListItem* item, framework::TPoint pos)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData)
        return;
    const HeldPidl copy(CopyIdList(nullptr, shData->RelativeIdList()));
    RunContextMenu({ copy.Get() }, pos, !ReadOnly());
}

void TPTCustomShellList::RunContextMenu(
    const std::vector<PCItemIDList>& items, framework::TPoint pos, bool canRename)
{
    if (!m_current.Interface.Get())
        return;
    // While the menu lives the list keeps its items, so that rename edits the item the menu
    // was made for; a refresh asked for meanwhile runs when it ends.
    m_busy = true;
    m_refreshPending = false;
    UINT chosen = 0;
    TShellContextMenu menu;
    try {
        if (FAILED(BuildShellContextMenu(window(), m_current.Interface.Get(), items,
                CMF_EXPLORE | (canRename ? CMF_CANRENAME : 0), menu))) {
            m_busy = false;
            return;
        }
        chosen = TrackShellContextMenu(menu, this, viewport()->mapToGlobal(QPoint(pos.X, pos.Y)),
            [this](const std::string& hint) {
                if (OnPopupHint)
                    OnPopupHint(this, hint);
            });
        if (chosen == kRenameCommand) {
            if (TListItem* focused = ItemFocused())
                (void)focused->EditCaption();
        } else if (chosen >= kFirstShellCommand) {
            (void)InvokeShellCommand(window(), menu.Interface.Get(), chosen - kFirstShellCommand);
            if (IsFolderNetworkShare())
                m_refreshPending = true;
        } else if (chosen > 0) {
            ProcessSendTo(static_cast<int>(chosen) - 1);
        }
    } catch (...) {
        m_busy = false;
        m_refreshPending = false;
        throw;
    }
    m_busy = false;
    if (std::exchange(m_refreshPending, false))
        RefreshItems();
}

void TPTCustomShellList::ProcessSendTo(int index)
{
    const std::vector<PCItemIDList> items = SelectedIdLists();
    if (items.empty() || index < 0)
        return;
    Held<IDataObject_NRC> dataObject;
    TPTShellDataObject* object = NewSelectionDataObject();
    OleCheck(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(dataObject.Out())));
    SendToEntry(static_cast<std::size_t>(index), dataObject.Get());
}

void TPTCustomShellList::DoCommandForItem(TListItem* item, const std::string& verb)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData || !m_current.Interface.Get())
        return;
    if (InvokeVerb(m_current.Interface.Get(), { shData->RelativeIdList() }, verb.c_str())
        && IsFolderNetworkShare())
        RefreshItems();
}

HRESULT TPTCustomShellList::GetUIObjectForItem(TListItem* item, REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData || !m_current.Interface.Get())
        return E_INVALIDARG;
    PCIDLIST items[] = { shData->RelativeIdList() };
    return m_current.Interface->GetUIObjectOf(window(), 1, items, riid, nullptr, object);
}

HRESULT TPTCustomShellList::GetUIObjectForAllSelected(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const std::vector<PCItemIDList> items = SelectedIdLists();
    if (items.empty() || !m_current.Interface.Get())
        return E_FAIL;
    return m_current.Interface->GetUIObjectOf(
        window(), static_cast<UINT>(items.size()), items.data(), riid, nullptr, object);
}

} // namespace sondrel::shell
