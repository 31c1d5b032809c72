// What the user does with the shell tree: renaming a node's folder in place, the keys of the
// shell's key table, the node's context menu with Send To, and new folders.

#include "CodePage.h"
#include "Cursor.h"
#include "DataObjects.h"
#include "EditName.h"
#include "Guard.h"
#include "IdListArray.h"
#include "NewFolder.h"
#include "ShellCombo.h"
#include "ShellContextMenu.h"
#include "ShellErrors.h"
#include "ShellTree.h"
#include "Uptshconsts.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

namespace sondrel::shell {

using namespace win32;
using framework::TTreeNode;

namespace {

    // The name flags a rename hands the namespace.
    constexpr SHGDNF kRenameFlags = 0x20;
    // How long the namespace's views take to see a new folder: the desktop's, and others'.
    constexpr int kNewFolderDelay = 1000;
    constexpr int kDesktopNewFolderDelay = 2100;

    void ShowFailure(QWidget* parent, const QString& text)
    {
        // Non-modal, so that a failure never stops the loop the tree runs in.
        auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(),
            text, QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }

} // namespace

// ---- Renaming

bool TPTCustomShellTree::CanEdit(TTreeNode* node)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData)
        return TPTCustomTreeView::CanEdit(node);
    const bool allow = shData->GetEditable() && TPTCustomTreeView::CanEdit(node);
    m_editName.clear();
    if (allow && shData->GetParentIShf())
        m_editName = QFile::decodeName(ShellGetFriendlyNameFromIdList(
            shData->GetParentIShf(), shData->RelPidl(), ptfnForEditing)
                                           .c_str());
    return allow;
}

bool TPTCustomShellTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    m_editName.clear();
    if (!TPTCustomTreeView::edit(index, trigger, event))
        return false;
    StartEditFrom(*this, index, m_editName);
    return true;
}

void TPTCustomShellTree::Edit(TTreeNode* node, QString text)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData) {
        TPTCustomTreeView::Edit(node, text);
        return;
    }
    text = text.trimmed();
    if (OnEdited)
        OnEdited(this, node, text);
    IShellFolder_NRC* parent = shData->GetParentIShf();
    if (!parent)
        return;
    framework::THourglass hourglass;
    const std::string name = QFile::encodeName(text).toStdString();
    // The change notification of our own rename is no news to the tree.
    m_ignoreNextNotify
        = name != ShellGetFriendlyNameFromIdList(parent, shData->RelPidl(), ptfnForEditing);
    framework::TRaised suppressed(m_suppress);
    const std::u16string wide = AnsiToWide(name);
    HeldPidl renamed;
    const HRESULT result = parent->SetNameOf(
        OwnerWindow(), shData->RelPidl(), wide.c_str(), kRenameFlags, renamed.Out());
    if (FAILED(result)) {
        m_ignoreNextNotify = false;
        ShowFailure(this, QString::fromStdString(EOleSysError(result).what()));
        return;
    }
    if (renamed) {
        FlushDescendants(node);
        node->SetText(QFile::decodeName(
            ShellGetFriendlyNameFromIdList(parent, renamed.Get(), ptfnInFolder).c_str()));
        shData->SetRelPidl(renamed.Get());
        if (Selected() == node) {
            m_selectedFolder->SetIdList(shData->GetAbsPidl());
            if (m_list)
                m_list->TreeChanged(node);
            if (m_combo)
                m_combo->TreeChanged(node);
        }
    } else {
        node->SetText(QFile::decodeName(
            ShellGetFriendlyNameFromIdList(parent, shData->RelPidl(), ptfnInFolder).c_str()));
    }
    SortNode(node->Parent());
}

void TPTCustomShellTree::FlushDescendants(TTreeNode* node)
{
    for (int i = 0; i < node->Count(); ++i) {
        TTreeNode* child = node->Item(i);
        if (TPTShTreeData* shData = GetDataFromNode(child))
            shData->Flush();
        FlushDescendants(child);
    }
}

void TPTCustomShellTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    TPTCustomTreeView::closeEditor(editor, hint);
    if (m_refreshPending && !Occupied())
        framework::Guarded([this] { RefreshNodes(); });
}

// ---- Keys

void TPTCustomShellTree::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    TPTCustomTreeView::KeyDown(key, shift);
    if (key == 0 || IsEditing() || !HasOption(ptstoDefaultKeyHandling))
        return;
    const TShortCut shortcut = ShortCut(key, shift);
    int entry = PTShellKeyOf(shortcut);
    // Shift+Del deletes as Del does; the namespace asks before deleting for good.
    if (entry == 0 && (shortcut & scShift) && PTShellKeyOf(shortcut & ~scShift) == _SShKey_Delete)
        entry = _SShKey_Delete;
    TTreeNode* selected = Selected();
    switch (entry) {
    case _SShKey_Edit:
        if (selected)
            (void)selected->EditText();
        break;
    case _SShKey_Refresh:
        RefreshNodes();
        break;
    case _SShKey_Cut:
        (void)DoCommandForNode(selected, "cut");
        break;
    case _SShKey_Copy:
        (void)DoCommandForNode(selected, "copy");
        break;
    case _SShKey_Paste:
        (void)DoCommandForNode(selected, "paste");
        break;
    case _SShKey_Delete:
        (void)DoCommandForNode(selected, "delete");
        break;
    default:
        return; // select all among them: not the tree's
    }
    key = 0;
}

