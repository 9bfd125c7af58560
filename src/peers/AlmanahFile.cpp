#include "AlmanahFile.h"

#include "SqlQuery.h"

#include <sqlite3.h>

namespace drv {

namespace {

// Almanah's diary.db: every day with its format version (a file older than the version
// column holds only version 1), and the days' tags.
const QString kEntries = QStringLiteral(
    "Select year, month, day, content, version From entries Order By year, month, day");
const QString kEntriesV1 =
    QStringLiteral("Select year, month, day, content, 1 From entries Order By year, month, day");
const QString kCount = QStringLiteral("Select Count(*) From entries");
const QString kTags = QStringLiteral("Select year, month, day, tag From entry_tag Order By rowid");

AlmanahRead readOpen(sqlite3* db, QList<AlmanahTag>& tags, qint64& total,
                     const std::function<bool(const AlmanahEntry&, int)>& visit, QString& reason)
{
    {
        sql::Query q(db, kTags);
        while (q.next())
            tags.append({int(q.number(0)), int(q.number(1)), int(q.number(2)), q.text(3)});
    }
    {
        sql::Query q(db, kCount);
        if (!q.next()) {
            reason = q.lastError();
            return AlmanahRead::NotAlmanah;
        }
        total = q.number(0);
    }
    sql::Query withVersion(db, kEntries);
    sql::Query onlyV1(withVersion.ok() ? nullptr : db, kEntriesV1);
    sql::Query& q = withVersion.ok() ? withVersion : onlyV1;
    if (!q.ok()) {
        reason = q.lastError();
        return AlmanahRead::NotAlmanah;
    }
    for (int row = 1; q.next(); ++row) {
        const AlmanahEntry e{int(q.number(0)), int(q.number(1)), int(q.number(2)), q.blob(3),
                             int(q.number(4))};
        if (!visit(e, row)) return AlmanahRead::Stopped;
    }
    return AlmanahRead::Done;
}

} // namespace

AlmanahRead readAlmanahFile(const QString& path, QList<AlmanahTag>& tags, qint64& total,
                            const std::function<bool(const AlmanahEntry&, int row)>& visit,
                            QString& reason)
{
    // Another program's diary is only ever read.
    sql::Connection c;
    if (!c.open(path, SQLITE_OPEN_READONLY, reason)) return AlmanahRead::NotOpened;
    return readOpen(c.handle(), tags, total, visit, reason);
}

} // namespace drv
