#include "Start.h"

#include "Application.h"
#include "CommandDialogs.h"
#include "Main.h"

namespace sondrel::app {

int RunSondrel(int argc, char** argv)
{
    framework::TApplication application(argc, argv);
    try {
        application.Initialize();
        application.SetTitle(QStringLiteral("Sondrel"));
        application.SetHelpFile(QStringLiteral("SONDREL.HLP"));
        // The namespace's commands (copy, move, delete, properties) ask and show in dialogs.
        shell::InstallShellCommandUi();
        TMainForm form;
        application.SetMainForm(&form);
        form.show();
        application.Run();
    } catch (...) {
        application.ShowException(std::current_exception());
    }
    return 0;
}

} // namespace sondrel::app
