#include "AlmanahFile.h"

#include "Statements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace drv {

namespace {

const QString kConnection = QStringLiteral("drv_peer_almanah");

AlmanahRead readOpen(QSqlDatabase& db, QList<AlmanahTag>& tags, qint64& total,
                     const std::function<bool(const AlmanahEntry&, int)>& visit, QString& reason)
{
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.exec(sql::kAlmanahTags))
            while (q.next())
                tags.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(),
                             q.value(3).toString()});
    }
    {
        QSqlQuery q(db);
        if (!q.exec(sql::kAlmanahCount) || !q.next()) {
            reason = q.lastError().text();
            return AlmanahRead::NotAlmanah;
        }
        total = q.value(0).toLongLong();
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql::kAlmanahEntries) && !q.exec(sql::kAlmanahEntriesV1)) {
        reason = q.lastError().text();
        return AlmanahRead::NotAlmanah;
    }
    for (int row = 1; q.next(); ++row) {
        const AlmanahEntry e{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(),
                             q.value(3).toByteArray(), q.value(4).toInt()};
        if (!visit(e, row)) return AlmanahRead::Stopped;
    }
    return AlmanahRead::Done;
}

} // namespace

AlmanahRead readAlmanahFile(const QString& path, QList<AlmanahTag>& tags, qint64& total,
                            const std::function<bool(const AlmanahEntry&, int row)>& visit,
                            QString& reason)
{
    AlmanahRead result = AlmanahRead::NotOpened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(path);
        // Another program's diary is only ever read.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            reason = db.lastError().text();
        else
            result = readOpen(db, tags, total, visit, reason);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return result;
}

} // namespace drv
