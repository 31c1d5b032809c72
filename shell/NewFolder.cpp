#include "NewFolder.h"

#include "FileSystem.h"
#include "ImageDrives.h"
#include "ItemCommands.h"
#include "TextHelpers.h"
#include "Uptshconsts.h"
#include "Win32Error.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

#include <optional>
#include <vector>

namespace sondrel::shell {

using namespace win32;

namespace {

    void WarnUnableToCreate(DWORD error, const std::string& name)
    {
        std::string reason = SystemMessageText(error);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
            reason.pop_back();
        const std::string text
            = FormatStrPos(PTLoadStr(LoadLibraryString(_SUnableToCreateFolder)), { reason, name });
        QMessageBox::warning(QApplication::activeWindow(),
            QGuiApplication::applicationDisplayName(), QString::fromUtf8(text));
    }

    enum class Outcome { Created, AllTaken, Failed };

    // One series of names; `error` gets the failure that ended it.
    Outcome TrySeries(const std::string& folder, const std::string& base, const char* suffix,
        std::string& made, DWORD& error, std::string& failedName)
    {
        for (int i = 1; i <= PTSH_MAX_FOLDER_ATTEMPTS; ++i) {
            std::string name = base;
            if (i > 1) {
                char number[16];
                std::snprintf(number, sizeof number, suffix, i);
                name += number;
            }
            if (CreateDirectoryA((folder + name).c_str(), nullptr)) {
                made = name;
                return Outcome::Created;
            }
            error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS) {
                failedName = name;
                return Outcome::Failed;
            }
        }
        return Outcome::AllTaken;
    }

    std::optional<std::string> CurrentFolder()
    {
        std::vector<char> buffer(256);
        for (;;) {
            const DWORD length
                = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
            if (length == 0)
                return std::nullopt;
            if (length < buffer.size())
                return std::string(buffer.data(), length);
            buffer.resize(length);
        }
    }

} // namespace

bool PTShCreateNewFolder(const std::string& path, std::string& newName)
{
    std::string folder = path;
    if (folder.empty()) {
        const std::optional<std::string> current = CurrentFolder();
        if (!current) {
            WarnUnableToCreate(GetLastError(), PTLoadStr(LoadLibraryString(_SNewFolder)));
            return false;
        }
        folder = *current;
    }
    if (platform::OnImageDrive(folder)) {
        QMessageBox::warning(QApplication::activeWindow(),
            QGuiApplication::applicationDisplayName(),
            QString::fromUtf8(platform::kImageReadOnlyText));
        return false;
    }
    folder = EnsureTrailingCharDB(folder, '/');
    const std::string first = PTLoadStr(LoadLibraryString(_SNewFolder));
    DWORD error = ERROR_SUCCESS;
    std::string failedName;
    std::string made;
    // The second series is for a folder whose first names are all taken; a real failure (no
    // such folder, no permission, a full disk) would only fail again, so it is said once.
    Outcome outcome = TrySeries(folder, first, " (%d)", made, error, failedName);
    if (outcome == Outcome::AllTaken)
        outcome = TrySeries(folder, "fldr", "%d", made, error, failedName);
    switch (outcome) {
    case Outcome::Created:
        newName = made;
        return true;
    case Outcome::Failed:
        WarnUnableToCreate(error, failedName);
        return false;
    case Outcome::AllTaken:
        WarnUnableToCreate(ERROR_ALREADY_EXISTS, first);
        return false;
    }
    return false;
}

} // namespace sondrel::shell
