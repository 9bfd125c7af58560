#include "Globals.h"
#include "QuitOnSignal.h"
#include "RealPlatform.h"
#include "Store.h"
#include "WidgetDialogs.h"
#include "yIni.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    drv::AppProgramInfo program;
    drv::StandardFolders folders;
    drv::IniUserStore userStore;
    drv::SystemClock clock;
    drv::WidgetDialogs dialogs;
    drv::services() = {&program, &folders, &userStore, &clock, &dialogs, &dialogs};

    drv::sExeNm = drv::exeStem(program.executableName());
    QApplication::setApplicationName(drv::sExeNm);
    // Also ends a start-up message box, so a refused start still exits as refused.
    drv::QuitOnSignal quit([] { QApplication::closeAllWindows(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    drv::bRun = true;

    drv::yIni ini;
    drv::oIni = &ini;
    ini.W_UserData(0);
    bool ok = false;
    ini.GetTxt(drv::sUsrFld + QStringLiteral("User.xml"), ok);
    if (!drv::DbOpen()) {
        QApplication::restoreOverrideCursor();
        return 1;
    }

    // Stand-in until the diary window arrives.
    QMainWindow window;
    window.setObjectName(QStringLiteral("fmTxt"));
    window.setCentralWidget(new QLabel(drv::sUsrFld));
    window.resize(640, 480);
    window.show();
    QApplication::restoreOverrideCursor();
    const int rc = app.exec();

    drv::DbClose();
    ini.SetTxt(ok);
    drv::oIni = nullptr;
    return rc;
}
