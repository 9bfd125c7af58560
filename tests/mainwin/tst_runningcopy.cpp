// One running copy per diary: the lock in the data folder and the socket between copies.

#include "RunningCopy.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace drv;

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
        QVERIFY(first.claim(diary));
        QVERIFY(!first.handedOver());

        RunningCopy second;
        QVERIFY(!second.claim(diary));
        QVERIFY(second.handedOver());
        QTRY_COMPARE(raised.size(), 1);

        // The same folder spelt another way is the same diary.
        RunningCopy third;
        QVERIFY(!third.claim(root.path() + u"/./one/"_qs));
        QTRY_COMPARE(raised.size(), 2);
    }

    void anotherDiaryRunsBeside()
    {
        RunningCopy a, b;
        QVERIFY(a.claim(folder(u"a"_qs)));
        QVERIFY(b.claim(folder(u"b"_qs)));
        QVERIFY(!a.handedOver() && !b.handedOver());
    }

    void endedCopyLeavesTheDiaryFree()
    {
        const QString diary = folder(u"ended"_qs);
        {
            RunningCopy gone;
            QVERIFY(gone.claim(diary));
        }
        RunningCopy next;
        QVERIFY(next.claim(diary));
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
        QVERIFY(copy.claim(diary));
        RunningCopy later;
        QVERIFY(!later.claim(diary));
        QTRY_COMPARE(raised.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRunningCopy)
#include "tst_runningcopy.moc"
