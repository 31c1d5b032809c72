// Opening the window on a path given to the program.

#include "DeviceChangeHandler.h"
#include "FileSystem.h"
#include "ImageDrives.h"
#include "Main.h"
#include "ShListData.h"
#include "ShellErrors.h"
#include "ShellHeld.h"
#include "ShellLocator.h"
#include "UPTShellUtils.h"
#include "Win32Error.h"

#include <stdexcept>

#include <sys/stat.h>

namespace sondrel::app {

namespace {

    [[noreturn]] void CannotOpen(const std::string& path, shell::HRESULT hr)
    {
        throw std::runtime_error(path + ": " + shell::EOleSysError(hr).what());
    }

    // A relative path names what it names in the working folder, as the user typed it there.
    std::string FromWorkingFolder(const std::string& path)
    {
        if (path.front() == '/')
            return path;
        const win32::DWORD size = win32::GetCurrentDirectoryA(0, nullptr);
        std::string folder(size, '\0');
        const win32::DWORD length
            = size == 0 ? 0 : win32::GetCurrentDirectoryA(size, folder.data());
        if (length == 0 || length >= size)
            CannotOpen(path, win32::HRESULT_FROM_WIN32(win32::GetLastError()));
        folder.resize(length);
        return folder + "/" + path;
    }

} // namespace

bool TMainForm::OpenImage(const std::string& path)
{
    const std::string full = FromWorkingFolder(path);
    struct stat st
    {
    };
    if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const platform::ImageDrives drives = platform::OpenImageDrives(full);
    if (drives.MountPoints.empty()) {
        // A file that is no image at all opens as a file.
        if (!drives.Image)
            return false;
        throw std::runtime_error(path + ": " + drives.Error);
    }
    ShowDrive(drives.MountPoints.front());
    return true;
}

void TMainForm::ShowDrive(const std::string& mountPoint)
{
    // Computer learns of the new drives as of a mount, before the tree is asked to stand on one.
    shell::PTDeviceChangeHandler()->CheckDrives();
    PTShellTree1->RefreshNodes();
    shell::TPTShellLocator folder;
    folder.SetPathName(mountPoint);
    PTShellTree1->SetSelectedFolder(&folder);
}

void TMainForm::OpenPath(const std::string& path)
{
    if (path.empty())
        CannotOpen(path, win32::HRESULT_FROM_WIN32(win32::ERROR_PATH_NOT_FOUND));
    if (OpenImage(path))
        return;
    shell::HeldPidl item;
    shell::HRESULT hr = shell::ShellGetIdListFromPath(FromWorkingFolder(path), item.Pointer);
    if (shell::FAILED(hr))
        CannotOpen(path, hr);
    shell::Held<shell::IShellFolder_NRC> desktop;
    shell::OleCheck(shell::ShellGetDesktopFolder(desktop.Pointer));
    win32::SFGAOF attributes = win32::SFGAO_FOLDER;
    shell::PCItemIDList list = item.Pointer;
    hr = desktop.Pointer->GetAttributesOf(1, &list, &attributes);
    if (shell::FAILED(hr))
        CannotOpen(path, hr);
    // The tree decides the folder: it selects it, and the file list and the combo follow.
    shell::TPTShellLocator folder;
    if (attributes & win32::SFGAO_FOLDER) {
        folder.SetIdList(item.Pointer);
        PTShellTree1->SetSelectedFolder(&folder);
        return;
    }
    const std::string file = shell::ShellGetPathFromIdList(item.Pointer);
    const std::string::size_type slash = file.rfind('/');
    folder.SetPathName(slash == 0 ? std::string("/") : file.substr(0, slash));
    PTShellTree1->SetSelectedFolder(&folder);
    for (int i = 0; i < FileList->Items().Count(); ++i) {
        TListItem* listed = FileList->Items()[i];
        shell::TPTShListData* shellData = FileList->GetDataFromItem(listed);
        if (shellData && shellData->GetPathName() == file) {
            FileList->SetSelected(listed);
            listed->SetFocused(true);
            listed->MakeVisible();
            return;
        }
    }
}

} // namespace sondrel::app
