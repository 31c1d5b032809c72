// What the user does with the shell list: opening items (folders are entered, shortcuts to
// folders followed, files opened by their default command), going up, the keyboard commands of
// the shell's key table, renaming through the namespace, new folders, and the keys the list
// claims from the window around it.

#include "CodePage.h"
#include "Cursor.h"
#include "EditName.h"
#include "FileInfo.h"
#include "Guard.h"
#include "IdListArray.h"
#include "NewFolder.h"
#include "ShellCommands.h"
#include "ShellErrors.h"
#include "ShellExecute.h"
#include "ShellHeld.h"
#include "ShellLinks.h"
#include "ShellList.h"
#include "Uptshconsts.h"
#include "Win32Error.h"

#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <vector>

namespace sondrel::shell {

using namespace win32;
using framework::TListItem;

namespace {

    // The name flags a rename hands the namespace.
    constexpr SHGDNF kRenameFlags = 0x20;
    // The desktop's own folder view takes this long to see a new folder.
    constexpr int kDesktopNewFolderDelay = 2100;

    // Which entry of the key table a shortcut is; -1 for none.
    int KeyTableIndex(TShortCut shortcut)
    {
        const auto& keys = PTShellKeys();
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i].ShortCut != scNone && keys[i].ShortCut == shortcut)
                return static_cast<int>(i);
        return -1;
    }

    // The key table's order: select all, delete, copy, cut, paste, refresh, edit.
    enum TKeyEntry { keSelectAll, keDelete, keCopy, keCut, kePaste, keRefresh, keEdit };

    void ShowFailure(QWidget* parent, const QString& text)
    {
        // Non-modal, so that a failure never stops the loop the list runs in.
        auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(),
            text, QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }

    void ShowRenameFailure(QWidget* parent, HRESULT result)
    {
        ShowFailure(parent, QString::fromStdString(EOleSysError(result).what()));
    }

} // namespace

// ---- Opening and navigation

bool TPTCustomShellList::DblClickOpen()
{
    bool handled = false;
    if (OnDblClickOpen)
        OnDblClickOpen(this, handled);
    return !handled;
}

void TPTCustomShellList::NavigateInto(PCItemIDList absolute)
{
    if (HasOption(ptsloDontChangeFolder))
        return;
    // The list is the item's owner: keep the list across the items' deletion.
    HeldPidl target(CopyIdList(nullptr, absolute));
    ClearSelection();
    DeleteAllItems();
    NavigateTo(target.Pointer);
}

void TPTCustomShellList::OpenItem(TListItem* item)
{
    Synchronize(true);
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData) {
        (void)DblClickOpen();
        return;
    }
    framework::THourglass hourglass;
    SFGAOF attributes = SFGAO_FOLDER;
    PCIDLIST items[] = { shData->RelativeIdList() };
    if (m_current.Interface.Get()
        && m_current.Interface->GetAttributesOf(1, items, &attributes) == S_OK
        && (attributes & SFGAO_FOLDER)) {
        NavigateInto(shData->GetAbsoluteIdList());
        return;
    }
    if (shData->IsLnkShortcut()) {
        TLinkData link;
        link.ResolveMode = 1;
        if (SUCCEEDED(ResolveShortcut(shData->GetPathName(), link, false))
            && (link.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            HeldPidl target;
            if (SUCCEEDED(ShellGetIdListFromPath(link.Path, target.Pointer))) {
                NavigateInto(target.Pointer);
                return;
            }
        }
    }
    if (DblClickOpen())
        InvokeDefaultCommand({ shData->RelativeIdList() });
}

void TPTCustomShellList::OpenSelectedItems()
{
    Synchronize(true);
    std::vector<HeldPidl> copies;
    for (int i = 0; i < Items().Count(); ++i)
        if (Items()[i]->Selected())
            if (TPTShListData* shData = GetDataFromItem(Items()[i]))
                copies.emplace_back(CopyIdList(nullptr, shData->RelativeIdList()));
    if (copies.size() > 1) {
        if (DblClickOpen()) {
            std::vector<PCItemIDList> lists;
            for (const HeldPidl& copy : copies)
                lists.push_back(copy.Pointer);
            InvokeDefaultCommand(lists);
        }
    } else if (TListItem* first = Selected()) {
        OpenItem(first);
    }
}

