#pragma once
// The rows of tbDoc that this program's own connection changes, told by the engine row by
// row as they change (whatever the statement), and handed over once the transaction that
// changed them has ended. Another program's changes are not seen here; the diary's data
// version tells of those.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct sqlite3;

namespace drv {

// A row of tbDoc that this program's own connection changed: its key, and what its body
// was before the change when the row was there (the index can then take the old terms
// out exactly).
struct OwnChange {
    QString key;
    bool hadBody = false;
    QByteArray digestBefore;
    QString bodyBefore;
    quint64 seq = 0;
};

// The highest sequence number among the changes; 0 for none.
quint64 lastSeq(const QList<OwnChange>& changes);

namespace own {

// Starts watching the connection's changes of tbDoc, whose key and body are the columns at
// these positions (-1 when missing) in the schema of that version.
void watch(sqlite3* db, int keyColumn, int bodyColumn, qint64 schemaVersion);
void unwatch(sqlite3* db);

// When no transaction is open any more: the rows changed since the last call. unknown is
// set when some change could not be told (the table's columns were not known, or changed
// meanwhile: schemaVersion() gives the schema's version now). False while a transaction
// is still open or nothing changed.
bool takeFinished(sqlite3* db, const std::function<qint64()>& schemaVersion,
                  QList<OwnChange>& changes, bool& unknown);
// The keys changed in the transaction that is still open.
QStringList openKeys();

} // namespace own
} // namespace drv
