// A draft survives the death of the program whole: a child process keeps writing drafts
// and is killed with SIGKILL at random moments; after every kill the draft file is absent,
// the last draft written whole or the next one whole, never a mixture or a torn file.
//
// DRVESK_CRASH_ROUNDS sets the number of kills (a few hundred by default; thousands for a
// long run), DRVESK_CRASH_SEED the random seed of a run to repeat.

#include "CrashRounds.h"
#include "DraftGenerations.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <thread>

using namespace drv;

namespace {

using crash::rounds;
using crash::seed;

// Reads the helper's lines until it has reported n finished writes; returns how long that
// took in microseconds.
qint64 waitForDone(QProcess& p, QByteArray& out, int n)
{
    QElapsedTimer t;
    t.start();
    while (out.count("done ") < n && p.state() == QProcess::Running) {
        p.waitForReadyRead(1);
        out += p.readAllStandardOutput();
    }
    return t.nsecsElapsed() / 1000;
}

// What the file holds: nullopt when it is absent, an empty list when it does not parse.
std::optional<QList<Draft>> onDisk(const QString& path, bool& whole)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        whole = true;
        return std::nullopt;
    }
    const std::optional<QList<Draft>> drafts = parseDrafts(f.readAll());
    whole = drafts.has_value();
    return drafts.value_or(QList<Draft>{});
}

bool holdsGeneration(const std::optional<QList<Draft>>& file, int g)
{
    const QList<Draft> want = crash::draftsOf(g);
    return want.isEmpty() ? !file : file && *file == want;
}

} // namespace

class TestDraftCrash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void draftFileIsAlwaysWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("draft.txt"));
        const quint32 s = seed();
        QRandomGenerator rng(s);
        const QByteArray context = "seed " + QByteArray::number(s);

        int generation = 0, landed = 0, removals = 0;
        qint64 period = 5000; // microseconds a write takes, first guess
        const int n = rounds(300);
        for (int r = 0; r < n; ++r) {
            QProcess p;
            p.start(QStringLiteral(DRV_DRAFT_HELPER), {path, QString::number(generation)});
            QVERIFY2(p.waitForReadyRead(20000) && p.readLine() == "ready\n",
                     context + " " + p.readAllStandardError());
            // After zero to two whole writes, at any moment of the next one; how long a
            // write takes is learnt on the way.
            QByteArray out;
            const int whole = rng.bounded(3);
            const qint64 took = waitForDone(p, out, whole);
            if (whole > 0) period = std::max<qint64>(took / whole, 1);
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(period + 1)));
            p.kill();
            p.waitForFinished(20000);
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            out += p.readAllStandardOutput();

            int done = generation, doing = generation;
            for (const QByteArray& line : out.split('\n')) {
                if (line.startsWith("done "))
                    done = line.mid(5).toInt();
                else if (line.startsWith("doing "))
                    doing = line.mid(6).toInt();
                else
                    QVERIFY2(line.isEmpty(), line.constData());
            }
            bool parsed = false;
            const std::optional<QList<Draft>> file = onDisk(path, parsed);
            const QByteArray where = context + " round " + QByteArray::number(r) + ": ";
            QVERIFY2(parsed, where + "the draft file is not one whole draft");
            if (holdsGeneration(file, doing) && doing != done) {
                ++landed;
                generation = doing;
            } else {
                QVERIFY2(holdsGeneration(file, done), where + "generation " +
                                                          QByteArray::number(done) + " or " +
                                                          QByteArray::number(doing) + " expected");
                generation = done;
            }
            if (!file) ++removals;
        }
        qInfo("%d kills, %d while the next draft was being written and landed, %d with no "
              "draft file, last generation %d (%s)",
              n, landed, removals, generation, context.constData());
        QVERIFY2(generation >= n / 2, "the helper wrote too little to be killed while writing");
        // A kill before the rename leaves the unfinished file under a temporary name; the
        // next start removes those. Nothing else is left behind.
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("draft.txt"));
        for (const QString& name : names)
            QVERIFY2(name.startsWith(QStringLiteral("draft.txt.")), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestDraftCrash)
#include "tst_draftcrash.moc"