void TPTCustomShellList::InvokeDefaultCommand(const std::vector<PCItemIDList>& items)
{
    if (!m_current.Interface.Get() || items.empty())
        return;
    if (InvokeVerb(m_current.Interface.Get(), items, nullptr))
        return;
    // Without a menu from the namespace, the default command of files is what it would be:
    // the desktop's application for each file.
    for (PCItemIDList relative : items) {
        HeldPidl absolute(ConcatIdLists(nullptr, m_current.IdList.Get(), relative));
        const std::string path = ShellGetPathFromIdList(absolute.Pointer);
        if (path.empty())
            continue;
        const auto opened = reinterpret_cast<std::intptr_t>(
            ShellExecuteA(window(), "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (opened <= 32) {
            std::string reason = SystemMessageText(GetLastError());
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
                reason.pop_back();
            ShowFailure(this,
                QStringLiteral("Cannot open \u201C%1\u201D: %2")
                    .arg(QFile::decodeName(path.substr(path.find_last_of('/') + 1).c_str()),
                        QString::fromStdString(reason)));
        }
    }
}

bool TPTCustomShellList::InvokeVerb(
    IShellFolder_NRC* folder, const std::vector<PCItemIDList>& items, const char* verb)
{
    Held<IContextMenu_NRC> menu;
    if (FAILED(folder->GetUIObjectOf(window(), static_cast<UINT>(items.size()), items.data(),
            IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu.Pointer)))
        || !menu.Pointer)
        return false;
    CMINVOKECOMMANDINFO info;
    info.hwnd = window();
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    (void)menu.Pointer->InvokeCommand(&info);
    return true;
}

void TPTCustomShellList::DoCommandForAllSelected(const std::string& verb)
{
    if (!m_current.Interface.Get())
        return;
    std::vector<PCItemIDList> items;
    for (int i = 0; i < Items().Count(); ++i)
        if (Items()[i]->Selected())
            if (TPTShListData* shData = GetDataFromItem(Items()[i]))
                items.push_back(shData->RelativeIdList());
    if (!items.empty())
        (void)InvokeVerb(m_current.Interface.Get(), items, verb.c_str());
}

void TPTCustomShellList::DoCommandForFolder(const std::string& verb)
{
    // The folder's own menu (the desktop's is its folder on disk's, where a paste lands).
    if (!m_current.Interface.Get())
        return;
    Held<IContextMenu_NRC> menu;
    OleCheck(ShellGetUIObjectOfIdList(
        m_current.IdList.Get(), IID_IContextMenu, reinterpret_cast<void**>(&menu.Pointer)));
    if (!menu.Pointer)
        OleCheck(E_NOINTERFACE);
    CMINVOKECOMMANDINFO info;
    info.hwnd = window();
    info.lpVerb = verb.c_str();
    info.nShow = SW_SHOWNORMAL;
    const HRESULT result = menu.Pointer->InvokeCommand(&info);
    // A "no" was the user's own, and a failure the command told the user of is not told twice.
    if (result != E_ABORT && result != platform::E_REPORTED)
        OleCheck(result);
}

void TPTCustomShellList::GoUp(int levels)
{
    if (HasOption(ptsloDontChangeFolder))
        return;
    if (m_tree && m_treeObject) {
        m_tree->LinkGoUp(levels);
    } else if (m_combo && m_comboObject) {
        m_combo->LinkGoUp(levels);
    } else {
        TPTIdListArray array(m_folder->GetIdList());
        if (array.GetCount() < 1)
            return;
        if (PItemIDList up = array.GoUp(levels)) {
            HeldPidl target(CopyIdList(nullptr, up));
            m_folder->SetIdList(target.Pointer);
        }
    }
}

// ---- Keyboard and mouse

void TPTCustomShellList::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    TPTCustomListView::KeyDown(key, shift);
    if (IsEditing() || !HasOption(ptsloDefaultKeyHandling))
        return;
    const int pressed = key;
    const TShortCut shortcut = ShortCut(pressed, shift);
    key = 0;
    const int entry = KeyTableIndex(shortcut);
    const int deleteWithShift = shortcut != scNone
            && KeyTableIndex(static_cast<TShortCut>(shortcut & ~scShift)) == keDelete
        ? keDelete
        : -1;
    switch (entry >= 0 ? entry : deleteWithShift) {
    case keSelectAll:
        SelectAll();
        break;
    case keRefresh:
        FillItems();
        break;
    case keCopy:
        DoCommandForAllSelected("copy");
        break;
    case keCut:
        DoCommandForAllSelected("cut");
        break;
    case kePaste:
        DoCommandForFolder("paste");
        RefreshItems();
        break;
    case keEdit:
        if (TListItem* focused = ItemFocused())
            (void)focused->EditCaption();
        break;
    case keDelete:
        DoCommandForAllSelected("delete");
        RefreshItems();
        break;
    default:
        key = pressed;
        break;
    }
}

void TPTCustomShellList::KeyPress(int& key)
{
    if (IsEditing() || !HasOption(ptsloDefaultKeyHandling))
        return;
    if (key == Qt::Key_Backspace) {
        key = 0;
        GoUp(1);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        OpenSelectedItems();
    }
}

