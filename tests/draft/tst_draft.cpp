// Drafts on their own: the file format and what it refuses, the timing of writes, the
// writer, the draft files of several running copies, and the start-up decision.

#include "Draft.h"
#include "DraftKeeper.h"
#include "DraftOffer.h"
#include "DraftSchedule.h"
#include "DraftSource.h"
#include "DraftWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace drv;

namespace {

const Draft kMain{kMainWindow, QStringLiteral("261207"), QStringLiteral("晴れ"),
                  QStringLiteral("散歩に行った。\n川沿いを歩いた。"),
                  entryFingerprint(QStringLiteral("晴れ"), QStringLiteral("散歩"))};
const Draft kCorrection{kCorrectionWindow, QStringLiteral("061224"), QStringLiteral("Trip"),
                        QStringLiteral("Snow in Sapporo, and more."),
                        entryFingerprint(QStringLiteral("Trip"), QStringLiteral("Snow"))};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

int modeOf(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

QList<Draft> draftsIn(const QString& path)
{
    return parseDrafts(readAll(path)).value_or(QList<Draft>{});
}

// A window for the keeper to take drafts from.
struct FakeWindow {
    QString key = QStringLiteral("261207"), title, body;
    DraftSource source{kMainWindow, false, [this] {
                           return DraftSource::Screen{key, title, body};
                       }};
    void type(const QString& text)
    {
        body += text;
        source.changed();
    }
};

} // namespace

Q_DECLARE_METATYPE(Draft)
Q_DECLARE_METATYPE(QList<Draft>)
Q_DECLARE_METATYPE(QList<qint64>)

class TestDraft : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString folder() const { return dir->path() + u'/'; }

private Q_SLOTS:
    void init() { dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() { dir.reset(); }

    // --- the file -----------------------------------------------------------
    void roundTrip_data()
    {
        QTest::addColumn<QList<Draft>>("drafts");
        QTest::newRow("none") << QList<Draft>{};
        QTest::newRow("both windows") << QList<Draft>{kMain, kCorrection};
        // Text that looks like the file's own lines, line ends of every kind, a NUL and
        // characters outside the basic plane must not confuse the reader.
        Draft tricky = kMain;
        tricky.title = QStringLiteral("body 3\nsha256 ");
        tricky.body = QStringLiteral("\r\n\ncount 2\nwindow sbEdt\n") + QChar(0) +
                      QStringLiteral("😀\u3000\n\n");
        QTest::newRow("tricky text") << QList<Draft>{tricky};
    }
    void roundTrip()
    {
        QFETCH(QList<Draft>, drafts);
        const std::optional<QList<Draft>> back = parseDrafts(serializeDrafts(drafts));
        QVERIFY(back);
        QVERIFY(*back == drafts);
    }

    // A kill or a power cut could leave any prefix; a bad sector or another program any
    // change. None of them may read as a draft, or a wrong text would be offered back.
    void tornOrChangedFileDoesNotParse()
    {
        const QByteArray whole = serializeDrafts({kMain, kCorrection});
        for (qsizetype n = 0; n < whole.size(); ++n)
            QVERIFY2(!parseDrafts(whole.first(n)), qPrintable(QString::number(n)));
        for (qsizetype i = 0; i < whole.size(); ++i) {
            QByteArray changed = whole;
            changed[i] = char(changed[i] ^ 0x04);
            QVERIFY2(!parseDrafts(changed), qPrintable(QString::number(i)));
        }
        QVERIFY(!parseDrafts(whole + '\n'));
        QVERIFY(!parseDrafts(whole + whole));
    }

    void foreignFileDoesNotParse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("今日の日記\n");
        QByteArray later = serializeDrafts({kMain});
        later.replace("drvesk-draft 1", "drvesk-draft 2");
        QTest::newRow("another version") << later;
        // Right checksum, wrong inside: a count that the records do not match.
        QByteArray counted = serializeDrafts({kMain});
        counted = counted.first(counted.indexOf("sha256 "));
        counted.replace("count 1", "count 2");
        QTest::newRow("count too high")
            << counted + "sha256 " +
                   QCryptographicHash::hash(counted, QCryptographicHash::Sha256).toHex() + '\n';
    }
    void foreignFileDoesNotParse()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseDrafts(bytes));
    }

    void fingerprintTellsEntriesApart()
    {
        const QString a = QStringLiteral("ab"), b = QStringLiteral("c");
        QCOMPARE(entryFingerprint({}, {}), QByteArray("none"));
        QCOMPARE(entryFingerprint(a, b), entryFingerprint(a, b));
        // Text moved from the title into the body is another entry.
        QVERIFY(entryFingerprint(a, b) !=
                entryFingerprint(QStringLiteral("a"), QStringLiteral("bc")));
        QVERIFY(entryFingerprint(a, {}) != entryFingerprint({}, a));
        QVERIFY(entryFingerprint(QStringLiteral(" "), {}) != "none");
    }

    // --- when drafts are written -----------------------------------------------
    void scheduleDueTimes_data()
    {
        QTest::addColumn<QList<qint64>>("changes");
        QTest::addColumn<qint64>("due");
        QTest::newRow("one key") << QList<qint64>{100} << qint64(1100);
        QTest::newRow("a short burst") << QList<qint64>{0, 200, 400} << qint64(1400);
        // Steady typing is written after the longest wait, not after it stops.
        QTest::newRow("steady typing")
            << QList<qint64>{0, 300, 600, 900, 1200, 1500, 1800} << qint64(1500);
        QTest::newRow("a pause, then a key") << QList<qint64>{0, 1400} << qint64(1500);
    }
    void scheduleDueTimes()
    {
        QFETCH(QList<qint64>, changes);
        QFETCH(qint64, due);
        DraftSchedule s;
        QVERIFY(!s.due());
        for (qint64 t : changes)
            s.changed(t);
        QCOMPARE(s.due().value_or(-1), due);
        // What was taken is not due again; the next change starts a new wait.
        s.taken();
        QVERIFY(!s.due());
        s.changed(due + 10);
        QCOMPARE(s.due().value_or(-1), due + 10 + DraftSchedule::kIdleMs);
    }

    // --- the writer ----------------------------------------------------------------
    void writerKeepsOnlyTheNewestAndRemoves()
    {
        const QString path = folder() + QStringLiteral("draft.txt");
        DraftWriter writer(path);
        Draft d = kMain;
        for (int i = 0; i < 200; ++i) {
            d.body = QString(20'000, u'x') + QString::number(i);
            writer.submit({d});
        }
        QVERIFY(writer.flush());
        QCOMPARE(draftsIn(path), QList<Draft>{d});
        QCOMPARE(modeOf(path), 0600);
        writer.submit({});
        QVERIFY(writer.flush());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    // --- the keeper ------------------------------------------------------------------
    void keeperWritesOnlyOnceArmedAndRemovesAtTheEnd()
    {
        FakeWindow window;
        DraftKeeper keeper(folder());
        QCOMPARE(keeper.path(), folder() + QStringLiteral("draft.txt"));
        window.type(QStringLiteral("before arm"));
        keeper.flush();
        QVERIFY(!QFile::exists(keeper.path())); // nothing before the offer is over
        keeper.arm();
        QVERIFY(keeper.flush());
        QCOMPARE(draftsIn(keeper.path()).value(0).body, QStringLiteral("before arm"));
        // A change is written once it is due, without anyone asking.
        window.type(QStringLiteral(", after"));
        QTRY_COMPARE_WITH_TIMEOUT(draftsIn(keeper.path()).value(0).body,
                                  QStringLiteral("before arm, after"), 10000);
        keeper.finish();
        QVERIFY(!QFile::exists(keeper.path()));
        QVERIFY(!QFile::exists(folder() + QStringLiteral("draft.lock")));
    }

    void keeperFinishedBeforeArmKeepsTheLeftover()
    {
        writeFile(folder() + QStringLiteral("draft.txt"), serializeDrafts({kMain}));
        DraftKeeper(folder()).finish();
        QCOMPARE(draftsIn(folder() + QStringLiteral("draft.txt")), QList<Draft>{kMain});
    }

    // A second running copy gets a draft file of its own, and the first one's draft is
    // not a leftover while that copy runs; once it is gone, it is.
    void runningCopiesKeepTheirOwnDrafts()
    {
        const QString first = folder() + QStringLiteral("draft.txt");
        const QString torn = folder() + QStringLiteral("draft-2.txt");
        FakeWindow window;
        window.type(QStringLiteral("live"));
        auto running = std::make_unique<DraftKeeper>(folder());
        QCOMPARE(running->path(), first);
        running->arm();
        QVERIFY(running->flush());
        writeFile(torn, "torn");
        {
            DraftKeeper second(folder());
            QCOMPARE(second.path(), folder() + QStringLiteral("draft-1.txt"));
            QCOMPARE(second.leftovers().size(), 1);
            QCOMPARE(second.leftovers().first().path, torn);
            QVERIFY(!second.leftovers().first().drafts);
            QCOMPARE(second.leftovers().first().bytes, QByteArray("torn"));
        }                // gone before its offer was over: the torn file stays a leftover
        running.reset(); // the copy ended without cleaning up, as a killed one does
        window.source.dropped();
        writeFile(first + QStringLiteral(".Ab12Cd"), "unfinished");
        DraftKeeper next(folder());
        QCOMPARE(next.path(), first);
        QVERIFY(!QFile::exists(first + QStringLiteral(".Ab12Cd")));
        QCOMPARE(next.leftovers().size(), 2);
        QCOMPARE(next.leftovers().first().drafts.value_or(QList<Draft>{}).value(0).body,
                 QStringLiteral("live"));
        QCOMPARE(next.leftovers().last().path, torn);
        // Dealt with: the other copy's leftover goes, this copy's own file is emptied.
        next.arm();
        QVERIFY(next.flush());
        QCOMPARE(QDir(folder()).entryList({QStringLiteral("draft*.txt*")}), QStringList{});
    }

    // --- at the next start ---------------------------------------------------------------
    void judgeAgainstTheDiary_data()
    {
        QTest::addColumn<Draft>("draft");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("state");
        const int stored = int(DraftState::Stored), same = int(DraftState::Unchanged),
                  other = int(DraftState::ChangedElsewhere);
        Draft fresh = kMain;
        fresh.basedOn = entryFingerprint({}, {});
        QTest::newRow("a new day") << fresh << QString() << QString() << same;
        QTest::newRow("written meanwhile")
            << fresh << QStringLiteral("x") << QStringLiteral("y") << other;
        // The correction window never changes the title: a title changed elsewhere with
        // the corrected body stored counts as stored.
        QTest::newRow("correction stored")
            << kCorrection << QStringLiteral("Other") << kCorrection.body << stored;
        QTest::newRow("correction as begun")
            << kCorrection << QStringLiteral("Trip") << QStringLiteral("Snow") << same;
    }
    void judgeAgainstTheDiary()
    {
        QFETCH(Draft, draft);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(int, state);
        QCOMPARE(int(judgeDraft(draft, title, body)), state);
    }

    void offerCutsALongFirstLine()
    {
        Draft longLine = kMain;
        longLine.body = QStringLiteral("\n\n  ") + QString(300, u'長');
        const QString cut = offerText(longLine, DraftState::Unchanged);
        QVERIFY(cut.contains(QString(40, u'長') + u'…'));
        QVERIFY(!cut.contains(QString(41, u'長')));
    }

    void keptAsideUnderDateAndTime()
    {
        const QDateTime now(QDate(2026, 12, 7), QTime(9, 5, 3));
        const QByteArray bytes = serializeDrafts({kMain});
        const QString a = keepAside(bytes, folder(), now);
        const QString b = keepAside("second", folder(), now);
        QCOMPARE(a, folder() + QStringLiteral("backup/draft-20261207-090503.txt"));
        QCOMPARE(b, folder() + QStringLiteral("backup/draft-20261207-090503-2.txt"));
        QCOMPARE(readAll(a), bytes);
        QCOMPARE(readAll(b), QByteArray("second"));
        QCOMPARE(modeOf(folder() + QStringLiteral("backup")), 0700);
        QCOMPARE(modeOf(a), 0600);
    }
};

QTEST_GUILESS_MAIN(TestDraft)
#include "tst_draft.moc"
