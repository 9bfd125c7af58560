// The built program, started as a new user would start it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestApp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home;

    QString dataFolder() const
    {
        return home.path() + QStringLiteral("/.local/share/Orbena/drvesk/");
    }

    void start(QProcess& p) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProgram(qEnvironmentVariable("DRVESK_BIN_DIR") + QStringLiteral("/drvesk"));
        p.start();
        QVERIFY(p.waitForStarted());
    }

    static qint64 lockHolder(const QString& lock)
    {
        QFile f(lock);
        if (!f.open(QIODevice::ReadOnly)) return -1;
        return f.readLine().trimmed().toLongLong();
    }

private Q_SLOTS:
    void firstStartCreatesFolderAndDiaryAndEndsCleanly()
    {
        QProcess p;
        start(p);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dataFolder() + QStringLiteral("dbVesk.mdb")).isFile(),
                                 20000);
        QVERIFY(QFileInfo(dataFolder() + QStringLiteral("User.xml")).isFile());
        p.terminate();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QFile rec(home.path() + QStringLiteral("/.config/OrbenaTools.ini"));
        QVERIFY(rec.open(QIODevice::ReadOnly));
        QVERIFY(rec.readAll().contains("drvesk="));
    }

    // A second start on the same diary hands over to the running copy and ends at once;
    // a copy that was killed leaves a lock that does not keep the next one out.
    void oneRunningCopyPerDiary()
    {
        const QString lock = dataFolder() + QStringLiteral("drvesk.lock");
        QProcess first;
        start(first);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lock).isFile(), 20000);

        QProcess second;
        start(second);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished(20000));
        QVERIFY(QFileInfo(lock).isFile());
        QProcess third;
        start(third);
        // It takes the lock over instead of handing over to nobody.
        QTRY_VERIFY_WITH_TIMEOUT(lockHolder(lock) == third.processId(), 20000);
        QVERIFY(!third.waitForFinished(1000));
        third.terminate();
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(lock));
    }

    void unusableDiaryRefusesToStartAndKeepsTheFile()
    {
        QDir().mkpath(dataFolder());
        QFile f(dataFolder() + QStringLiteral("dbVesk.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a diary");
        f.close();
        QProcess p;
        start(p);
        // The reason is shown in a box (and logged); closing it ends the program.
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += p.readAllStandardError()).contains("dbVesk.mdb") ||
                                     p.state() == QProcess::NotRunning,
                                 20000);
        p.terminate();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not a diary"));
    }
};

QTEST_GUILESS_MAIN(TestApp)
#include "tst_app.moc"
