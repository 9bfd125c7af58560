#include "DiaryRewrite.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace drv {

namespace {

bool failed(const sql::Query& q, QString& reason)
{
    if (q.ok()) return false;
    reason = q.lastError();
    return true;
}

// The value a column of a row gets in the new file; false when a sealed one does not open.
bool carried(const RewriteKeys& keys, const QString& day, const QString& column,
             const QVariant& stored, QVariant& out)
{
    if (column != u"szTtl" && column != u"szDoc") {
        out = stored;
        return true;
    }
    if (stored.isNull() && stored.typeId() != QMetaType::QByteArray) {
        out = stored;
        return true;
    }
    QString text;
    const QByteArray bytes =
        stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray();
    if (vault::isSealed(bytes)) {
        if (!keys.from || !keys.from->openValue(day, column, bytes, text)) return false;
    } else {
        text = stored.toString();
    }
    out = keys.to ? QVariant(keys.to->sealValue(day, column, text)) : QVariant(text);
    return true;
}

// The text a value stands for, read with the keys that sealed it.
bool textOf(const vault::KeySet* keys, const QString& day, const QString& column,
            const QVariant& stored, QVariant& out)
{
    if (column != u"szTtl" && column != u"szDoc") {
        out = stored;
        return true;
    }
    const QByteArray bytes =
        stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray();
    if (!vault::isSealed(bytes)) {
        out = stored.isNull() ? stored : QVariant(stored.toString());
        return true;
    }
    QString text;
    if (!keys || !keys->openValue(day, column, bytes, text)) return false;
    out = text;
    return true;
}

bool copyRows(sql::Connection& source, sql::Connection& target, const RewriteKeys& keys,
              qint64 total, const std::function<bool(qint64, qint64)>& progress, QString& reason)
{
    sql::Query rows(source.handle(), sql::kRewriteRows);
    const int columns = rows.columns();
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << rows.columnName(c);
    const int keyColumn = int(names.indexOf(QStringLiteral("skYmn")));
    sql::Query insert(target.handle(), sql::inList(sql::kRewriteInsert, columns));
    qint64 done = 0;
    while (rows.next()) {
        const QString day = keyColumn >= 0 ? rows.text(keyColumn) : QString();
        if (done > 0) insert.reset();
        for (int c = 0; c < columns; ++c) {
            QVariant v;
            if (!carried(keys, day, names[c], rows.value(c), v)) {
                reason = QStringLiteral("%1 の日記が壊れているか書き換えられていて、読めません")
                             .arg(DateKey::display(day));
                return false;
            }
            insert.bind(v);
        }
        if (!insert.run()) return !failed(insert, reason);
        if (++done % 256 == 0 && progress && !progress(done, total)) {
            reason = QStringLiteral("取り消しました");
            return false;
        }
    }
    return !failed(rows, reason);
}

// Every row of the new file stands for the same texts as the old one's, row by row.
bool checkRows(sql::Connection& source, sql::Connection& target, const RewriteKeys& keys,
               qint64 total, const std::function<bool(qint64, qint64)>& progress, QString& reason)
{
    sql::Query before(source.handle(), sql::kRewriteRows);
    sql::Query after(target.handle(), sql::kRewriteRows);
    const int columns = before.columns();
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << before.columnName(c);
    const int keyColumn = int(names.indexOf(QStringLiteral("skYmn")));
    qint64 done = total / 2;
    for (;;) {
        const bool a = before.next();
        const bool b = after.next();
        if (a != b) break;
        if (!a) return !failed(before, reason) && !failed(after, reason);
        const QString day = keyColumn >= 0 ? before.text(keyColumn) : QString();
        for (int c = 0; c < columns; ++c) {
            QVariant x, y;
            if (!textOf(keys.from, day, names[c], before.value(c), x) ||
                !textOf(keys.to, day, names[c], after.value(c), y) || x != y) {
                reason =
                    QStringLiteral("%1 の日記を書き写せませんでした").arg(DateKey::display(day));
                return false;
            }
        }
        if (++done % 256 == 0 && progress && !progress(done, total)) {
            reason = QStringLiteral("取り消しました");
            return false;
        }
    }
    reason = QStringLiteral("書き写した日記の件数が合いません");
    return false;
}

bool writeSlots(sqlite3* db, const QMap<QString, QByteArray>& slots, QString& reason)
{
    if (slots.isEmpty()) return true;
    {
        sql::Query create(db, sql::kVaultCreate);
        if (!create.run()) return !failed(create, reason);
    }
    for (auto it = slots.cbegin(); it != slots.cend(); ++it) {
        // An empty slot is one to remove (the keyring's, turned off).
        const bool remove = it.value().isEmpty();
        sql::Query q(db, remove ? sql::kVaultRemove : sql::kVaultPut);
        q.bind(it.key());
        if (!remove) q.bind(it.value());
        if (!q.run()) return !failed(q, reason);
    }
    return true;
}

bool write(const QString& from, const QString& to, const RewriteKeys& keys,
           const std::function<bool(qint64, qint64)>& progress, QString& reason)
{
    sql::Connection source, target;
    if (!source.open(from, SQLITE_OPEN_READONLY, reason, 5000)) return false;
    QFile::remove(to);
    if (!target.open(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason)) return false;
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // One read transaction on the old file, so the rows checked are the rows written.
    if (!sql::quietRun(source.handle(), sql::kRewriteBegin)) {
        reason = source.lastError();
        return false;
    }
    const qint64 rows = sql::quietNumber(source.handle(), sql::kCountAll);
    const qint64 total = 2 * rows;
    // The new file is of no use until it is renamed: no journal, one transaction.
    sql::quietRun(target.handle(), sql::kRewriteNoJournal);
    if (!sql::quietRun(target.handle(), sql::kBeginWrite)) {
        reason = target.lastError();
        return false;
    }
    {
        sql::Query schema(source.handle(), sql::kRewriteSchema);
        while (schema.next()) {
            sql::Query make(target.handle(), schema.text(0));
            if (!make.run()) return !failed(make, reason);
        }
        if (failed(schema, reason)) return false;
    }
    if (!copyRows(source, target, keys, total, progress, reason)) return false;
    if (keys.to) {
        const QMap<QString, QByteArray> slots =
            keys.slots.valid() ? keys.slots.get() : QMap<QString, QByteArray>{};
        if (slots.isEmpty() || slots.values().contains(QByteArray())) {
            reason = QStringLiteral("鍵を作れません (メモリが足りません)");
            return false;
        }
        if (!writeSlots(target.handle(), slots, reason)) return false;
    }
    if (!sql::quietRun(target.handle(), sql::kCommit)) {
        reason = target.lastError();
        return false;
    }
    if (!checkRows(source, target, keys, total, progress, reason)) return false;
    if (progress) progress(total, total);
    return true;
}

} // namespace

