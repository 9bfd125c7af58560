// A diary switched on and off, or its password changed, while it is killed with SIGKILL at
// random moments: after every kill the diary is whole, and opens with a password it was
// given and with its recovery key (every row opening for its day) or is plain, and holds
// every entry; so does its snapshot.
// DRVESK_CRASH_ROUNDS sets the number of kills.

#include "CrashRounds.h"
#include "DiaryFile.h"
#include "DiaryKeys.h"
#include "KeySet.h"
#include "KeySlot.h"
#include "RecoveryKey.h"
#include "SqlQuery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

using namespace drv;

namespace {

const QString kPassword = QStringLiteral("合言葉");
// The helper changes the password to this one and back.
const QString kChanged = kPassword + u'2';

QMap<QString, test::StoredEntry> expected()
{
    QMap<QString, test::StoredEntry> rows;
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= 28; ++d)
            rows.insert(
                QStringLiteral("26%1%2").arg(m, 2, 10, QChar(u'0')).arg(d, 2, 10, QChar(u'0')),
                {QStringLiteral("%1月%2日").arg(m).arg(d),
                 QStringLiteral("海が見えた。").repeated(d)});
    return rows;
}

// What the file holds, each row opened with the keys its password slot gives; "!" names
// what is wrong.
QMap<QString, test::StoredEntry> readAll(const QString& path, const QString& recovery, bool& sealed,
                                         QString& opened, QString& wrong)
{
    QMap<QString, test::StoredEntry> rows;
    // Read-write, as the program opens it: a password change cut short leaves a journal
    // that the opening rolls back.
    sql::Connection db;
    if (!db.open(path, SQLITE_OPEN_READWRITE, wrong)) return rows;
    if (sql::quietNumber(db.handle(), QStringLiteral("select count(*) from pragma_integrity_check "
                                                     "where integrity_check <> 'ok'")) != 0) {
        wrong = QStringLiteral("integrity");
        return rows;
    }
    const auto slots = readKeySlots(db.handle());
    sealed = !slots.isEmpty();
    std::unique_ptr<vault::KeySet> keys;
    if (sealed) {
        std::unique_ptr<vault::Secret> key;
        for (const QString& password : {kPassword, kChanged}) {
            if (!key) key = vault::unwrap(slots.value(kPasswordSlot), password);
            if (key && opened.isEmpty()) opened = password;
        }
        const auto byRecovery = vault::unwrap(slots.value(kRecoverySlot), recovery);
        if (!key || !byRecovery || !(*key == *byRecovery)) {
            wrong = key ? QStringLiteral("recovery key") : QStringLiteral("password");
            return rows;
        }
        keys = vault::KeySet::fromDataKey(*key);
    }
    sql::Query q(db.handle(), QStringLiteral("select skYmn, szTtl, szDoc from tbDoc"));
    while (q.next()) {
        const QString key = q.text(0);
        test::StoredEntry e;
        for (int c : {1, 2}) {
            const QVariant v = q.value(c);
            const QByteArray b =
                v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
            QString text = v.toString();
            if (vault::isSealed(b) != sealed ||
                (sealed &&
                 !keys->openValue(key, c == 1 ? QStringLiteral("szTtl") : QStringLiteral("szDoc"),
                                  b, text)))
                wrong = QStringLiteral("row %1").arg(key);
            (c == 1 ? e.title : e.body) = text;
        }
        rows.insert(key, e);
    }
    if (!q.ok()) wrong = QStringLiteral("unreadable");
    return rows;
}

} // namespace

class TestEncryptCrash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killLeavesAWholeDiary_data()
    {
        QTest::addColumn<QString>("mode"); // the helper's
        QTest::newRow("switching on and off") << QString();
        QTest::newRow("changing the password") << QStringLiteral("password");
    }
    void killLeavesAWholeDiary()
    {
        QFETCH(QString, mode);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("dbVesk.mdb"));
        const QString snapshot = dir.filePath(QStringLiteral("backup/dbVesk-20261201.mdb"));
        const auto want = expected();
        {
            QVERIFY(test::onFile(diary, QStringLiteral("create table tbDoc (skYmn text not null "
                                                       "primary key, szTtl text, szDoc text)")));
            for (auto it = want.cbegin(); it != want.cend(); ++it)
                QVERIFY(test::onFile(diary, QStringLiteral("insert into tbDoc values (?,?,?)"),
                                     {it.key(), it->title, it->body}));
        }
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("backup"))));
        QVERIFY(QFile::copy(diary, snapshot));
        const QString recovery = vault::newRecoveryKey();

        QRandomGenerator rng(crash::seed());
        const int n = crash::rounds(120);
        int sealedSeen = 0, plainSeen = 0, partsSeen = 0;
        QMap<QString, int> openedBy; // the diary's password after each kill
        for (int round = 0; round < n; ++round) {
            QProcess p;
            QStringList args{diary, kPassword, recovery};
            if (!mode.isEmpty()) args << mode;
            p.start(QStringLiteral(DRV_ENCRYPT_HELPER), args);
            QVERIFY(p.waitForStarted());
            QElapsedTimer t;
            t.start();
            while (!p.canReadLine() && p.state() == QProcess::Running && t.elapsed() < 20000)
                p.waitForReadyRead(50);
            QVERIFY(p.readLine().startsWith("ready"));
            QThread::usleep(rng.bounded(300000));
            p.kill();
            p.waitForFinished();
            QVERIFY2(p.exitStatus() == QProcess::CrashExit,
                     qPrintable(QStringLiteral("helper ended by itself: %1").arg(p.exitCode())));
            if (QFile::exists(diary + QStringLiteral(".rewrite"))) ++partsSeen;
            for (const QString& file : {diary, snapshot}) {
                bool sealed = false;
                QString opened, wrong;
                const auto got = readAll(file, recovery, sealed, opened, wrong);
                QVERIFY2(
                    wrong.isEmpty(),
                    qPrintable(QStringLiteral("round %1, %2: %3").arg(round).arg(file, wrong)));
                QCOMPARE(got, want);
                if (file == diary) ++(sealed ? sealedSeen : plainSeen);
                if (file == diary && sealed) ++openedBy[opened];
            }
        }
        qInfo("%d kills: %d left the diary encrypted, %d plain, %d during a rewrite", n, sealedSeen,
              plainSeen, partsSeen);
        // The kills must land on both sides and during rewrites (or on both passwords), or
        // this proves nothing.
        if (mode.isEmpty())
            QVERIFY(sealedSeen > 0 && plainSeen > 0 && partsSeen > 0);
        else
            QVERIFY(openedBy.value(kPassword) > 0 && openedBy.value(kChanged) > 0);
    }
};

QTEST_GUILESS_MAIN(TestEncryptCrash)
#include "tst_encryptcrash.moc"
