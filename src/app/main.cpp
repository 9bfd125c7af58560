#include "CommandLine.h"
#include "Commands.h"
#include "DesktopKeyring.h"
#include "Platform.h"
#include "Program.h"
#include "RealPlatform.h"
#include "WidgetDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The command line first: its answers need no display and touch no user data.
    const drv::cli::Request request = drv::cli::parse(drv::cli::arguments(argc, argv));
    if (request.action != drv::cli::Action::Window) return drv::cli::run(request, argc, argv);

    QApplication app(argc, argv);
    drv::AppProgramInfo program;
    drv::StandardFolders folders;
    drv::IniUserStore userStore;
    drv::SystemClock clock;
    drv::WidgetDialogs dialogs;
    drv::DesktopKeyring keyring;
    drv::services() = {&program, &folders, &userStore, &clock, &dialogs, &dialogs, &keyring};
    return drv::Main();
}