QString rewritePartOf(const QString& path)
{
    return path + QStringLiteral(".rewrite");
}

bool rewriteDiaryFile(const QString& from, const QString& to, const RewriteKeys& keys,
                      const std::function<bool(qint64 done, qint64 total)>& progress,
                      QString& reason)
{
    bool ok = write(from, to, keys, progress, reason);
    ok = ok && syncFile(to);
    if (!ok) {
        if (reason.isEmpty()) reason = QStringLiteral("ファイルを書き出せません");
        QFile::remove(to);
        QFile::remove(to + QStringLiteral("-journal"));
    }
    return ok;
}

bool replaceFile(const QString& part, const QString& target, QString& reason)
{
    if (!replaceSynced(part, target)) {
        reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    return true;
}

bool writeKeySlots(const QString& path, const QMap<QString, QByteArray>& slots, QString& reason)
{
    sql::Connection db;
    if (!db.open(path, SQLITE_OPEN_READWRITE, reason, 5000)) return false;
    sql::quietRun(db.handle(), sql::kSyncExtra);
    if (!sql::quietRun(db.handle(), sql::kBeginWrite)) {
        reason = db.lastError();
        return false;
    }
    if (!writeSlots(db.handle(), slots, reason) || !sql::quietRun(db.handle(), sql::kCommit)) {
        if (reason.isEmpty()) reason = db.lastError();
        sql::quietRun(db.handle(), sql::kRollback);
        return false;
    }
    return true;
}

} // namespace drv
