#include "Uptshconsts.h"

#include <array>
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

} // namespace sondrel::shell
