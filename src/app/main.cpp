#include "Platform.h"
#include "Program.h"
#include "RealPlatform.h"
#include "WidgetDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    drv::AppProgramInfo program;
    drv::StandardFolders folders;
    drv::IniUserStore userStore;
    drv::SystemClock clock;
    drv::WidgetDialogs dialogs;
    drv::services() = {&program, &folders, &userStore, &clock, &dialogs, &dialogs};
    return drv::Main();
}
