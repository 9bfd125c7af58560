// Printing to PDF: the entries of a range, every one in order in the PDF's text in both
// directions, the date headings, a page for each day when asked.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "EntryHeads.h"
#include "PdfText.h"
#include "PrintEntries.h"
#include "PrintJob.h"
#include "Store.h"

#include <QPdfWriter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace drv;
using namespace drv::print;

using test::pdfPages;
using test::squeezed;

class TestPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void dateHeadings_data();
    void dateHeadings();
    void rangeDays_data();
    void rangeDays();
    void readsTheRangeInDateOrder();
    void pdfHoldsEveryEntryInOrder_data();
    void pdfHoldsEveryEntryInOrder();

private:
    std::unique_ptr<test::FakePlatform> fake;
    QTemporaryDir out;
};

void TestPrinting::init()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext is missing: scripts/setup.sh installs poppler-utils");
    fake = test::startDiary();
    QVERIFY(DbOpen());
}

void TestPrinting::cleanup()
{
    test::endDiary(fake);
}

void TestPrinting::dateHeadings_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("wareki");
    QTest::addColumn<bool>("holiday");
    QTest::addColumn<QString>("heading");
    QTest::newRow("western year") << QDate(2026, 12, 7) << false << true << "2026年12月7日（月）";
    QTest::newRow("holiday named")
        << QDate(2026, 11, 3) << false << true << "2026年11月3日（火）　文化の日";
    QTest::newRow("holiday left out")
        << QDate(2026, 11, 3) << false << false << "2026年11月3日（火）";
    QTest::newRow("era year") << QDate(2026, 11, 3) << true << true
                              << "令和8年11月3日（火）　文化の日";
    QTest::newRow("first year of an era")
        << QDate(2019, 5, 1) << true << false << "令和元年5月1日（水）";
    QTest::newRow("before the eras the western year stays")
        << QDate(1850, 1, 1) << true << false << "1850年1月1日（火）";
}

void TestPrinting::dateHeadings()
{
    QFETCH(QDate, date);
    QFETCH(bool, wareki);
    QFETCH(bool, holiday);
    QTEST(dateHeading(date, wareki, holiday), "heading");
}

void TestPrinting::rangeDays_data()
{
    QTest::addColumn<Range>("range");
    QTest::addColumn<QDate>("first"); // the diary's first stored day; invalid: no entry
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    const QDate shown(2024, 2, 10), first(1999, 12, 31);
    QTest::newRow("shown day") << Range::ShownDay << first << shown << shown;
    QTest::newRow("shown month, a leap February")
        << Range::ShownMonth << first << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("year") << Range::Year << first << QDate(2025, 1, 1) << QDate(2025, 12, 31);
    QTest::newRow("every day") << Range::Every << first << first << QDate(2026, 12, 7);
    QTest::newRow("every day of an empty diary: none")
        << Range::Every << QDate() << QDate(2000, 1, 2) << QDate(2000, 1, 1);
    QTest::newRow("from and to typed backwards")
        << Range::Between << first << QDate(2024, 3, 1) << QDate(2024, 5, 31);
}

void TestPrinting::rangeDays()
{
    QFETCH(Range, range);
    QFETCH(QDate, first);
    RangeChoice c;
    c.range = range;
    c.shown = QDate(2024, 2, 10);
    c.year = 2025;
    c.from = QDate(2024, 5, 31);
    c.to = QDate(2024, 3, 1);
    c.first = first;
    c.last = first.isValid() ? QDate(2026, 12, 7) : QDate();
    QDate from, to;
    rangeDates(c, from, to);
    QTEST(from, "from");
    QTEST(to, "to");
}

void TestPrinting::readsTheRangeInDateOrder()
{
    // The century window of 2026 puts 99 in 1999, so 991231 comes before 260101.
    test::put(QStringLiteral("260201"), "b", "two");
    test::put(QStringLiteral("260101"), "a", "one");
    test::put(QStringLiteral("991231"), "z", "old");
    test::put(QStringLiteral("260301"), "c", "three");
    QList<PrintEntry> got;
    QVERIFY(readEntries(QDate(1999, 12, 31), QDate(2026, 2, 28), got));
    QStringList titles;
    for (const PrintEntry& e : got)
        titles << e.title + u'=' + e.body;
    QCOMPARE(titles, (QStringList{"z=old", "a=one", "b=two"}));
    QCOMPARE(got.first().date, QDate(1999, 12, 31));
}

