// Looking back: the shading steps and runs as data, and the day counts kept beside the
// search index following every way the diary changes.

#include "DayCounts.h"
#include "Diary.h"
#include "DiaryBatch.h"
#include "DiaryDays.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "Figures.h"
#include "Globals.h"
#include "Runs.h"
#include "SearchIndex.h"
#include "Shading.h"
#include "Store.h"

#include <QTest>

using namespace drv;
using namespace drv::lookback;

namespace {

// "yyyy-MM-dd" dates, all with the same count.
DiaryDays daysOf(const QStringList& dates, const QDate& today)
{
    QList<WrittenDay> days;
    for (const QString& d : dates)
        days.append({QDate::fromString(d, Qt::ISODate), 10});
    return DiaryDays(days, today);
}

QString countsText()
{
    QList<DayCount> days;
    if (!diary::dayCounts(days)) return QStringLiteral("(failed)");
    std::sort(days.begin(), days.end(),
              [](const DayCount& a, const DayCount& b) { return a.key < b.key; });
    QStringList parts;
    for (const DayCount& d : days)
        parts << d.key + u'=' + QString::number(d.chars);
    return parts.join(u',');
}

// What the index file itself holds, without the days this copy has not handed over yet.
QString indexedText()
{
    QStringList parts;
    for (const QString& row : test::firstColumn(
             searchIndexPath(),
             QStringLiteral("select printf('%06d=%d', nKey, nChars) from tbCount order by nKey")))
        parts << row;
    return parts.join(u',');
}

} // namespace

