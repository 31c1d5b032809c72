#pragma once
// Desktop-entry launchers (`.desktop` files of type Application): what their Exec line runs for
// some files, and the drop target that runs it ("open with"). Only launchers in the user's Send
// To folder take drops; a drop onto a program itself never runs it. GUI thread.

#include "BytePath.h"
#include "DropTargetBase.h"
#include "ShellInterfaces.h"

#include <optional>
#include <string>
#include <vector>

namespace sondrel::platform {

// The Exec value of the "[Desktop Entry]" group of an Application entry, its string escapes
// undone; nothing when the text is no such entry.
[[nodiscard]] std::optional<std::string> DesktopEntryExec(std::string_view text);

// The commands (program and arguments each) the Exec value runs for `paths`: %f and %u run it
// once per file, %F and %U once with all; %% is a percent sign; the other field codes are
// dropped. Quoted arguments keep their blanks. Empty when the line cannot be split.
[[nodiscard]] std::vector<std::vector<std::string>> ExpandExec(
    std::string_view exec, const std::vector<BytePath>& paths);

class LauncherDropTarget final : public DropTargetBase
{
public:
    // One reference for the caller.
    [[nodiscard]] static LauncherDropTarget* Create(BytePath launcher);

    win32::HRESULT DragEnter(win32::IDataObject_NRC* data, win32::DWORD keyState,
        win32::POINTL point, win32::DWORD* effect) override;
    win32::HRESULT DragOver(
        win32::DWORD keyState, win32::POINTL point, win32::DWORD* effect) override;
    win32::HRESULT DragLeave() override;
    win32::HRESULT Drop(win32::IDataObject_NRC* data, win32::DWORD keyState, win32::POINTL point,
        win32::DWORD* effect) override;

private:
    explicit LauncherDropTarget(BytePath launcher);
    ~LauncherDropTarget() override = default;

    BytePath m_launcher;
    bool m_entered = false;
};

} // namespace sondrel::platform
