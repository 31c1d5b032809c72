#include "Uptshconsts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace sondrel::shell {

namespace {

    constexpr std::array<std::pair<int, const char*>, 15> kTexts { {
        { _SShKey_SelectAll, "Ctrl+A" },
        { _SShKey_Delete, "Del" },
        { _SShKey_Copy, "Ctrl+C" },
        { _SShKey_Cut, "Ctrl+X" },
        { _SShKey_Paste, "Ctrl+V" },
        { _SShKey_Refresh, "F5" },
        { _SShKey_Edit, "F2" },
        { _SColumnType, "Type" },
        { _SColumnModified, "Modified" },
        { _SSystemFolder, "System Folder" },
        { _SNewFolder, "New Folder" },
        { _SUnableToCreateFolder, "Unable to create the folder '%2'\n\n%1" },
        { _SColumnName, "Name" },
        { _SColumnSize, "Size" },
        { _SFilesizeKB, "%sKB" },
    } };

    struct KeyName
    {
        std::string_view Name;
        int QtKey;
        TShortCut VirtualKey;
    };

    // The named keys, under the names the key texts use.
    constexpr std::array<KeyName, 15> kKeyNames { {
        { "BkSp", Qt::Key_Backspace, 0x08 },
        { "Tab", Qt::Key_Tab, 0x09 },
        { "Enter", Qt::Key_Return, 0x0D },
        { "Esc", Qt::Key_Escape, 0x1B },
        { "Space", Qt::Key_Space, 0x20 },
        { "PgUp", Qt::Key_PageUp, 0x21 },
        { "PgDn", Qt::Key_PageDown, 0x22 },
        { "End", Qt::Key_End, 0x23 },
        { "Home", Qt::Key_Home, 0x24 },
        { "Left", Qt::Key_Left, 0x25 },
        { "Up", Qt::Key_Up, 0x26 },
        { "Right", Qt::Key_Right, 0x27 },
        { "Down", Qt::Key_Down, 0x28 },
        { "Ins", Qt::Key_Insert, 0x2D },
        { "Del", Qt::Key_Delete, 0x2E },
    } };

    constexpr TShortCut kVirtualF1 = 0x70;
    constexpr int kFunctionKeys = 24;

    bool SameText(std::string_view a, std::string_view b)
    {
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
                   return std::tolower(x) == std::tolower(y);
               });
    }

    TShortCut KeyOfName(std::string_view name)
    {
        if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
            return static_cast<TShortCut>(std::toupper(static_cast<unsigned char>(name[0])));
        for (const KeyName& key : kKeyNames) {
            if (SameText(key.Name, name))
                return key.VirtualKey;
        }
        if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
            int number = 0;
            for (const char c : name.substr(1)) {
                if (c < '0' || c > '9')
                    return scNone;
                number = number * 10 + (c - '0');
            }
            if (number >= 1 && number <= kFunctionKeys && name[1] != '0')
                return static_cast<TShortCut>(kVirtualF1 + number - 1);
        }
        return scNone;
    }

} // namespace

std::string LoadLibraryString(int id)
{
    for (const auto& [key, text] : kTexts) {
        if (key == id)
            return text;
    }
    return {};
}

std::string PTLoadStr(const std::string& text) { return text; }

TShortCut TextToShortCut(std::string_view text)
{
    constexpr std::pair<std::string_view, TShortCut> kModifiers[]
        = { { "Shift+", scShift }, { "Ctrl+", scCtrl }, { "Alt+", scAlt } };
    TShortCut modifiers = 0;
    for (bool more = true; more;) {
        more = false;
        for (const auto& [prefix, bit] : kModifiers) {
            if (text.size() > prefix.size() && SameText(text.substr(0, prefix.size()), prefix)) {
                modifiers |= bit;
                text.remove_prefix(prefix.size());
                more = true;
            }
        }
    }
    const TShortCut key = KeyOfName(text);
    return key == scNone ? scNone : static_cast<TShortCut>(key | modifiers);
}

TShortCut ShortCut(int key, Qt::KeyboardModifiers shift)
{
    TShortCut code = scNone;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        code = static_cast<TShortCut>(key);
    else if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kFunctionKeys)
        code = static_cast<TShortCut>(kVirtualF1 + (key - Qt::Key_F1));
    else if (key == Qt::Key_Enter)
        code = 0x0D; // the keypad's Enter is the same key to a shortcut
    else if (key == Qt::Key_Backtab)
        code = 0x09 | scShift; // Qt reports Shift+Tab as a key of its own
    else {
        for (const KeyName& named : kKeyNames) {
            if (named.QtKey == key)
                code = named.VirtualKey;
        }
    }
    if (code == scNone)
        return scNone;
    if (shift & Qt::ShiftModifier)
        code |= scShift;
    if (shift & Qt::ControlModifier)
        code |= scCtrl;
    if (shift & Qt::AltModifier)
        code |= scAlt;
    return code;
}

const std::array<TPTShellKey, 7>& PTShellKeys()
{
    static const std::array<TPTShellKey, 7> table = [] {
        std::array<TPTShellKey, 7> keys { { { _SShKey_SelectAll, scNone },
            { _SShKey_Delete, scNone }, { _SShKey_Copy, scNone }, { _SShKey_Cut, scNone },
            { _SShKey_Paste, scNone }, { _SShKey_Refresh, scNone }, { _SShKey_Edit, scNone } } };
        for (TPTShellKey& key : keys)
            key.ShortCut = TextToShortCut(PTLoadStr(LoadLibraryString(key.ResId)));
        return keys;
    }();
    return table;
}

int PTShellKeyOf(TShortCut shortcut)
{
    if (shortcut == scNone)
        return 0;
    for (const TPTShellKey& key : PTShellKeys()) {
        if (key.ShortCut == shortcut)
            return key.ResId;
    }
    return 0;
}

} // namespace sondrel::shell
