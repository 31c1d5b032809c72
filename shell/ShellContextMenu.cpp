#include "ShellContextMenu.h"

#include "CodePage.h"
#include "Cursor.h"
#include "FileInfo.h"
#include "FolderDropTarget.h"
#include "ShellErrors.h"
#include "ShellExecute.h"
#include "ShellMenu.h"
#include "SystemImageList.h"

#include <QFile>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <cctype>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace sondrel::shell {

using namespace win32;

namespace {

    constexpr UINT kCommandBuffer = 260;

    // Entries that name the same file differ in case at most; the list ignores duplicates.
    bool LessIgnoringCase(const std::string& a, const std::string& b)
    {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return std::toupper(static_cast<unsigned char>(x))
                    < std::toupper(static_cast<unsigned char>(y));
            });
    }

    std::vector<TSendToEntry>& Entries()
    {
        static std::vector<TSendToEntry> entries;
        return entries;
    }

    QString WithoutExtension(const std::string& name)
    {
        const std::size_t dot = name.rfind('.');
        return QFile::decodeName(
            (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)).c_str());
    }

    // The shell's empty Send To placeholder: a sub-menu holding one grayed entry alone.
    bool IsSendToPlaceholder(const QMenu& menu)
    {
        const QList<QAction*> actions = menu.actions();
        return actions.size() == 1 && !actions[0]->isEnabled() && !actions[0]->menu()
            && !actions[0]->isSeparator();
    }

    void FillSendTo(QMenu& menu)
    {
        menu.clear();
        RefreshSendToEntries();
        const auto& entries = SendToEntries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // The first character is the entry's key: one entry starting with it runs at once,
            // several are stepped through.
            QString text = WithoutExtension(entries[i].Name);
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction* action = menu.addAction(QLatin1Char('&') + text);
            action->setData(static_cast<uint>(i + 1));
            if (entries[i].Icon >= 0)
                action->setIcon(platform::SystemImageList::Small().Icon(entries[i].Icon));
        }
        if (entries.empty())
            menu.addAction(QStringLiteral("(empty)"))->setEnabled(false);
    }

    void Prepare(QMenu& menu, IContextMenu_NRC* commands,
        const std::function<void(const std::string&)>& hint)
    {
        if (hint) {
            QObject::connect(&menu, &QMenu::hovered, &menu, [commands, hint](QAction* action) {
                std::string text;
                const UINT id = action->data().toUInt();
                if (!action->menu() && id >= kFirstShellCommand) {
                    char buffer[kCommandBuffer] = {};
                    if (SUCCEEDED(commands->GetCommandString(id - kFirstShellCommand, GCS_HELPTEXTA,
                            nullptr, buffer, sizeof buffer)))
                        text = buffer;
                }
                hint(text);
            });
        }
        if (IsSendToPlaceholder(menu))
            QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu] {
                if (IsSendToPlaceholder(menu))
                    FillSendTo(menu);
            });
        for (QAction* action : menu.actions())
            if (QMenu* sub = action->menu())
                Prepare(*sub, commands, hint);
    }

} // namespace

HRESULT BuildShellContextMenu(HWND owner, IShellFolder_NRC* folder,
    const std::vector<PCItemIDList>& items, UINT flags, TShellContextMenu& menu)
{
    menu.Interface.Reset();
    menu.Model = {};
    if (folder == nullptr)
        return E_INVALIDARG;
    // Without items, the folder's own menu.
    const HRESULT got = items.empty()
        ? folder->CreateViewObject(
            owner, IID_IContextMenu, reinterpret_cast<void**>(menu.Interface.Out()))
        : folder->GetUIObjectOf(owner, static_cast<UINT>(items.size()), items.data(),
            IID_IContextMenu, nullptr, reinterpret_cast<void**>(menu.Interface.Out()));
    if (FAILED(got) || !menu.Interface)
        return FAILED(got) ? got : E_NOINTERFACE;
    const HRESULT filled = menu.Interface->QueryContextMenu(
        &menu.Model, 0, kFirstShellCommand, kLastShellCommand, flags);
    if (FAILED(filled)) {
        menu.Interface.Reset();
        OleCheck(filled);
    }
    return S_OK;
}

UINT TrackShellContextMenu(TShellContextMenu& menu, QWidget* owner, QPoint globalPos,
    const std::function<void(const std::string&)>& hint)
{
    const std::unique_ptr<QMenu> popup(BuildMenu(menu.Model, owner));
    Prepare(*popup, menu.Interface.Get(), hint);
    const QPointer<QMenu> alive(popup.get());
    QAction* chosen = popup->exec(globalPos);
    if (chosen == nullptr || !alive)
        return 0;
    return chosen->data().toUInt();
}

HRESULT InvokeShellCommand(HWND owner, IContextMenu_NRC* menu, UINT offset)
{
    if (menu == nullptr)
        return E_INVALIDARG;
    CMINVOKECOMMANDINFO info;
    info.hwnd = owner;
    info.lpVerb = reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(offset));
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

const std::vector<TSendToEntry>& SendToEntries() { return Entries(); }

void RefreshSendToEntries()
{
    std::vector<TSendToEntry> fresh;
    const std::string folder = ShellGetSpecialFolderPath(nullptr, csidlSendTo);
    if (DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.empty() || name[0] == '.')
                continue;
            // Folders are no entries; links to them are ("copy to" that folder).
            struct stat status
            {
            };
            const std::string path = folder + "/" + name;
            if (::lstat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode))
                continue;
            const int icon = ShellGetIconIndexFromPath(path, SHGFI_SMALLICON);
            fresh.push_back({ name, icon == 0 ? -1 : icon });
        }
        ::closedir(dir);
    }
    std::sort(fresh.begin(), fresh.end(), [](const TSendToEntry& a, const TSendToEntry& b) {
        return LessIgnoringCase(a.Name, b.Name);
    });
    fresh.erase(std::unique(fresh.begin(), fresh.end(),
                    [](const TSendToEntry& a, const TSendToEntry& b) {
                        return !LessIgnoringCase(a.Name, b.Name)
                            && !LessIgnoringCase(b.Name, a.Name);
                    }),
        fresh.end());
    Entries() = std::move(fresh);
}

void SendToEntry(std::size_t index, IDataObject_NRC* data)
{
    const auto& entries = SendToEntries();
    if (index >= entries.size() || data == nullptr)
        OleCheck(E_INVALIDARG);
    HeldPidl folderList;
    OleCheck(ShellGetSpecialFolderIdList(nullptr, csidlSendTo, folderList.Pointer));
    Held<IShellFolder_NRC> folder;
    OleCheck(ShellGetFolderFromIdList(folderList.Get(), folder.Pointer));
    const std::u16string wide = AnsiToWide(entries[index].Name);
    HeldPidl item;
    OleCheck(
        folder->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, item.Out(), nullptr));
    Held<IDropTarget_NRC> target;
    PCIDLIST items[] = { item.Get() };
    OleCheck(folder->GetUIObjectOf(
        nullptr, 1, items, IID_IDropTarget, nullptr, reinterpret_cast<void**>(target.Out())));
    DWORD effect = DROPEFFECT_COPY;
    OleCheck(target->DragEnter(data, MK_LBUTTON, {}, &effect));
    effect = DROPEFFECT_COPY;
    OleCheck(target->DragOver(MK_LBUTTON, {}, &effect));
    effect = DROPEFFECT_COPY;
    framework::THourglass hourglass;
    OleCheck(target->Drop(data, MK_LBUTTON, {}, &effect));
}

} // namespace sondrel::shell
