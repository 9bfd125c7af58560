#include "Program.h"

#include "BackgroundSnapshot.h"
#include "DiaryKeys.h"
#include "Globals.h"
#include "IdleLock.h"
#include "Platform.h"
#include "QuitOnSignal.h"
#include "RunningCopy.h"
#include "SetIme.h"
#include "Store.h"
#include "fmTxt.h"
#include "yIni.h"

#include <QApplication>
#include <QFont>
#include <QPointer>

#include <chrono>

namespace drv {

void installFontSubstitutes()
{
    const QStringList japanese = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                  QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                                  QStringLiteral("TakaoPGothic")};
    for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "ＭＳ ゴシック", "MS Gothic",
                             "ＭＳ Ｐ明朝", "ＭＳ 明朝"})
        QFont::insertSubstitutions(QString::fromUtf8(name), japanese);
}

int Main()
{
    sExeNm = exeStem(services().program->executableName());
    QApplication::setApplicationName(sExeNm);
    installFontSubstitutes();
    prepareIme();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bRun = true;

    auto* window = new fmTxt;
    window->setAttribute(Qt::WA_DeleteOnClose);
    RunningCopy copy;
    setRunningCopy(&copy);
    QObject::connect(&copy, &RunningCopy::raiseRequested, window, [window] {
        // Locked: the lock's window, not the entry.
        if (IdleLock::instance().locked()) return IdleLock::instance().raise();
        if (!window->isVisible()) return; // still starting: it shows itself
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    // A logout or kill closes the window the normal way, which saves.
    bool quitting = false;
    QuitOnSignal quit([&quitting] {
        quitting = true;
        QApplication::closeAllWindows();
    });
    const bool loaded = window->Form_Load();
    QApplication::restoreOverrideCursor();
    if (!loaded) {
        delete window;
        delete oIni;
        oIni = nullptr;
        // Handing over to the copy that has the diary open, or a cancelled password, is a
        // normal end.
        return copy.handedOver() || DbOpenCancelled() ? 0 : 1;
    }
    // Asked to end while still starting: end as from the running window.
    if (quitting) {
        window->close();
        return 0;
    }
    window->show();
    window->offerDrafts();
    if (quitting) {
        window->close();
        return 0;
    }
    IdleLock::instance().setEnd([window = QPointer<fmTxt>(window)] {
        if (!window || !window->close()) return false;
        QApplication::quit();
        return true;
    });
    IdleLock::instance().start(std::chrono::minutes(IdleLock::storedMinutes()));
    // The day's snapshot of the diary, once the window is up.
    keep::BackgroundSnapshot::startLater();
    const int status = QApplication::exec();
    keep::BackgroundSnapshot::stop();
    return status;
}

void AppEnd(fmTxt& window)
{
    const QRect r = window.outerTwips();
    // The settings beside a diary held by another copy are that copy's to write.
    if (DbIsHeldElsewhere()) {
        delete oIni;
        oIni = nullptr;
    }
    if (oIni) {
        oIni->GetGtx(QStringLiteral("画面"));
        oIni->SetVal(QStringLiteral("LEFT"), double(r.x()));
        oIni->SetVal(QStringLiteral("TOP"), double(r.y()));
        oIni->SetVal(QStringLiteral("WIDTH"), double(r.width()));
        oIni->SetVal(QStringLiteral("HEIGHT"), double(r.height()));
        oIni->SetGtx();
    }
    DbClose();
    if (oIni) {
        bool ok = false;
        oIni->SetTxt(ok);
        delete oIni;
        oIni = nullptr;
    }
}

} // namespace drv
