// Power cuts: the helper runs the program's operations on a simulated disk that keeps only
// what was synced (and any part of the rest), the power goes at a random step, and a fresh
// process opens what the disk kept. DRVESK_CRASH_ROUNDS and DRVESK_CRASH_SEED as for the
// other crash tests.

#include "Cp932.h"
#include "CrashEntries.h"
#include "CrashRounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace drv;

namespace {

constexpr int kCutExit = 77;

// What the operations up to number `done` leave (the helper's list: settings at 9 and 16;
// drafts at 10 and 15, removed at 22, typed at 23 (3 to 5) and 28 (6 and 7, sealed);
// encrypted at 25, the password changed at 30, plain again at 31).
QString settingsAfter(int done)
{
    return QString::number(done >= 16 ? 2 : done >= 9 ? 1 : 0);
}
QString draftAfter(int done)
{
    return done >= 28   ? QStringLiteral("7")
           : done >= 23 ? QStringLiteral("5")
           : done >= 22 ? QStringLiteral("none")
           : done >= 15 ? QStringLiteral("2")
           : done >= 10 ? QStringLiteral("1")
                        : QStringLiteral("none");
}
// The drafts a cut while operation `under` is under way may leave: the writer thread may
// have written any generation typed so far.
QSet<QString> draftsDuring(int under)
{
    QSet<QString> may{draftAfter(under - 1), draftAfter(under)};
    if (under == 23) may << QStringLiteral("3") << QStringLiteral("4");
    if (under == 28) may << QStringLiteral("6");
    return may;
}
// How the next start opens it: "plain", or the password that opens it.
QString openedAfter(int done)
{
    return done >= 31   ? QStringLiteral("plain")
           : done >= 30 ? QStringLiteral("ひみつ二")
           : done >= 25 ? QStringLiteral("ひみつ一")
                        : QStringLiteral("plain");
}

struct Run {
    int exit = -1;
    QStringList lines;
    QString value(const QString& head) const
    {
        for (const QString& l : lines)
            if (l.startsWith(head + u' ')) return l.mid(head.size() + 1);
        return {};
    }
    QStringList all(const QString& head) const
    {
        QStringList v;
        for (const QString& l : lines)
            if (l.startsWith(head + u' ')) v << l.mid(head.size() + 1);
        return v;
    }
};

Run helper(const QString& root, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    p.setProcessEnvironment(env);
    const QString apDir = QFileInfo(qEnvironmentVariable("DRVESK_TEMPLATE")).absolutePath();
    p.start(QStringLiteral(DRV_POWERCUT_HELPER),
            QStringList{args.front(), root, apDir} + args.mid(1));
    p.waitForFinished(120000);
    Run r;
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return r;
}

// A fresh folder with the settings file of generation 0.
std::unique_ptr<QTemporaryDir> freshRoot()
{
    auto root = std::make_unique<QTemporaryDir>();
    QDir(root->path()).mkpath(QStringLiteral("data"));
    QFile f(root->path() + QStringLiteral("/data/User.xml"));
    if (f.open(QIODevice::WriteOnly)) f.write(cp932Encode(crash::settingsDocument(0)));
    return root;
}

} // namespace

class TestPowerCut : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCutLeavesAWholeDiary()
    {
        // The run without a cut tells the entries after each operation and the steps.
        QStringList digests;
        quint64 steps = 0;
        {
            const auto root = freshRoot();
            const Run r = helper(root->path(),
                                 {QStringLiteral("run"), QStringLiteral("0"), QStringLiteral("1")});
            QCOMPARE(r.exit, 0);
            // The last operation closes the diary: its entries are those before.
            for (const QString& d : r.all(QStringLiteral("done")))
                digests << (d.section(u' ', 1).isEmpty() ? digests.last() : d.section(u' ', 1));
            steps = r.value(QStringLiteral("steps")).toULongLong();
            QVERIFY(steps > 100);
            QCOMPARE(digests.size(), 34);
        }
        const quint32 seed = crash::seed();
        QRandomGenerator rng(seed);
        const int rounds = crash::rounds(200);
        int cuts = 0, made = 0;
        for (int round = 0; round < rounds; ++round) {
            const quint64 cutAt = 1 + rng.bounded(quint32(steps));
            const quint32 disk = rng.generate();
            const QByteArray where =
                QStringLiteral("seed %1 round %2: cut at step %3 of %4, disk %5")
                    .arg(seed)
                    .arg(round)
                    .arg(cutAt)
                    .arg(steps)
                    .arg(disk)
                    .toUtf8();
            if (!crash::ownsRound(round)) continue;
            const auto root = freshRoot();
            const Run r = helper(root->path(), {QStringLiteral("run"), QString::number(cutAt),
                                                QString::number(disk)});
            QVERIFY2(r.exit == kCutExit || r.exit == 0,
                     where + " exit " + QByteArray::number(r.exit));
            cuts += r.exit == kCutExit;
            ++made;
            const QStringList done = r.all(QStringLiteral("done"));
            const int k = done.isEmpty() ? -1 : done.last().section(u' ', 0, 0).toInt();
            const QByteArray at = where + " after operation " + QByteArray::number(k);
            const Run c = helper(root->path(), {QStringLiteral("check")});
            QVERIFY2(c.exit == 0, where + " check: " + c.lines.join(u'/').toUtf8());
            // Before or after a switch, with the password in force then.
            const QSet<QString> opened{openedAfter(k), openedAfter(k + 1)};
            QVERIFY2(opened.contains(c.value(QStringLiteral("opened"))),
                     at + " opened " + c.value(QStringLiteral("opened")).toUtf8());
            QVERIFY2(c.value(QStringLiteral("integrity")) == u"ok", at);
            // Every operation that returned is there; the one under way is whole or absent.
            const QString digest = c.value(QStringLiteral("digest"));
            QVERIFY2(digest == digests.value(std::max(k, 0)) || digest == digests.value(k + 1), at);
            for (const QString& s : c.all(QStringLiteral("search")))
                QVERIFY2(s.endsWith(u" same"), at + " search " + s.toUtf8());
            const QSet<QString> settings{settingsAfter(k), settingsAfter(k + 1)};
            QVERIFY2(settings.contains(c.value(QStringLiteral("settings"))),
                     at + " settings " + c.value(QStringLiteral("settings")).toUtf8());
            QVERIFY2(draftsDuring(k + 1).contains(c.value(QStringLiteral("draft"))),
                     at + " draft " + c.value(QStringLiteral("draft")).toUtf8());
            for (const QString& s : c.all(QStringLiteral("snapshot")))
                QVERIFY2(s.endsWith(u" whole"), at + " snapshot " + s.toUtf8());
            if (made % 500 == 0) qInfo("%d rounds, %d cut before the end", made, cuts);
        }
        qInfo("%d rounds of %d, %d cut before the end, seed %u", made, rounds, cuts, seed);
        QVERIFY(cuts > made / 2);
    }
};

QTEST_GUILESS_MAIN(TestPowerCut)
#include "tst_powercut.moc"
