#include "CommandUi.h"

namespace sondrel::platform {

namespace {

    CommandUi* s_installed = nullptr;

} // namespace

fileops::Outcome QuietCommandUi::RunWithProgress(const std::string& /*title*/, const Work& work)
{
    fileops::Progress progress;
    return work(*this, progress);
}

bool QuietCommandUi::Confirm(const std::string& /*title*/, const std::string& text)
{
    Asked.push_back(text);
    return false;
}

void QuietCommandUi::Tell(const std::string& /*title*/, const std::string& text)
{
    Told.push_back(text);
}

void QuietCommandUi::ShowProperties(const ItemProperties& item) { Shown.push_back(item); }

win32::UINT QuietCommandUi::ChooseFromMenu(const MenuModel& menu)
{
    Menus.push_back(menu);
    return MenuChoice;
}

std::string QuietCommandUi::ChooseImageFile() { return ImageChoice; }

void QuietCommandUi::ShowFolder(const BytePath& path) { ShownFolders.push_back(path); }

fileops::Answer<fileops::ClashAction> QuietCommandUi::OnClash(const fileops::Clash& /*clash*/)
{
    return { fileops::ClashAction::Skip };
}

fileops::Answer<fileops::LossAction> QuietCommandUi::OnStreamsLost(const BytePath& /*source*/,
    const BytePath& /*target*/, const std::vector<std::string>& /*streams*/)
{
    return { fileops::LossAction::Skip };
}

fileops::Answer<fileops::ErrorAction> QuietCommandUi::OnError(const fileops::Failure& failure)
{
    Told.push_back(fileops::FailureText(failure));
    return { fileops::ErrorAction::Skip };
}

void InstallCommandUi(CommandUi* ui) { s_installed = ui; }

CommandUi& CurrentCommandUi()
{
    static QuietCommandUi quiet;
    return s_installed != nullptr ? *s_installed : quiet;
}

} // namespace sondrel::platform
