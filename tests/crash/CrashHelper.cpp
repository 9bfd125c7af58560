// A stand-in for a running copy of drvesk that the crash and fault tests start as a child
// process, kill at random moments, run twice at once or starve of disk space. It reports
// on standard output, one line at a time and unbuffered, so that every line a test reads
// was true before the process died:
//   ready                  the store (or settings file) is open
//   saving KEY ID          a save begins
//   saved KEY ID           that save returned success, as the main window's save would
//   wrote G                the settings file of generation G was written
//   message TEXT           the store showed a message (line breaks as " | ")
//   locked                 the database is held locked (lock mode)
//
// Modes:
//   save USERDIR APDIR FIRST_ID COUNT FIRST_DAY POOL [PAUSE_MS]
//                                                      saves COUNT entries, resting PAUSE_MS
//                                                      after each, then exits 0
//   settings FILE GENERATION                           writes generations until killed
//   lock DBFILE MILLISECONDS                           holds an exclusive lock, then exits
//   fsize USERDIR APDIR KEY CHARS                      saves a body of CHARS characters
//                                                      with the file size limited to the
//                                                      diary's size now; exits 3 on failure

#include "CrashEntries.h"
#include "Diary.h"
#include "Globals.h"
#include "HelperMain.h"
#include "Platform.h"
#include "Store.h"
#include "yIni.h"

#include <QDateTime>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace drv;
using crash::say;

namespace {

bool openStore(const QString& userDir, const QString& apDir)
{
    sUsrFld = userDir.endsWith(u'/') ? userDir : userDir + u'/';
    sApFld = apDir.endsWith(u'/') ? apDir : apDir + u'/';
    if (!DbOpen()) return false;
    say(QStringLiteral("ready"));
    return true;
}

int runSaves(const QStringList& a)
{
    if ((a.size() != 8 && a.size() != 9) || !openStore(a[2], a[3])) return 2;
    const quint64 first = a[4].toULongLong();
    const quint64 count = a[5].toULongLong();
    const int firstDay = a[6].toInt();
    const int pool = a[7].toInt();
    const unsigned long pause = a.value(8).toULong();
    for (quint64 id = first; id < first + count; ++id) {
        const QString key = crash::keyOf(id, firstDay, pool);
        say(QStringLiteral("saving %1 %2").arg(key).arg(id));
        if (!diary::save(key, crash::titleOf(id), crash::bodyOf(id))) return 3;
        say(QStringLiteral("saved %1 %2 %3")
                .arg(key)
                .arg(id)
                .arg(QDateTime::currentMSecsSinceEpoch()));
        if (pause) QThread::msleep(pause);
    }
    DbClose();
    return 0;
}

int runSettings(const QStringList& a)
{
    if (a.size() != 4) return 2;
    yIni ini;
    bool ok = false;
    ini.GetTxt(a[2], ok);
    if (!ok) return 2;
    say(QStringLiteral("ready"));
    for (int g = a[3].toInt() + 1;; ++g) {
        crash::applyGeneration(ini, g);
        ini.SetTxt(ok);
        if (!ok) return 3;
        say(QStringLiteral("wrote %1").arg(g));
    }
}

int runLock(const QStringList& a)
{
    if (a.size() != 4) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(a[2].toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, "Begin Exclusive", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return 2;
    }
    say(QStringLiteral("locked"));
    QThread::msleep(a[3].toULong());
    sqlite3_exec(db, "Commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

int runFileSizeLimit(const QStringList& a)
{
    if (a.size() != 6 || !openStore(a[2], a[3])) return 2;
    // The disk is "full" from here on: the diary may not grow, nor its journal past that.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t size = rlim_t(QFileInfo(sUsrFld + QStringLiteral("dbVesk.mdb")).size());
    const rlimit limit{size, size};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const QString body = QString(a[5].toInt(), u'あ');
    if (!diary::save(a[4], QStringLiteral("full"), body)) return 3;
    say(QStringLiteral("saved %1").arg(a[4]));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return crash::helperMain(argc, argv, {}, [](const QStringList& a) {
        const QString mode = a.value(1);
        if (mode == u"save") return runSaves(a);
        if (mode == u"settings") return runSettings(a);
        if (mode == u"lock") return runLock(a);
        if (mode == u"fsize") return runFileSizeLimit(a);
        std::fprintf(stderr, "usage: see the head of CrashHelper.cpp\n");
        return 2;
    });
}
