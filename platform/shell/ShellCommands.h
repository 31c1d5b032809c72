#pragma once
// What the namespace's verbs do, on byte paths, for real: open with the desktop's application,
// cut and copy to the clipboard, paste (a copy or a move with progress; a cut is cleared from
// the clipboard once pasted), delete to the trash or for good, make links, show properties. The
// user is asked and told through CurrentCommandUi(); a failure told there returns E_REPORTED.
// GUI thread.

#include "BytePath.h"
#include "ClipboardFormats.h"
#include "ShellTypes.h"

#include <vector>

namespace sondrel::platform {

// A command failed and has told the user why already (in its own message): a caller shows
// nothing more. A failure code of our own facility, so that no system text is ever looked up.
inline constexpr win32::HRESULT E_REPORTED = win32::MakeHResult(0xA0040001);

[[nodiscard]] win32::HRESULT OpenPaths(const std::vector<BytePath>& paths);
[[nodiscard]] win32::HRESULT PutPathsOnClipboard(const std::vector<BytePath>& paths, bool cut);
// What the clipboard holds, copied or moved into `folder`; into the trash when `toTrash`.
[[nodiscard]] win32::HRESULT PasteInto(const BytePath& folder, bool toTrash);
// The same for a transfer from anywhere (a paste or a drop).
[[nodiscard]] win32::HRESULT TransferInto(
    const FileTransfer& transfer, const BytePath& folder, bool toTrash);
// To the trash, or, when `permanently` (or the items lie in the trash already), for good after
// the user confirmed it. Where an item's drive has no trash the user decides first.
[[nodiscard]] win32::HRESULT DeletePaths(const std::vector<BytePath>& paths, bool permanently);
// A symbolic link "Link to NAME" to each item, beside it or in the folder `into`; an existing
// name is never replaced.
[[nodiscard]] win32::HRESULT LinkPaths(
    const std::vector<BytePath>& paths, const BytePath& into = {});
[[nodiscard]] win32::HRESULT ShowPropertiesOf(const BytePath& path);
// Asks for a disk image, adds its drives to Computer and shows the first; tells why when the
// image cannot be read. S_FALSE when the choice was dismissed.
[[nodiscard]] win32::HRESULT OpenChosenImage();

} // namespace sondrel::platform
