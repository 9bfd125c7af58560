#include "SqlQuery.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>

#include <sqlite3.h>

namespace drv::sql {

sqlite3* handleOf(const QSqlDatabase& db)
{
    if (!db.isValid() || !db.driver()) return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

QString inList(const QString& head, qsizetype n)
{
    QString marks = head;
    for (qsizetype i = 0; i < n; ++i)
        marks += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return marks + u')';
}

Connection::~Connection()
{
    sqlite3_close(db_);
}

namespace {

// A read-only connection cannot roll back the journal of a write that a power cut or a
// kill left unfinished (SQLITE_READONLY_ROLLBACK): a snapshot caught so during a password
// change would read as damaged until some writer came. A read-write connection's first
// read rolls it back, as the next writer would; the journal of a write still under way in
// another connection is left alone by the engine's own locks.
void rollBackLeftJournal(const QByteArray& path, int busyMs)
{
    if (!QFileInfo::exists(QFile::decodeName(path) + QStringLiteral("-journal"))) return;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        if (busyMs > 0) sqlite3_busy_timeout(db, busyMs);
        sqlite3_exec(db, "select count(*) from sqlite_schema", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
}

} // namespace

bool Connection::open(const QString& path, int flags, QString& reason, int busyMs)
{
    sqlite3_close(db_);
    db_ = nullptr;
    if (flags & SQLITE_OPEN_READONLY) rollBackLeftJournal(QFile::encodeName(path), busyMs);
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        reason = db_ ? lastError() : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    if (busyMs > 0) sqlite3_busy_timeout(db_, busyMs);
    return true;
}

QString Connection::lastError() const
{
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
}

Query::Query(sqlite3* db, const QString& text) : db_(db)
{
    ok_ = db_ &&
          sqlite3_prepare16_v2(db_, text.utf16(), int(text.size() * 2), &st_, nullptr) == SQLITE_OK;
    if (!ok_) fail();
}

Query::Query(sqlite3* db, const QString& text, std::initializer_list<QVariant> values)
    : Query(db, text)
{
    for (const QVariant& v : values)
        bind(v);
}

Query::~Query()
{
    sqlite3_finalize(st_);
}

void Query::fail()
{
    ok_ = false;
    error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("no connection");
    code_ = db_ ? sqlite3_extended_errcode(db_) : SQLITE_MISUSE;
}

Query& Query::bind(const QVariant& v)
{
    if (!st_) return *this;
    const int i = ++bound_;
    int rc = SQLITE_OK;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(st_, i);
    } else {
        switch (v.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(st_, i, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(st_, i, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob64(st_, i, b.constData(), sqlite3_uint64(b.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString t = v.toString();
            rc = sqlite3_bind_text16(st_, i, t.utf16(), int(t.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK) fail();
    return *this;
}

bool Query::next()
{
    // Stepped again after its end, a statement would run once more from the start.
    if (!ok_ || done_) return false;
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc != SQLITE_DONE) fail();
    return false;
}

bool Query::run()
{
    while (next()) {
    }
    return ok_;
}

void Query::reset()
{
    if (!st_) return;
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
    bound_ = 0;
    done_ = false;
    ok_ = true;
    error_.clear();
    code_ = 0;
}

int Query::columns() const
{
    return st_ ? sqlite3_column_count(st_) : 0;
}

QString Query::columnName(int column) const
{
    const auto* n =
        static_cast<const char16_t*>(st_ ? sqlite3_column_name16(st_, column) : nullptr);
    return n ? QString::fromUtf16(n) : QString();
}

QVariant Query::value(int column) const
{
    switch (sqlite3_column_type(st_, column)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(st_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(st_, column);
    case SQLITE_BLOB:
        return blob(column);
    case SQLITE_NULL:
        return QVariant();
    default:
        return text(column);
    }
}

qint64 Query::number(int column) const
{
    return sqlite3_column_int64(st_, column);
}

QString Query::text(int column) const
{
    const auto* t = static_cast<const char16_t*>(sqlite3_column_text16(st_, column));
    return t ? QString::fromUtf16(t, sqlite3_column_bytes16(st_, column) / 2) : QString();
}

QByteArray Query::blob(int column) const
{
    const auto* b = static_cast<const char*>(sqlite3_column_blob(st_, column));
    return b ? QByteArray(b, sqlite3_column_bytes(st_, column)) : QByteArray();
}

int Query::changes() const
{
    return db_ ? sqlite3_changes(db_) : 0;
}

qint64 quietNumber(sqlite3* db, const QString& text, bool* ok)
{
    Query q(db, text);
    const qint64 v = q.next() ? q.number(0) : 0;
    if (ok) *ok = q.ok();
    return v;
}

bool quietRun(sqlite3* db, const QString& text)
{
    Query q(db, text);
    return q.run();
}

} // namespace drv::sql