void TestPrinting::pdfHoldsEveryEntryInOrder_data()
{
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<bool>("newPagePerDay");
    QTest::newRow("横書き A4") << Direction::Horizontal << Paper::A4 << false << false;
    QTest::newRow("縦書き A5") << Direction::Vertical << Paper::A5 << false << false;
    QTest::newRow("縦書き 文庫 landscape") << Direction::Vertical << Paper::Bunko << true << false;
    QTest::newRow("横書き B6, a page a day") << Direction::Horizontal << Paper::B6 << false << true;
    QTest::newRow("縦書き B5, a page a day") << Direction::Vertical << Paper::B5 << false << true;
}

void TestPrinting::pdfHoldsEveryEntryInOrder()
{
    QFETCH(Direction, direction);
    QFETCH(Paper, paper);
    QFETCH(bool, landscape);
    QFETCH(bool, newPagePerDay);
    // Short entries and one that runs over several pages; brackets, small kana, digits
    // and letters, which the vertical layout turns and moves.
    QString longBody;
    for (int i = 1; i <= 60; ++i)
        longBody += QStringLiteral("第%1段落。「今日は」と言って、ちょっと出かけた。").arg(i) +
                    (i % 3 ? QString() : QStringLiteral("\n"));
    const QList<QStringList> days{
        {"261101", "朝の散歩", "川沿いを歩いた。ススキが揺れていた。"},
        {"261103", "文化の日", "美術館へ。Qt 6の本を買った（2冊）。"},
        {"261110", "長い日", longBody},
        {"261201", "", "タイトルのない日。"},
        {"261207", "師走", "年末の準備——大掃除。"},
    };
    for (const QStringList& d : days)
        test::put(d[0], d[1], d[2]);

    PrintOptions options;
    options.from = QDate(2026, 11, 1);
    options.to = QDate(2026, 12, 31);
    options.direction = direction;
    options.paper = paper;
    options.landscape = landscape;
    options.fontFamily = QStringLiteral("IPAGothic");
    options.newPagePerDay = newPagePerDay;
    QList<PrintEntry> entries;
    QVERIFY(readEntries(options.from, options.to, entries));
    QCOMPARE(entries.size(), days.size());

    const QString pdf = out.filePath(QStringLiteral("diary.pdf"));
    {
        QPdfWriter writer(pdf);
        PrintJob job(entries, options, &writer);
        QVERIFY(job.run());
        QVERIFY(job.pageCount() > 1);
    }
    // Each page ends with its running head, the month of its first entry, and its
    // number; the text without them holds every entry in order.
    const QStringList pages = pdfPages(pdf);
    QVERIFY(pages.size() > 1);
    QString text;
    QDate month;
    for (int i = 0; i < pages.size(); ++i) {
        const auto foot =
            QRegularExpression(QStringLiteral("(\\d+)年(\\d+)月%1$").arg(i + 1)).match(pages[i]);
        QVERIFY2(foot.hasMatch(), qPrintable(pages[i].right(30)));
        const QDate head(foot.captured(1).toInt(), foot.captured(2).toInt(), 1);
        QVERIFY(i == 0 ? head == QDate(2026, 11, 1) : head >= month);
        month = head;
        text += pages[i].first(foot.capturedStart());
    }
    qsizetype at = 0;
    for (const PrintEntry& e : entries) {
        for (const QString& part :
             {dateHeading(e.date, false, true), squeezed(e.title), squeezed(e.body)}) {
            const qsizetype found = text.indexOf(squeezed(part), at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("missing in order: ") + part.left(40)));
            at = found + squeezed(part).size();
        }
        // With a page a day, every entry starts a page.
        if (newPagePerDay)
            QVERIFY(std::any_of(pages.begin(), pages.end(), [&](const QString& page) {
                return page.startsWith(dateHeading(e.date, false, false));
            }));
    }
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