HRESULT TPTCustomShellTree::DoCommandForNode(TTreeNode* node, const std::string& verb)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData || IdListLen(shData->GetAbsPidl()) <= 2)
        return 1;
    IShellFolder_NRC* parent = shData->GetParentIShf();
    if (!parent)
        return 1;
    Held<IContextMenu_NRC> menu;
    PCIDLIST items[] = { shData->RelPidl() };
    OleCheck(parent->GetUIObjectOf(
        OwnerWindow(), 1, items, IID_IContextMenu, nullptr, reinterpret_cast<void**>(menu.Out())));
    CMINVOKECOMMANDINFO info;
    info.hwnd = OwnerWindow();
    info.lpVerb = verb.c_str();
    info.nShow = 1;
    const HRESULT result = menu->InvokeCommand(&info);
    RefreshNodes();
    return result;
}

// ---- The context menu

void TPTCustomShellTree::NodeContextMenu(TTreeNode* node, framework::TPoint& pos, QMenu*& menu)
{
    TPTCustomTreeView::NodeContextMenu(node, pos, menu);
    if (!HasOption(ptstoContextMenus) || m_busy)
        return;
    TPTShTreeData* shData = GetDataFromNode(node);
    // The desktop, which has no parent, offers its own menu.
    const bool root = shData && IdListLen(shData->GetAbsPidl()) <= 2;
    if (!shData || (root ? !shData->GetThisIShf() : !shData->GetParentIShf()))
        return;
    menu = nullptr;
    ProcessMenu(node, pos);
}

void TPTCustomShellTree::ProcessMenu(TTreeNode* node, framework::TPoint pos)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData)
        return;
    const bool root = IdListLen(shData->GetAbsPidl()) <= 2;
    IShellFolder_NRC* parent = root ? shData->GetThisIShf() : shData->GetParentIShf();
    if (!parent)
        return;
    m_busy = true;
    TShellContextMenu menu;
    try {
        const HeldPidl item(CopyIdList(nullptr, shData->RelPidl()));
        std::vector<PCItemIDList> items;
        if (!root)
            items.push_back(item.Get());
        if (FAILED(BuildShellContextMenu(OwnerWindow(), parent, items,
                CMF_EXPLORE | (ReadOnly() || root ? 0 : CMF_CANRENAME), menu))) {
            m_busy = false;
            return;
        }
        const UINT chosen = TrackShellContextMenu(menu, this,
            viewport()->mapToGlobal(QPoint(pos.X, pos.Y)), [this](const std::string& hint) {
                if (OnPopupHint)
                    OnPopupHint(this, hint);
            });
        m_busy = false;
        // The node may have gone while the menu was up.
        if (!Items().Contains(node))
            return;
        if (chosen == kRenameCommand) {
            (void)node->EditText();
        } else if (chosen >= kFirstShellCommand) {
            (void)InvokeShellCommand(
                OwnerWindow(), menu.Interface.Get(), chosen - kFirstShellCommand);
            RefreshNodes();
        } else if (chosen > 0) {
            ProcessSendTo(node, static_cast<int>(chosen) - 1);
        }
    } catch (...) {
        m_busy = false;
        throw;
    }
    if (m_refreshPending && !Occupied())
        RefreshNodes();
}

void TPTCustomShellTree::ProcessSendTo(TTreeNode* node, int index)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    if (!shData || index < 0)
        return;
    TPTIdListArray levels(shData->GetAbsPidl());
    if (levels.GetCount() == 0)
        return;
    const HeldPidl parent(CopyIdList(nullptr, levels.GoUp(1)));
    Held<IDataObject_NRC> dataObject;
    auto* object = new TDataObject_shtv(parent.Get(), shData->RelPidl());
    OleCheck(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(dataObject.Out())));
    SendToEntry(static_cast<std::size_t>(index), dataObject.Get());
}

// ---- New folders

bool TPTCustomShellTree::CreateNewFolder()
{
    TPTShTreeData* shData = SelectedItem();
    // A node without a folder on disk has no place for one; an empty path would mean the
    // process's working folder.
    const std::string path = shData ? shData->GetPathName() : std::string();
    if (path.empty())
        return false;
    m_ignoreNextNotify = true;
    std::string name;
    if (!PTShCreateNewFolder(path, name)) {
        m_ignoreNextNotify = false;
        return false;
    }
    m_newFolderName = name;
    // The wait runs on a timer: the tree stays responsive meanwhile.
    m_newFolderTimer->SetEnabled(false);
    m_newFolderTimer->SetInterval(
        IdListLen(shData->GetAbsPidl()) <= 2 ? kDesktopNewFolderDelay : kNewFolderDelay);
    m_newFolderTimer->SetEnabled(true);
    return true;
}

void TPTCustomShellTree::NewFolderTimerElapsed()
{
    m_newFolderTimer->SetEnabled(false);
    RefreshNodes();
    TTreeNode* selected = Selected();
    TPTShTreeData* shData = GetDataFromNode(selected);
    if (!shData)
        return;
    // A node shown without children so far has its new folder to show now.
    if (selected->Count() == 0)
        selected->SetHasChildren(true);
    selected->Expand(false);
    const std::string wanted = shData->GetPathName()
        + (shData->GetPathName().ends_with('/') ? "" : "/") + m_newFolderName;
    for (int i = 0; i < selected->Count(); ++i) {
        TTreeNode* child = selected->Item(i);
        TPTShTreeData* childData = GetDataFromNode(child);
        // The exact name: on Linux "New Folder" and "new folder" can both exist.
        if (childData && childData->GetPathName() == wanted) {
            setFocus(Qt::OtherFocusReason);
            (void)child->EditText();
            return;
        }
    }
}

} // namespace sondrel::shell
