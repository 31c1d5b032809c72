#pragma once
// The shell's context menus as the list and the tree use them: building the menu that a folder
// offers for some of its items, tracking it (with the Send To sub-menu served from the user's
// Send To folder and each entry's help text handed to a hint handler), invoking a command by
// offset or verb, and sending items to a Send To entry through that entry's drop target.
//
// Identifiers: the namespace's commands from 1000 on (offset = id - 1000), the library's Send To
// entries 1 … 999 (entry index + 1), and 1018 for rename, which the controls start themselves.
// GUI thread only.

#include "MenuModel.h"
#include "ShellHeld.h"

#include <QPoint>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace sondrel::shell {

inline constexpr win32::UINT kFirstShellCommand = 1000;
inline constexpr win32::UINT kLastShellCommand = 0x7FFF;
inline constexpr win32::UINT kRenameCommand = 1018;

// The menu of some items of a folder: its interface and its model.
struct TShellContextMenu
{
    Held<IContextMenu_NRC> Interface;
    platform::MenuModel Model;
};

// Builds the menu `folder` offers for `items` (relative lists; none: the folder's own menu) with
// CMF `flags`. A failure of the
// folder to give a menu is returned (no menu); a failure to fill it raises EOleSysError.
HRESULT BuildShellContextMenu(win32::HWND owner, IShellFolder_NRC* folder,
    const std::vector<PCItemIDList>& items, win32::UINT flags, TShellContextMenu& menu);

// Shows the menu at `globalPos` until the user chooses or dismisses it; the chosen identifier,
// or 0. `hint` (when set) hears the help text of each entry the pointer reaches, empty for
// entries without one.
[[nodiscard]] win32::UINT TrackShellContextMenu(TShellContextMenu& menu, QWidget* owner,
    QPoint globalPos, const std::function<void(const std::string&)>& hint);

// Invokes the command at `offset` of the menu, as the user's choice.
HRESULT InvokeShellCommand(win32::HWND owner, IContextMenu_NRC* menu, win32::UINT offset);

// The entries of the user's Send To folder: the visible files and links (no folders), sorted
// by name ignoring case, each with its small icon. Read again each time the sub-menu opens, so
// that entries whose file is gone are dropped.
struct TSendToEntry
{
    std::string Name; // the file name, extension included
    int Icon = -1; // in the small system image list
};
[[nodiscard]] const std::vector<TSendToEntry>& SendToEntries();
void RefreshSendToEntries();

// Hands `data` to the drop target of Send To entry `index` as a copy; raises EOleSysError when a
// step fails (no such entry, no Send To folder, no drop target, a refused drop).
void SendToEntry(std::size_t index, IDataObject_NRC* data);

} // namespace sondrel::shell
