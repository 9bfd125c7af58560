#pragma once
// The diary store: one SQLite file, "dbVesk.mdb", in the user-data folder.
// Every operation reports whether it succeeded; a failed statement shows the
// engine's description and the program goes on, so nothing typed is lost.

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <initializer_list>

namespace drv {

// A value into or out of the store. An invalid QVariant is the empty (or null) value.
using StoreValue = QVariant;
// [column][row], as returned by DbGetRows.
using ColumnTable = QList<QList<StoreValue>>;

// A statement template and the values bound to its "?" placeholders, left to right.
struct Statement {
    QString text;
    QList<StoreValue> values;
};

inline constexpr int kMaxRows = 500;

// Opens sUsrFld + "dbVesk.mdb", copying the template first when the file is missing.
// On failure shows one message naming the file and the reason and returns false;
// an existing file is never replaced or changed. With heldElsewhere the diary is opened
// for reading whatever its file allows, because another copy (on another machine) writes
// it: every write is then refused by the engine itself, with a message that says why.
bool DbOpen(bool heldElsewhere = false);
void DbClose();
bool DbIsOpen();
// Whether the open diary can only be read (a read-only file or medium): it is opened so,
// and a save then fails with the message that says it cannot be written.
bool DbIsReadOnly();
// Whether the open diary was opened for reading because another copy (on another machine)
// holds it: then nothing beside it is written either (drafts, snapshots, settings).
bool DbIsHeldElsewhere();
// Whether path is the open diary while it can only be read: nothing may be copied into it
// either. Any thread may ask.
bool DbRefusesWritesTo(const QString& path);
// The two digits at and below which a key's year lies in the later century of the window,
// fixed when the store was opened (drv_ord orders by it).
QString orderPivot();

// Binds the values to the template's placeholders, left to right. A null value binds
// the empty text; placeholders left without a value stand for a literal "?".
void SqlSet(Statement& st, std::initializer_list<StoreValue> values);

// The default of a column by the first letter of its name: "s" text, "d" empty, else 0.
StoreValue FldDef(const QString& column);

bool DbExec(const Statement& st, int& count);
// Ends a write transaction that failed, without a message: the failure has been shown,
// and the engine may already have ended the transaction itself (a full disk does).
void DbRollback();
// Commits the open write transaction on a thread of its own, calling meanwhile on this
// thread about every 10 ms until it has ended: the engine's sync of a large transaction
// takes a noticeable time, and the window must go on answering. A statement of the store
// asked for meanwhile waits for the commit first. A failure shows its message.
bool DbCommitAway(const std::function<void()>& meanwhile);
bool DbGetRows(const Statement& st, ColumnTable& table, int& count);
// Runs one statement once for each row of values, prepared once: the writes of a batch
// inside a transaction. keepGoing is asked after each row; when it says no, the rest is
// not run, stopped is set and the result is false. A failed row shows its message.
bool DbExecEach(const QString& text, const QList<QList<StoreValue>>& rows,
                const std::function<bool(qsizetype done)>& keepGoing, bool& stopped);

namespace detail {
bool getRec(const Statement& st, qsizetype targets, QList<StoreValue>& row);
inline void assign(QString& t, const StoreValue& v)
{
    t = v.toString();
}
inline void assign(int& t, const StoreValue& v)
{
    t = v.toInt();
}
inline void assign(qint64& t, const StoreValue& v)
{
    t = v.toLongLong();
}
inline void assign(double& t, const StoreValue& v)
{
    t = v.toDouble();
}
inline void assign(StoreValue& t, const StoreValue& v)
{
    t = v;
}
} // namespace detail

// Reads the first row into one target per selected column. With no row, or for a null
// value, a target receives its column's FldDef; on failure the empty value. Targets
// beyond the last column are left as they were.
template <typename... T> bool DbGetRec(const Statement& st, T&... targets)
{
    QList<StoreValue> row;
    const bool ok = detail::getRec(st, qsizetype(sizeof...(T)), row);
    qsizetype i = 0;
    (
        [&](auto& t) {
            if (i < row.size()) detail::assign(t, row.at(i));
            ++i;
        }(targets),
        ...);
    return ok;
}

} // namespace drv
