#include "DiaryFile.h"

#include "FakePlatform.h"
#include "Globals.h"
#include "SqlQuery.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

namespace drv::test {

void direct(const QString& sql, const QVariantList& values)
{
    const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
    if (!QFile::exists(path)) {
        QVERIFY(QFile::copy(FakePlatform::templatePath(), path));
        // A copy keeps the template's mode, which may be read-only.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    // An open window's store reads the diary now and then (its index, its counts, its check
    // for other programs' changes): wait for its lock as a polite other program would.
    QVERIFY2(onFile(path, sql, values, nullptr, 5000), qPrintable(sql));
}

void put(const QString& key, const QVariant& title, const QVariant& body)
{
    direct(QStringLiteral("insert into tbDoc values(?,?,?)"), {key, title, body});
}

QMap<QString, StoredEntry> stored()
{
    QMap<QString, StoredEntry> out;
    sql::Connection c;
    QString reason;
    if (!c.open(sUsrFld + QStringLiteral("dbVesk.mdb"), SQLITE_OPEN_READONLY, reason, 20000)) {
        out.insert(QStringLiteral("!"), {reason, QString()});
        return out;
    }
    sql::Query check(c.handle(), QStringLiteral("Pragma integrity_check"));
    const QString verdict = check.next() ? check.text(0) : check.lastError();
    if (verdict != u"ok") {
        out.insert(QStringLiteral("!"), {verdict, QString()});
        return out;
    }
    sql::Query q(c.handle(), QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc"));
    while (q.next())
        out.insert(q.text(0), {q.text(1), q.text(2)});
    return out;
}

bool onFile(const QString& path, const QString& sql, const QVariantList& values, QVariant* first,
            int busyMs)
{
    sql::Connection c;
    QString reason;
    if (!c.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason, busyMs)) return false;
    sql::Query q(c.handle(), sql);
    for (const QVariant& v : values)
        q.bind(v);
    const bool row = q.next();
    if (row && first) *first = q.value(0);
    return q.ok() && q.run();
}

QStringList firstColumn(const QString& path, const QString& sql)
{
    QStringList out;
    sql::Connection c;
    QString reason;
    if (!c.open(path, SQLITE_OPEN_READONLY, reason)) return out;
    sql::Query q(c.handle(), sql);
    while (q.next())
        out << q.text(0);
    return out;
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList filesHolding(const QString& folder, const QByteArray& bytes)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(bytes)) found << f.fileName();
    }
    return found;
}

} // namespace drv::test
