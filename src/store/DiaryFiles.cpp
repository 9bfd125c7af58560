#include "DiaryFiles.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "Platform.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "Store.h"

#include <QElapsedTimer>

#include <sqlite3.h>

namespace drv {

namespace {

// The first row's first column as text; false when the statement failed.
bool scalar(sql::Connection& c, const QString& text, const QStringList& values, QString& value,
            QString& reason)
{
    sql::Query q(c.handle(), text);
    q.bindAll(values);
    value = q.next() ? q.text(0) : QString();
    if (q.ok()) return true;
    reason = q.lastError();
    return false;
}

bool busy(int rc)
{
    rc &= 0xff;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

} // namespace

bool copyDiaryFile(const QString& from, const QString& to, const CopyPace& pace,
                   const std::function<bool(qint64 done, qint64 total)>& keepGoing, bool& stopped,
                   QString& reason)
{
    stopped = false;
    if (DbRefusesWritesTo(to)) {
        reason = QStringLiteral("日記は読み取り専用で開いています");
        return false;
    }
    sql::Connection source, target;
    if (!source.open(from, SQLITE_OPEN_READONLY, reason) ||
        !target.open(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason))
        return false;
    // The journal's removal is synced with its folder, as for the diary's own saves: else
    // after a power cut the journal could come back and undo a restore that had returned.
    sql::quietRun(target.handle(), sql::kSyncExtra);
    sqlite3_backup* copy = sqlite3_backup_init(target.handle(), "main", source.handle(), "main");
    if (!copy) {
        reason = target.lastError();
        return false;
    }
    QElapsedTimer waited;
    int rc = SQLITE_OK;
    for (;;) {
        rc = sqlite3_backup_step(copy, std::max(1, pace.pagesPerStep));
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_OK && !busy(rc)) break;
        // Told while waiting for another writer too, so the wait can be cancelled.
        const qint64 total = sqlite3_backup_pagecount(copy);
        if (keepGoing && !keepGoing(total - sqlite3_backup_remaining(copy), total)) {
            stopped = true;
            break;
        }
        if (busy(rc)) {
            if (!waited.isValid()) waited.start();
            if (waited.elapsed() > pace.giveUpMs) break;
            sqlite3_sleep(pace.busyPauseMs);
            continue;
        }
        waited.invalidate();
        if (pace.pauseMs > 0) sqlite3_sleep(pace.pauseMs);
    }
    // Finishing an unfinished copy rolls the target's transaction back.
    const int finished = sqlite3_backup_finish(copy);
    if (rc == SQLITE_DONE && finished == SQLITE_OK) return true;
    if (!stopped)
        reason = busy(rc) ? QStringLiteral("日記ファイルがほかのプログラムに使われ続けています")
                          : QString::fromUtf8(sqlite3_errstr(rc == SQLITE_DONE ? finished : rc));
    return false;
}

bool checkDiaryFile(const QString& path, QString& reason)
{
    sql::Connection c;
    if (!c.open(path, SQLITE_OPEN_READONLY, reason)) return false;
    QString verdict, none;
    if (!scalar(c, sql::kQuickCheck, {}, verdict, reason)) return false;
    if (verdict != u"ok") {
        reason = QStringLiteral("ファイルが壊れています (%1)").arg(verdict);
        return false;
    }
    return scalar(c, sql::kProbe, {}, none, reason);
}

bool summarizeDiaryFile(const QString& path, DiarySummary& summary, QString& reason)
{
    summary = {};
    sql::Connection c;
    if (!c.open(path, SQLITE_OPEN_READONLY, reason)) return false;
    QString count;
    if (!scalar(c, sql::kCountAll, {}, count, reason)) return false;
    summary.entries = count.toInt();
    // The later century's keys lie at and below the pivot year.
    const QString pivot = DateKey::pivot(services().clock->today());
    QString newest;
    if (!scalar(c, sql::kNewestIn, {QStringLiteral("000000"), pivot + QStringLiteral("9999")},
                newest, reason))
        return false;
    if (newest.isEmpty() &&
        !scalar(c, sql::kNewestIn, {QStringLiteral("000000"), QStringLiteral("999999")}, newest,
                reason))
        return false;
    summary.newestKey = newest;
    if (newest.isEmpty()) return true;
    // A snapshot of an encrypted diary shows its newest title opened with the diary's keys.
    sql::Query q(c.handle(), sql::kEntry);
    q.bind(newest);
    const QVariant title = q.next() ? q.value(0) : QVariant();
    if (!q.ok()) {
        reason = q.lastError();
        return false;
    }
    if (!textOfStored(newest, QStringLiteral("szTtl"), title, summary.newestTitle))
        summary.newestTitle = QStringLiteral("（暗号化されています）");
    return true;
}

} // namespace drv