void TPTCustomShellList::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    bool failed = true;
    framework::Guarded([&] {
        KeyDown(key, event->modifiers());
        // Characters come with neither Ctrl nor Alt.
        if (key != 0 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            KeyPress(key);
        failed = false;
    });
    if (failed || key == 0) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TPTCustomShellList::mouseDoubleClickEvent(QMouseEvent* event)
{
    TPTCustomListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        framework::Guarded([this] { OpenSelectedItems(); });
}

bool TPTCustomShellList::WantsSpecialKey(const QKeyEvent& key)
{
    if (IsEditing())
        return true;
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter)
        return false;
    TPTShListData* shData = GetDataFromItem(Selected());
    return shData && shData->IsFolder();
}

// ---- Renaming and new folders

bool TPTCustomShellList::CanEdit(TListItem* item)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData)
        return TPTCustomListView::CanEdit(item);
    const bool allow = shData->GetEditable() && TPTCustomListView::CanEdit(item);
    m_editName.clear();
    if (allow && m_current.Interface.Get())
        m_editName = QFile::decodeName(ShellGetFriendlyNameFromIdList(
            m_current.Interface.Get(), shData->RelativeIdList(), ptfnForEditing)
                                           .c_str());
    return allow;
}

bool TPTCustomShellList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    m_editName.clear();
    if (!TPTCustomListView::edit(index, trigger, event))
        return false;
    StartEditFrom(*this, index, m_editName);
    return true;
}

void TPTCustomShellList::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    TPTCustomListView::closeEditor(editor, hint);
    if (m_refreshPending && !IsEditing() && !m_busy) {
        m_refreshPending = false;
        framework::Guarded([this] { RefreshItems(); });
    }
}

void TPTCustomShellList::Edit(TListItem* item, QString text)
{
    TPTShListData* shData = GetDataFromItem(item);
    if (!shData) {
        TPTCustomListView::Edit(item, text);
        return;
    }
    text = text.trimmed();
    if (OnEdited)
        OnEdited(this, item, text);
    if (!m_current.Interface.Get())
        return;
    framework::THourglass hourglass;
    // A name kept as it was changes nothing on the disk, so no notification would clear the
    // flag, and it would swallow the next real change.
    m_ownChange = QFile::encodeName(text).toStdString() != shData->GetFilename();
    const std::u16string wide = AnsiToWide(QFile::encodeName(text).toStdString());
    PIDLIST renamed = nullptr;
    const HRESULT result = m_current.Interface->SetNameOf(
        window(), shData->RelativeIdList(), wide.c_str(), kRenameFlags, &renamed);
    if (FAILED(result)) {
        m_ownChange = false; // nothing changed on the disk
        ShowRenameFailure(this, result);
        return;
    }
    if (renamed) {
        item->SetCaption(QFile::decodeName(
            ShellGetFriendlyNameFromIdList(m_current.Interface.Get(), renamed, ptfnInFolder)
                .c_str()));
        shData->SetData(renamed);
    } else {
        item->SetCaption(QFile::decodeName(ShellGetFriendlyNameFromIdList(
            m_current.Interface.Get(), shData->RelativeIdList(), ptfnInFolder)
                                               .c_str()));
    }
}

bool TPTCustomShellList::CreateNewFolder(bool edit)
{
    const std::string path = m_folder->GetPathName();
    // A folder without a path of its own has no place for one; an empty path would mean the
    // process's working folder.
    if (path.empty())
        return false;
    m_ownChange = true;
    std::string name;
    if (!PTShCreateNewFolder(path, name)) {
        m_ownChange = false; // nothing changed on the disk
        return false;
    }
    auto show = [this, name, edit] {
        RefreshItems();
        if (edit) {
            m_pendingEditName = name;
            framework::PostMessage(this, AM_DEFERREDEDIT);
        }
    };
    // The desktop's view takes a while to see the folder: wait on a timer, never asleep.
    if (IdListLen(m_folder->GetIdList()) <= 2)
        QTimer::singleShot(kDesktopNewFolderDelay, this, [show] { framework::Guarded(show); });
    else
        show();
    return true;
}

void TPTCustomShellList::AMDeferredEdit()
{
    for (int i = 0; i < Items().Count(); ++i) {
        TListItem* item = Items()[i];
        TPTShListData* shData = GetDataFromItem(item);
        if (shData && shData->GetDisplayName() == m_pendingEditName) {
            setFocus(Qt::OtherFocusReason);
            SetItemFocused(item);
            (void)item->EditCaption();
            return;
        }
    }
}

} // namespace sondrel::shell
