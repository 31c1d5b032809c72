#pragma once
// The shell library's user-visible texts, fetched by their string-resource ids (65184..65311).
// Only the texts this program's controls show are provided; the other ids of the range answer
// an empty text. Also the library's key table, made from the key texts.

#include <QtCore/qnamespace.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel::shell {

inline constexpr int _SShKey_SelectAll = 65187;
inline constexpr int _SShKey_Delete = 65188;
inline constexpr int _SShKey_Copy = 65189;
inline constexpr int _SShKey_Cut = 65190;
inline constexpr int _SShKey_Paste = 65191;
inline constexpr int _SShKey_Refresh = 65192;
inline constexpr int _SShKey_Edit = 65193;
inline constexpr int _SColumnType = 65216;
inline constexpr int _SColumnModified = 65217;
inline constexpr int _SSystemFolder = 65226;
inline constexpr int _SNewFolder = 65236;
inline constexpr int _SUnableToCreateFolder = 65243;
inline constexpr int _SColumnName = 65245;
inline constexpr int _SColumnSize = 65247;
inline constexpr int _SFilesizeKB = 65261;

inline constexpr int kFirstLibraryString = 65184;
inline constexpr int kLastLibraryString = 65311;

// The text of library string `id` ("\n" is a line break); empty for an id without one.
[[nodiscard]] std::string LoadLibraryString(int id);

// Every library text passes through here before use; it is handed back unchanged.
[[nodiscard]] std::string PTLoadStr(const std::string& text);

// A keyboard shortcut as the key texts name one: a Windows virtual-key code in the low byte,
// with modifier bits.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The shortcut a text such as "Ctrl+A", "Shift+Del" or "F5" names (modifiers first, names in
// any case); scNone for a text that names none.
[[nodiscard]] TShortCut TextToShortCut(std::string_view text);
// The shortcut of a Qt key pressed with `shift`; scNone for a key no shortcut names.
[[nodiscard]] TShortCut ShortCut(int key, Qt::KeyboardModifiers shift);

struct TPTShellKey
{
    int ResId; // the library string of the key's text
    TShortCut ShortCut;
};
// The key table of the shell tree and list: select all, delete, copy, cut, paste, refresh,
// edit, made from their key texts on first use and kept for the process's life.
[[nodiscard]] const std::array<TPTShellKey, 7>& PTShellKeys();
// The key table's entry for `shortcut` (its text's id), or 0 when the table has none.
[[nodiscard]] int PTShellKeyOf(TShortCut shortcut);

} // namespace sondrel::shell
