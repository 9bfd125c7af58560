// Nothing saved is lost when the program dies: a child process saves entries (or writes the
// settings file) and is killed with SIGKILL at random moments; after every kill the disk
// must hold a sound database with every save that had returned, and a settings file that
// is one complete document.
//
// DRVESK_CRASH_ROUNDS sets the number of kills of each test (a few hundred by default;
// thousands for a long run), DRVESK_CRASH_SEED the random seed of a run to repeat.

#include "Cp932.h"
#include "CrashEntries.h"
#include "CrashRounds.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "Store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <optional>
#include <thread>

using namespace drv;

namespace {

const QString kHelper = QStringLiteral(DRV_CRASH_HELPER);

using crash::rounds;
using crash::seed;

// Starts the helper and waits until it reports that it is ready to write.
bool startReady(QProcess& p, const QStringList& args)
{
    p.start(kHelper, args);
    QElapsedTimer t;
    t.start();
    while (!p.canReadLine() && p.state() != QProcess::NotRunning && t.elapsed() < 20000)
        p.waitForReadyRead(100);
    return p.canReadLine() && p.readLine() == "ready\n";
}

// Kills at a random moment up to a few writes after the start, now and then at once.
void killSoon(QProcess& p, QRandomGenerator& rng, int maxMicros)
{
    const int micros = rng.bounded(8) == 0 ? 0 : rng.bounded(maxMicros);
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
    p.kill();
    p.waitForFinished(20000);
}

// Waits until the helper has printed n lines that begin with word, keeping its output in
// out, and returns how long that took in microseconds.
qint64 waitForLines(QProcess& p, QByteArray& out, const QByteArray& word, int n)
{
    QElapsedTimer t;
    t.start();
    while (out.count("\n" + word) + (out.startsWith(word) ? 1 : 0) < n &&
           p.state() == QProcess::Running) {
        p.waitForReadyRead(1);
        out += p.readAllStandardOutput();
    }
    return t.nsecsElapsed() / 1000;
}

void killAfter(QProcess& p, qint64 micros)
{
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
    p.kill();
    p.waitForFinished(20000);
}

// Kills shortly after the helper began its n-th save, mostly within the first milliseconds
// of it, when the statement writes its pages.
void killInSave(QProcess& p, QByteArray& out, QRandomGenerator& rng, int n)
{
    waitForLines(p, out, "saving ", n);
    killAfter(p, rng.bounded(rng.bounded(20000) + 1));
}

QStringList linesOf(QProcess& p, const QByteArray& before = {})
{
    return QString::fromUtf8(before + p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

struct Stored {
    QString title, body;
};

// Opens the file as the next start of the program would (which rolls back a half-done
// save), checks it page by page and reads every entry.
bool readDiary(const QString& path, QMap<QString, Stored>& out, QString& problem)
{
    out.clear();
    sql::Connection c;
    if (!c.open(path, SQLITE_OPEN_READWRITE, problem)) return false;
    {
        sql::Query check(c.handle(), QStringLiteral("Pragma integrity_check"));
        problem = check.next() ? check.text(0) : check.lastError();
        if (problem != u"ok") return false;
    }
    sql::Query q(c.handle(), QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc"));
    while (q.next())
        out.insert(q.text(0), {q.text(1), q.text(2)});
    if (!q.ok()) problem = q.lastError();
    return q.ok();
}

bool holds(const std::optional<Stored>& actual, std::optional<quint64> id)
{
    if (!id) return !actual;
    return actual && actual->title == crash::titleOf(*id) && actual->body == crash::bodyOf(*id);
}

QString describeIds(std::optional<quint64> a, std::optional<quint64> b)
{
    auto one = [](std::optional<quint64> i) {
        return i ? QString::number(*i) : QStringLiteral("no entry");
    };
    return one(a) + QStringLiteral(" or ") + one(b);
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void databaseKeepsEverySaveThatReturned()
    {
        test::FakePlatform fake;
        fake.useDiaryFolders();
        const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
        const quint32 s = seed();
        QRandomGenerator rng(s);
        const QByteArray context = "seed " + QByteArray::number(s);

        QMap<QString, std::optional<quint64>> known; // day -> the save it holds
        quint64 nextId = 1;
        int inFlight = 0, reported = 0;
        const int n = rounds(200);
        for (int r = 0; r < n; ++r) {
            QProcess p;
            QVERIFY2(startReady(p, {QStringLiteral("save"), sUsrFld, sApFld,
                                    QString::number(nextId), QStringLiteral("1000000000"),
                                    QStringLiteral("0"), QStringLiteral("40")}),
                     context + " " + p.readAllStandardError());
            QByteArray out;
            if (r % 2)
                killSoon(p, rng, 90000);
            else
                killInSave(p, out, rng, 1 + rng.bounded(3));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);

            // What the helper said before it died: the saves that returned, and the one
            // that was under way.
            QMap<QString, quint64> done;
            std::optional<std::pair<QString, quint64>> pending;
            for (const QString& line : linesOf(p, out)) {
                const QStringList f = line.split(u' ');
                if (f.value(0) == u"saving") {
                    pending = {f.at(1), f.at(2).toULongLong()};
                    nextId = std::max(nextId, f.at(2).toULongLong() + 1);
                } else if (f.value(0) == u"saved") {
                    done[f.at(1)] = f.at(2).toULongLong();
                    pending.reset();
                    ++reported;
                } else {
                    QFAIL(qPrintable(QStringLiteral("helper said: ") + line));
                }
            }
            if (pending) ++inFlight;

            QMap<QString, Stored> actual;
            QString problem;
            QVERIFY2(readDiary(path, actual, problem),
                     context + " round " + QByteArray::number(r) + ": " + problem.toUtf8());
            QStringList days = known.keys() + done.keys() + actual.keys();
            if (pending) days << pending->first;
            days.removeDuplicates();
            for (const QString& day : days) {
                const std::optional<quint64> sure =
                    done.contains(day) ? std::optional<quint64>(done[day]) : known.value(day);
                const std::optional<quint64> maybe = pending && pending->first == day
                                                         ? std::optional<quint64>(pending->second)
                                                         : sure;
                const std::optional<Stored> a =
                    actual.contains(day) ? std::optional<Stored>(actual[day]) : std::nullopt;
                QVERIFY2(holds(a, sure) || holds(a, maybe),
                         qPrintable(QStringLiteral("%1 round %2: day %3 should hold save %4")
                                        .arg(QString::fromLatin1(context))
                                        .arg(r)
                                        .arg(day, describeIds(sure, maybe))));
                known[day] = holds(a, sure) ? sure : maybe;
            }
        }
        qInfo("%d kills, %d with a save under way, %d saves reported (%s)", n, inFlight, reported,
              context.constData());
        // The kills must land during saves, or this test proves nothing.
        QVERIFY2(inFlight * 4 >= n, "too few kills landed during a save");

        // The program itself opens what the kills left. Its saves also sync the folder once
        // the journal is gone, so that a returned save outlives a power cut, which no kill
        // can show.
        QVERIFY(DbOpen());
        int synchronous = 0;
        QVERIFY(DbGetRec(Statement{QStringLiteral("Pragma synchronous"), {}}, synchronous));
        QCOMPARE(synchronous, 3); // EXTRA
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (!it.value()) continue;
            Statement st{sql::kEntry, {}};
            SqlSet(st, {it.key()});
            QString title, body;
            QVERIFY(DbGetRec(st, title, body));
            QCOMPARE(title, crash::titleOf(*it.value()));
            QVERIFY(body == crash::bodyOf(*it.value()));
        }
        DbClose();
        QVERIFY(fake.messages.isEmpty());
    }

    // Two copies of the program on one data folder, saving the same days in the same order
    // at the same time, a few milliseconds apart as a very quick typist would: every save
    // returns, none fails for the other's lock or for the day the other wrote meanwhile,
    // and each day holds the last save one of them made of it.
    void twoCopiesSavingAtOnceBothLand()
    {
        test::FakePlatform fake;
        fake.useDiaryFolders();
        QVERIFY(DbOpen()); // the diary as a first start leaves it
        DbClose();
        constexpr int kSaves = 60;
        struct Copy {
            QProcess p;
            QMap<QString, quint64> last; // day -> its last save
            qint64 from = 0, to = 0;     // when the first and the last save returned
        } copies[2];
        for (int c = 0; c < 2; ++c)
            copies[c].p.start(
                kHelper, {QStringLiteral("save"), sUsrFld, sApFld, QString::number(1 + c * 100000),
                          QString::number(kSaves), QStringLiteral("0"), QStringLiteral("120"),
                          // A person saves seconds apart; back-to-back saves with
                          // gaps shorter than the busy wait's polling would starve a copy.
                          QStringLiteral("150")});
        for (Copy& c : copies) {
            QVERIFY(c.p.waitForFinished(120000));
            const QByteArray out = c.p.readAllStandardOutput();
            QVERIFY2(c.p.exitStatus() == QProcess::NormalExit && c.p.exitCode() == 0,
                     out.right(300) + c.p.readAllStandardError());
            int saved = 0;
            for (const QString& line : QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts)) {
                const QStringList f = line.split(u' ');
                QVERIFY2(f.value(0) != u"message", qPrintable(line));
                if (f.value(0) != u"saved") continue;
                c.last[f.at(1)] = f.at(2).toULongLong();
                c.to = f.at(3).toLongLong();
                if (saved++ == 0) c.from = c.to;
            }
            QCOMPARE(saved, kSaves);
        }
        // They must have been saving at the same time, or this proves nothing.
        QVERIFY(copies[0].from < copies[1].to && copies[1].from < copies[0].to);

        QMap<QString, Stored> actual;
        QString problem;
        QVERIFY2(readDiary(sUsrFld + QStringLiteral("dbVesk.mdb"), actual, problem),
                 qPrintable(problem));
        QStringList days = copies[0].last.keys() + copies[1].last.keys();
        days.removeDuplicates();
        QCOMPARE(actual.size(), days.size());
        int shared = 0;
        for (const QString& day : days) {
            const std::optional<Stored> a =
                actual.contains(day) ? std::optional<Stored>(actual[day]) : std::nullopt;
            auto lastOf = [&](const Copy& c) {
                return c.last.contains(day) ? std::optional<quint64>(c.last[day]) : std::nullopt;
            };
            const std::optional<quint64> first = lastOf(copies[0]), second = lastOf(copies[1]);
            shared += first && second ? 1 : 0;
            QVERIFY2(holds(a, first ? first : second) || holds(a, second ? second : first),
                     qPrintable(QStringLiteral("day %1 should hold save %2")
                                    .arg(day, describeIds(first, second))));
        }
        QVERIFY2(shared > 0, "the copies never saved the same day");
    }

    void settingsFileIsAlwaysOneWholeDocument()
    {
        test::FakePlatform fake;
        const QString folder = fake.makeDir(QStringLiteral("data"));
        const QString path = folder + QStringLiteral("/User.xml");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(cp932Encode(crash::settingsDocument(0)));
        }
        const quint32 s = seed();
        QRandomGenerator rng(s);
        const QByteArray context = "seed " + QByteArray::number(s);

        int generation = 0, landed = 0;
        qint64 period = 20000; // microseconds a write takes, first guess
        const int n = rounds(150);
        for (int r = 0; r < n; ++r) {
            QProcess p;
            QVERIFY2(startReady(p, {QStringLiteral("settings"), path, QString::number(generation)}),
                     context + " " + p.readAllStandardError());
            // After zero to two whole writes, at any moment of the next one; how long one
            // takes is learnt on the way (a sanitizer build is many times slower).
            QByteArray out;
            const int whole = rng.bounded(3);
            const qint64 took = waitForLines(p, out, "wrote ", whole);
            if (whole > 0) period = took / whole;
            killAfter(p, rng.bounded(period + 1));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            int written = generation;
            for (const QString& line : linesOf(p, out)) {
                QVERIFY2(line.startsWith(u"wrote "), qPrintable(line));
                written = line.mid(6).toInt();
            }
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            // The last document reported, or the one being written when the kill came.
            if (bytes == cp932Encode(crash::settingsDocument(written + 1))) {
                generation = written + 1;
                ++landed;
            } else {
                QVERIFY2(bytes == cp932Encode(crash::settingsDocument(written)),
                         context + " round " + QByteArray::number(r) + ": generation " +
                             QByteArray::number(written) + " or the next expected, found " +
                             QByteArray::number(bytes.size()) + " other bytes");
                generation = written;
            }
        }
        qInfo("%d kills, %d while the next document was being written and landed, last "
              "generation %d (%s)",
              n, landed, generation, context.constData());
        // The helper must have been writing when most kills came, or this test proves nothing.
        QVERIFY2(generation >= n / 2, "the helper wrote too little to be killed while writing");
        // A kill between naming the new document and putting it in place can leave it under
        // a temporary name beside the file; nothing else is left behind.
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(names.removeAll(QStringLiteral("User.xml")) == 1);
        for (const QString& name : names)
            QVERIFY2(name.startsWith(QStringLiteral("User.xml.")), qPrintable(name));
        QVERIFY2(names.size() * 10 < n, qPrintable(names.join(u' ')));
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
