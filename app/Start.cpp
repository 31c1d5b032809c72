#include "Start.h"

#include "Application.h"
#include "CommandDialogs.h"
#include "CommandLine.h"
#include "FirstPaint.h"
#include "Guard.h"
#include "LiveVolume.h"
#include "Main.h"

#include <QScopeGuard>
#include <QTimer>

#include <cstdio>

// The resource sits in a static library, which the linker would otherwise leave out. Its
// initialiser is declared at global scope, so this cannot live in a namespace.
static void InitIconResource() { Q_INIT_RESOURCE(sondrel); }

namespace sondrel::app {

namespace {

    void Print(std::FILE* stream, std::string_view text)
    {
        std::fwrite(text.data(), 1, text.size(), stream);
    }

} // namespace

QIcon SondrelIcon()
{
    InitIconResource();
    return QIcon(QStringLiteral(":/icons/example.vaskel.Sondrel.svg"));
}

int RunSondrel(int argc, char** argv)
{
    const TCommandLine early = ReadCommandLine(argc, argv);
    if (early.Action == TCommandLine::caHelp) {
        Print(stdout, SondrelUsage());
        return 0;
    }
    if (early.Action == TCommandLine::caVersion) {
        Print(stdout, SondrelVersionLine() + "\n");
        return 0;
    }
    framework::TApplication application(argc, argv);
    const TCommandLine line = ReadCommandLine(argc, argv);
    if (line.Action == TCommandLine::caUsageError) {
        Print(stderr, "sondrel: " + line.Problem + "\n");
        Print(stderr, SondrelUsage());
        return 2;
    }
    try {
        application.Initialize();
        application.SetTitle(QStringLiteral("Sondrel"));
        // Wayland compositors find the window's entry, and so its icon, by this name.
        QGuiApplication::setDesktopFileName(QStringLiteral("example.vaskel.Sondrel"));
        application.SetHelpFile(QStringLiteral("SONDREL.HLP"));
        // The namespace's commands (copy, move, delete, properties) ask and show in dialogs.
        shell::InstallShellCommandUi();
        // Named streams over 64 KiB on ntfs-3g mounts are read whole from the volume beneath.
        image::InstallLiveVolumeReader();
        TMainForm form;
        // The icon's SVG engine is loaded once the window shows; the first picture needs none.
        framework::AfterFirstPaint(
            &form, [&application] { application.setWindowIcon(SondrelIcon()); });
        // "Open disk image..." in the desktop's and Computer's menus shows the drive here.
        shell::SetShowFolderHandler([&form](const std::string& path) {
            framework::Guarded([&] { form.ShowDrive(path); });
        });
        const auto forget = qScopeGuard([] { shell::SetShowFolderHandler(nullptr); });
        application.SetMainForm(&form);
        form.show();
        if (line.Path)
            QTimer::singleShot(0, &form,
                [&form, path = *line.Path] { framework::Guarded([&] { form.OpenPath(path); }); });
        application.Run();
    } catch (...) {
        application.ShowException(std::current_exception());
    }
    return 0;
}

} // namespace sondrel::app
