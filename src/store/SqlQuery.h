#pragma once
// The one way the program runs a statement: a Query prepares in its constructor, binds
// values left to right, steps row by row, tells its last error and finalises in its
// destructor; a Connection opens a file of its own and closes it in its destructor. The
// store's runner, its file copies, the word search's worker and the tests' own look at a
// diary all go through them.

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <initializer_list>

struct sqlite3;
struct sqlite3_stmt;

namespace drv::sql {

// The engine's connection under a Qt connection; null when it has none.
sqlite3* handleOf(const QSqlDatabase& db);

// head followed by n placeholders: "?,?,?)".
QString inList(const QString& head, qsizetype n);

// A connection of its own on a file, closed with it (for copies, checks and tools; the
// diary's and the index's connections are opened through Qt's driver).
class Connection {
public:
    Connection() = default;
    ~Connection();
    Q_DISABLE_COPY_MOVE(Connection)

    // SQLITE_OPEN_* flags; busyMs > 0 waits that long for another writer's lock. On failure
    // reason says why.
    bool open(const QString& path, int flags, QString& reason, int busyMs = 0);
    sqlite3* handle() const { return db_; }
    QString lastError() const;

private:
    sqlite3* db_ = nullptr;
};

class Query {
public:
    Query(sqlite3* db, const QString& text);
    Query(sqlite3* db, const QString& text, std::initializer_list<QVariant> values);
    ~Query();
    Q_DISABLE_COPY_MOVE(Query)

    // Binds the next placeholder: text as text, whole numbers and doubles as such, a byte
    // array as a blob, an invalid or null value as NULL.
    Query& bind(const QVariant& value);
    template <typename List> Query& bindAll(const List& values)
    {
        for (const auto& v : values)
            bind(QVariant(v));
        return *this;
    }
    // Steps once: true on a row. False at the end or on failure (ok() tells which), and
    // from then on until reset().
    bool next();
    // Steps to the end: true when no step failed.
    bool run();
    // Ready to run again with new values.
    void reset();

    bool ok() const { return ok_; }
    QString lastError() const { return error_; }
    // The engine's (extended) result code of the failure; 0 when none failed.
    int errorCode() const { return code_; }
    int columns() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    qint64 number(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    // The rows the last run inserted, changed or deleted.
    int changes() const;

private:
    void fail();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
    int bound_ = 0;
    bool done_ = false;
    bool ok_ = false;
    QString error_;
    int code_ = 0;
};

// The first column of the first row as a number, for pragmas and counts whose failure is
// no failure of what the user asked for.
qint64 quietNumber(sqlite3* db, const QString& text, bool* ok = nullptr);
bool quietRun(sqlite3* db, const QString& text);

} // namespace drv::sql
