#pragma once
// What the namespace's commands need of a user interface: asking, telling, offering a menu,
// showing an item's properties, and running a long file operation with its progress and
// questions. The shell library installs its dialogs; without them (tests, programs without
// windows) QuietCommandUi gives the cautious answers: nothing is replaced, no stream is dropped,
// nothing is confirmed, no menu entry is chosen.
// GUI thread; the installer owns the object and uninstalls it before it goes.

#include "FileOperation.h"
#include "ItemProperties.h"
#include "MenuModel.h"

#include <functional>
#include <string>
#include <vector>

namespace sondrel::platform {

class CommandUi
{
public:
    virtual ~CommandUi() = default;

    using Work = std::function<fileops::Outcome(fileops::Questions&, fileops::Progress&)>;
    // Runs `work` (off the GUI thread where the implementation has a window to keep alive) and
    // returns its outcome when it has ended; failures it collected are shown by the caller.
    virtual fileops::Outcome RunWithProgress(const std::string& title, const Work& work) = 0;
    // A yes-or-no question whose safe answer is no. Texts are UTF-8.
    virtual bool Confirm(const std::string& title, const std::string& text) = 0;
    virtual void Tell(const std::string& title, const std::string& text) = 0;
    virtual void ShowProperties(const ItemProperties& item) = 0;
    // A menu at the pointer; the chosen entry's id, or 0 when it was dismissed.
    virtual win32::UINT ChooseFromMenu(const MenuModel& menu) = 0;
    // A disk image file chosen to open, or "" when the choice was dismissed.
    virtual std::string ChooseImageFile() = 0;
    // Shows the folder at `path` (a drive just added, say) where the user works.
    virtual void ShowFolder(const BytePath& path) = 0;
};

class QuietCommandUi : public CommandUi, public fileops::Questions
{
public:
    fileops::Outcome RunWithProgress(const std::string& title, const Work& work) override;
    bool Confirm(const std::string& title, const std::string& text) override;
    void Tell(const std::string& title, const std::string& text) override;
    void ShowProperties(const ItemProperties& item) override;
    win32::UINT ChooseFromMenu(const MenuModel& menu) override;
    std::string ChooseImageFile() override;
    void ShowFolder(const BytePath& path) override;

    fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash& clash) override;
    fileops::Answer<fileops::LossAction> OnStreamsLost(const BytePath& source,
        const BytePath& target, const std::vector<std::string>& streams) override;
    fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure& failure) override;

    // What it was asked and told, for whoever wants to know.
    std::vector<std::string> Asked;
    std::vector<std::string> Told;
    std::vector<ItemProperties> Shown;
    // The answer ChooseFromMenu gives (dismissed unless set), and the menus it was shown.
    win32::UINT MenuChoice = 0;
    std::vector<MenuModel> Menus;
    // The file ChooseImageFile gives (dismissed unless set), and the folders it was asked to show.
    std::string ImageChoice;
    std::vector<BytePath> ShownFolders;
};

// Installs `ui` for the commands (null: the quiet one again).
void InstallCommandUi(CommandUi* ui);
[[nodiscard]] CommandUi& CurrentCommandUi();

} // namespace sondrel::platform
