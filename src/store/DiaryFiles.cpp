#include "DiaryFiles.h"

#include "DateKey.h"
#include "Platform.h"
#include "Statements.h"

#include <QElapsedTimer>

#include <sqlite3.h>

namespace drv {

namespace {

class Connection {
public:
    Connection() = default;
    ~Connection() { sqlite3_close(db); }
    Q_DISABLE_COPY_MOVE(Connection)

    bool open(const QString& path, int flags, QString& reason)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            reason =
                db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
            return false;
        }
        sqlite3_extended_result_codes(db, 1);
        return true;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db)); }

    sqlite3* db = nullptr;
};

class Query {
public:
    Query(sqlite3* db, const QString& text) : db_(db)
    {
        const QByteArray utf8 = text.toUtf8();
        ok_ =
            sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &st_, nullptr) == SQLITE_OK;
    }
    ~Query() { sqlite3_finalize(st_); }
    Q_DISABLE_COPY_MOVE(Query)

    void bind(int i, const QString& value)
    {
        if (ok_)
            ok_ = sqlite3_bind_text16(st_, i, value.utf16(), int(value.size() * 2),
                                      SQLITE_TRANSIENT) == SQLITE_OK;
    }
    // The first row's first column; false when the statement failed.
    bool first(QString& value)
    {
        value.clear();
        if (!ok_) return false;
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) {
            const auto* t = static_cast<const char16_t*>(sqlite3_column_text16(st_, 0));
            if (t) value = QString::fromUtf16(t, sqlite3_column_bytes16(st_, 0) / 2);
            return true;
        }
        ok_ = rc == SQLITE_DONE;
        return ok_;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    bool ok_ = false;
};

bool scalar(Connection& c, const QString& text, const QStringList& values, QString& value,
            QString& reason)
{
    Query q(c.db, text);
    for (int i = 0; i < values.size(); ++i)
        q.bind(i + 1, values.at(i));
    if (q.first(value)) return true;
    reason = q.error();
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
    Connection source, target;
    if (!source.open(from, SQLITE_OPEN_READONLY, reason) ||
        !target.open(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason))
        return false;
    sqlite3_backup* copy = sqlite3_backup_init(target.db, "main", source.db, "main");
    if (!copy) {
        reason = target.error();
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
    Connection c;
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
    Connection c;
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
    return scalar(c, sql::kEntry, {newest}, summary.newestTitle, reason);
}

} // namespace drv