class TestLookback : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup() { test::endDiary(fake); }

    void shadeSteps_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("most");
        QTest::addColumn<int>("step");
        QTest::newRow("no entry") << -1 << 100 << 0;
        QTest::newRow("title alone") << 0 << 100 << 1;
        QTest::newRow("a quarter") << 25 << 100 << 1;
        QTest::newRow("just past a quarter") << 26 << 100 << 2;
        QTest::newRow("a half") << 50 << 100 << 2;
        QTest::newRow("three quarters") << 75 << 100 << 3;
        QTest::newRow("the longest") << 100 << 100 << 4;
        QTest::newRow("one character of a huge year") << 1 << 2000000000 << 1;
        QTest::newRow("huge longest") << 2000000000 << 2000000000 << 4;
        QTest::newRow("a year of empty entries") << 0 << 0 << 1;
    }
    void shadeSteps()
    {
        QFETCH(int, chars);
        QFETCH(int, most);
        QFETCH(int, step);
        QCOMPARE(shadeStep(chars, most), step);
    }

    void runs_data()
    {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("longest");
        QTest::addColumn<int>("current");
        const QDate today(2026, 12, 7);
        QTest::newRow("empty diary") << QStringList() << today << 0 << 0;
        QTest::newRow("one day, today") << QStringList{"2026-12-07"} << today << 1 << 1;
        QTest::newRow("one day, long ago") << QStringList{"1999-01-01"} << today << 1 << 0;
        QTest::newRow("across a year's end")
            << QStringList{"2025-12-30", "2025-12-31", "2026-01-01", "2026-01-02", "2026-01-04"}
            << today << 4 << 0;
        QTest::newRow("through yesterday, today not yet written")
            << QStringList{"2026-12-04", "2026-12-05", "2026-12-06"} << today << 3 << 3;
        QTest::newRow("up to today")
            << QStringList{"2026-12-05", "2026-12-06", "2026-12-07"} << today << 3 << 3;
        QTest::newRow("a gap on 29 February")
            << QStringList{"2024-02-27", "2024-02-28", "2024-03-01"} << today << 2 << 0;
        QTest::newRow("no 29 February to miss")
            << QStringList{"2023-02-27", "2023-02-28", "2023-03-01"} << today << 3 << 0;
        QTest::newRow("current across the year's end")
            << QStringList{"2025-12-31", "2026-01-01"} << QDate(2026, 1, 1) << 2 << 2;
    }
    void runs()
    {
        QFETCH(QStringList, dates);
        QFETCH(QDate, today);
        QFETCH(int, longest);
        QFETCH(int, current);
        const Runs r = runsOf(daysOf(dates, today));
        QCOMPARE(r.longest, longest);
        QCOMPARE(r.current, current);
    }

    // The figures of a year count its own days only, and the share runs to today.
    void figuresPerYearAndMonth()
    {
        const QDate today(2026, 1, 10);
        QList<WrittenDay> days{{QDate(2025, 12, 30), 5},
                               {QDate(2025, 12, 31), 7},
                               {QDate(2026, 1, 1), 100},
                               {QDate(2026, 1, 2), 1}};
        const DiaryFigures f = figuresOf(DiaryDays(days, today));
        QCOMPARE(f.years.size(), 2);
        QCOMPARE(f.years[0].year, 2025);
        QCOMPARE(f.years[0].total, (PeriodFigures{2, 12, 365, 2}));
        QCOMPARE(f.years[0].months[11], (PeriodFigures{2, 12, 31, 2}));
        QCOMPARE(f.years[0].months[0], (PeriodFigures{0, 0, 31, 0}));
        QCOMPARE(f.years[1].total, (PeriodFigures{2, 101, 10, 2}));
        QCOMPARE(f.years[1].months[1].days, 0); // February is still to come
        QCOMPARE(f.total.longestRun, 4);
        QCOMPARE(f.currentRun, 0);
        const QString text = figuresText(f);
        QVERIFY2(text.contains(QStringLiteral("2026年\t2\t101\t20.0%\t2\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("2025年12月\t2\t12\t6.5%\t2\n")), qPrintable(text));
    }

    // The counts follow the program's saves, deletes, moves and imports, and another
    // program's change, both at once and once the index has them; none of it is kept in
    // the diary file.
    void countsFollowEveryChange()
    {
        test::put(QStringLiteral("991231"), QStringLiteral("t"), QStringLiteral("大晦日 です"));
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(countsText(), QStringLiteral("991231=5"));
        QCOMPARE(indexedText(), QStringLiteral("991231=5"));

        QVERIFY(diary::save(QStringLiteral("261207"), QStringLiteral("t"),
                            QStringLiteral("👨‍👩‍👧 が\n来た")));
        QCOMPARE(countsText(), QStringLiteral("261207=4,991231=5"));
        int n = 0;
        QVERIFY(diary::move(QStringLiteral("991231"), QStringLiteral("000101"), n));
        QVERIFY(diary::remove(QStringLiteral("261207"), n));
        QCOMPARE(countsText(), QStringLiteral("000101=5"));
        const QList<diary::BatchRow> imported{
            {{QStringLiteral("260101"), QStringLiteral("t"), QStringLiteral("ｱｲｳ")}, {}},
            {{QStringLiteral("260102"), QStringLiteral("t"), QString()}, {}}};
        QCOMPARE(diary::writeBatch(imported, {}), diary::BatchOutcome::Written);
        const QString expected = QStringLiteral("000101=5,260101=3,260102=0");
        QCOMPARE(countsText(), expected);
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(indexedText(), expected);

        // Another program writes to the diary while this one has it open.
        test::direct(QStringLiteral("update tbDoc set szDoc = 'よし' where skYmn = '260101'"));
        test::put(QStringLiteral("470301"), QStringLiteral("t"), QStringLiteral("昔"));
        const QString after = QStringLiteral("000101=5,260101=2,260102=0,470301=1");
        QCOMPARE(countsText(), after);
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(indexedText(), after);
        QCOMPARE(fake->messages, QStringList());
        DbClose();
        QCOMPARE(test::firstColumn(sUsrFld + QStringLiteral("dbVesk.mdb"),
                                   QStringLiteral("select name from sqlite_master where type = "
                                                  "'table'")),
                 QStringList{QStringLiteral("tbDoc")});
    }

    // Asked for without waiting, the counts come after another program's change once the
    // index has caught up, and without an index (no cache folder) from every body counted
    // on a thread of its own; they are never answered with what was there before.
    void requestedCountsArrive_data()
    {
        QTest::addColumn<bool>("withIndex");
        QTest::newRow("index catching up") << true;
        QTest::newRow("no index") << false;
    }
    void requestedCountsArrive()
    {
        QFETCH(bool, withIndex);
        test::put(QStringLiteral("260101"), QStringLiteral("t"), QStringLiteral("いち"));
        if (!withIndex) {
            // A cache folder that cannot be made: below a file.
            QFile blocker(fake->root.filePath(QStringLiteral("not-a-folder")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            qputenv("XDG_CACHE_HOME",
                    QFile::encodeName(blocker.fileName() + QStringLiteral("/cache")));
        }
        QVERIFY(DbOpen());
        QCOMPARE(searchIndexPath().isEmpty(), !withIndex);
        if (withIndex) QVERIFY(waitForSearchIndex(20000));
        test::direct(QStringLiteral("update tbDoc set szDoc = 'よしよし' where skYmn = '260101'"));
        QObject context;
        QList<DayCount> got;
        bool answered = false;
        const bool atOnce =
            diary::requestDayCounts(&context, [&](const QList<DayCount>& days, bool ok) {
                got = days;
                answered = ok;
            });
        if (!withIndex) QVERIFY(!atOnce);
        QTRY_VERIFY(answered);
        QCOMPARE(got, (QList<DayCount>{{QStringLiteral("260101"), 4}}));
        if (withIndex) QCOMPARE(indexedText(), QStringLiteral("260101=4"));
        QCOMPARE(fake->messages, QStringList());
    }

    // A diary whose index is not built yet counts its bodies: the same answer.
    void countsWithoutIndexAreCountedFromTheBodies()
    {
        test::put(QStringLiteral("260301"), QStringLiteral("t"), QStringLiteral("三月　です"));
        QVERIFY(DbOpen());
        QCOMPARE(countsText(), QStringLiteral("260301=4"));
    }
};

QTEST_GUILESS_MAIN(TestLookback)
#include "tst_lookback.moc"
