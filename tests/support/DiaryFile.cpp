#include "DiaryFile.h"

#include "FakePlatform.h"
#include "Globals.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace drv::test {

void direct(const QString& sql, const QVariantList& values)
{
    const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
    if (!QFile::exists(path)) {
        QVERIFY(QFile::copy(FakePlatform::templatePath(), path));
        // A copy keeps the template's mode, which may be read-only.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "direct");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.prepare(sql));
        for (const QVariant& v : values)
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(sql));
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("direct"));
}

void put(const QString& key, const QVariant& title, const QVariant& body)
{
    direct(QStringLiteral("insert into tbDoc values(?,?,?)"), {key, title, body});
}

QMap<QString, StoredEntry> stored()
{
    QMap<QString, StoredEntry> out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(sUsrFld + QStringLiteral("dbVesk.mdb"));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=20000"));
        QSqlQuery q(db);
        if (!db.open() || !q.exec(QStringLiteral("Pragma integrity_check")) || !q.next() ||
            q.value(0).toString() != u"ok") {
            out.insert(QStringLiteral("!"), {q.value(0).toString(), QString()});
        } else {
            q.exec(QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc"));
            while (q.next())
                out.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString()});
        }
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return out;
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace drv::test
