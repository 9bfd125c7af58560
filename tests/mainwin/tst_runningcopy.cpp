// One running copy per diary: the lock in the data folder and the socket between copies.

#include "RunningCopy.h"

#include "FakePlatform.h"
#include "ForeignLock.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace drv;
using Claim = RunningCopy::Claim;

class TestRunningCopy : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root;
    QString folder(const QString& name) const
    {
        const QString f = root.filePath(name) + u'/';
        QDir().mkpath(f);
        return f;
    }

private Q_SLOTS:
    void secondClaimOnOneDiaryRaisesTheFirst()
    {
        const QString diary = folder(u"one"_qs);
        RunningCopy first;
        QSignalSpy raised(&first, &RunningCopy::raiseRequested);
        QCOMPARE(first.claim(diary), RunningCopy::Claim::Held);
        QVERIFY(!first.handedOver());

        RunningCopy second;
        QCOMPARE(second.claim(diary), RunningCopy::Claim::Refused);
        QVERIFY(second.handedOver());
        QTRY_COMPARE(raised.size(), 1);

        // The same folder spelt another way is the same diary.
        RunningCopy third;
        QCOMPARE(third.claim(root.path() + u"/./one/"_qs), RunningCopy::Claim::Refused);
        QTRY_COMPARE(raised.size(), 2);
    }

    void anotherDiaryRunsBeside()
    {
        RunningCopy a, b;
        QCOMPARE(a.claim(folder(u"a"_qs)), RunningCopy::Claim::Held);
        QCOMPARE(b.claim(folder(u"b"_qs)), RunningCopy::Claim::Held);
        QVERIFY(!a.handedOver() && !b.handedOver());
    }

    void endedCopyLeavesTheDiaryFree()
    {
        const QString diary = folder(u"ended"_qs);
        {
            RunningCopy gone;
            QCOMPARE(gone.claim(diary), RunningCopy::Claim::Held);
        }
        RunningCopy next;
        QCOMPARE(next.claim(diary), RunningCopy::Claim::Held);
    }

    void socketLeftByADeadCopyIsReplaced()
    {
        const QString diary = folder(u"dead"_qs);
        // A killed copy leaves its socket file behind; nobody answers on it.
        QFile left(RunningCopy::socketPath(diary));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
        RunningCopy copy;
        QSignalSpy raised(&copy, &RunningCopy::raiseRequested);
        QCOMPARE(copy.claim(diary), RunningCopy::Claim::Held);
        RunningCopy later;
        QCOMPARE(later.claim(diary), RunningCopy::Claim::Refused);
        QTRY_COMPARE(raised.size(), 1);
    }

    // Another machine's copy cannot be asked to come forward, and its lock never ages:
    // the user sees who holds it and since when, and decides.
    void lockOfAnotherHostIsTheUsersCall_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QList<bool>>("confirms");
        QTest::addColumn<Claim>("claim");
        QTest::newRow("read-only") << QList<int>{0} << QList<bool>{} << Claim::ReadOnly;
        QTest::newRow("take over once sure") << QList<int>{1} << QList<bool>{true} << Claim::Held;
        QTest::newRow("not sure, then end")
            << QList<int>{1, 2} << QList<bool>{false} << Claim::Refused;
        QTest::newRow("not sure, then read-only")
            << QList<int>{1, 0} << QList<bool>{false} << Claim::ReadOnly;
        QTest::newRow("end") << QList<int>{2} << QList<bool>{} << Claim::Refused;
        QTest::newRow("box closed") << QList<int>{-1} << QList<bool>{} << Claim::Refused;
    }
    void lockOfAnotherHostIsTheUsersCall()
    {
        QFETCH(QList<int>, choices);
        QFETCH(QList<bool>, confirms);
        QFETCH(Claim, claim);
        test::FakePlatform fake;
        fake.chooseAnswers = choices;
        fake.confirmAnswers = confirms;
        const QString diary = folder(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(test::writeLock(diary, 4242, u"laptop.example"_qs, 2 * 3600 + 300));
        const QByteArray theirs = test::lockBytes(diary);

        RunningCopy copy;
        QCOMPARE(copy.claim(diary), claim);
        QCOMPARE(fake.choices.size(), choices.size());
        const QString asked = fake.messages.value(0);
        for (const QString& said : {u"laptop.example"_qs, u"4242"_qs, u"2 時間前"_qs})
            QVERIFY2(asked.contains(said), qPrintable(asked));
        QCOMPARE(copy.handedOver(), false);
        if (claim == Claim::Held)
            QVERIFY(test::lockBytes(diary).startsWith(
                QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
        else
            QCOMPARE(test::lockBytes(diary), theirs);
    }

    // A copy here that is gone cannot be using the diary: no question.
    void lockOfAVanishedProcessHereIsTakenOver()
    {
        test::FakePlatform fake;
        QProcess gone;
        gone.start(u"true"_qs);
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString diary = folder(u"vanished"_qs);
        QVERIFY(test::writeLock(diary, pid, QSysInfo::machineHostName(), 600));
        RunningCopy copy;
        QCOMPARE(copy.claim(diary), Claim::Held);
        QCOMPARE(fake.messages, QStringList());
    }

    // Two machines may bear one name ("debian"); their ids tell them apart, and a process
    // of the other machine is never judged gone by this machine's processes.
    void lockOfAnotherMachineOfTheSameNameIsTheUsersCall()
    {
        test::FakePlatform fake;
        fake.chooseAnswers = {2};
        const QString diary = folder(u"same-name"_qs);
        const qint64 gone = 0x7ffffff0; // above any pid this machine hands out
        QVERIFY(test::writeLock(diary, gone, QSysInfo::machineHostName(), 60, QByteArray(32, 'f')));
        RunningCopy copy;
        QCOMPARE(copy.claim(diary), Claim::Refused);
        QCOMPARE(fake.choices.size(), 1);
    }

    // A lock that tells nobody's name (cut short by a sync tool) blocks no more than one
    // that names another machine.
    void unreadableLockIsTheUsersCall()
    {
        test::FakePlatform fake;
        fake.chooseAnswers = {0};
        const QString diary = folder(u"unreadable"_qs);
        QFile cut(diary + u"drvesk.lock"_qs);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write("garbage");
        cut.close();
        RunningCopy copy;
        QCOMPARE(copy.claim(diary), Claim::ReadOnly);
        QCOMPARE(fake.choices.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRunningCopy)
#include "tst_runningcopy.moc"
