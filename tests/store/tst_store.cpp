// The diary store: opening, the statements, bound values, failures that leave the
// program running, and day keys.

#include "DateKey.h"
#include "Diary.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "SearchIndex.h"
#include "SearchStatements.h"
#include "Statements.h"
#include "Store.h"
#include "TextMatch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace drv;
using drv::test::digest;

namespace {

bool save(const QString& key, const QString& title, const QString& body)
{
    Statement st{sql::kInsert + sql::kValues, {}};
    SqlSet(st, {title, body, key});
    int n = 0;
    return DbExec(st, n) && n == 1;
}

using drv::test::onFile;

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QString dbPath() const { return sUsrFld + QStringLiteral("dbVesk.mdb"); }

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup() { test::endDiary(fake); }

    // --- the diary's named operations -----------------------------------
    // A diary made by another tool may have no key constraint at all: saving counts and
    // then updates, so a day never ends up with two rows.
    void saveWithoutPrimaryKeyUpdatesInPlace()
    {
        test::direct(QStringLiteral("drop table tbDoc"));
        test::direct(QStringLiteral("create table tbDoc (skYmn text, szTtl text, szDoc text)"));
        QVERIFY(DbOpen());
        QVERIFY(diary::save(QStringLiteral("261207"), QStringLiteral("一"), QStringLiteral("壱")));
        QVERIFY(diary::save(QStringLiteral("261207"), QStringLiteral("二"), QStringLiteral("弐")));
        QCOMPARE(fake->messages, QStringList());
        const auto rows = test::stored();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.value(QStringLiteral("261207")),
                 (test::StoredEntry{QStringLiteral("二"), QStringLiteral("弐")}));
    }

    // The walk hands over every entry once, by date across both centuries, in pages.
    void walkVisitsEveryEntryInDateOrder_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::newRow("one a page") << 1;
        QTest::newRow("uneven pages") << 3;
        QTest::newRow("one page") << 500;
    }
    void walkVisitsEveryEntryInDateOrder()
    {
        QFETCH(int, pageSize);
        const QStringList keys = {"470101", "991231", "000101", "261207", "461231", "460101"};
        for (const QString& k : keys)
            test::put(k, QStringLiteral("t") + k, QStringLiteral("b") + k);
        QVERIFY(DbOpen());
        QStringList seen;
        int pages = 0;
        QVERIFY(diary::walk(pageSize, [&](const QList<DiaryEntry>& page) {
            ++pages;
            for (const DiaryEntry& e : page) {
                if (e.szTtl != u't' + e.skYmn || e.szDoc != u'b' + e.skYmn) return false;
                seen << e.skYmn;
            }
            return true;
        }));
        QCOMPARE(seen, (QStringList{"470101", "991231", "000101", "261207", "460101", "461231"}));
        QVERIFY(pages >= (int(keys.size()) + pageSize - 1) / pageSize);
        int visited = 0;
        QVERIFY(diary::walk(2, [&](const QList<DiaryEntry>&) { return ++visited < 2; }));
        QCOMPARE(visited, 2);
    }

    void firstAndLastDayOfEmptyDiaryAreEmpty()
    {
        QVERIFY(DbOpen());
        QString first = QStringLiteral("x"), last = QStringLiteral("x");
        QVERIFY(diary::firstDay(first) && diary::lastDay(last));
        QCOMPARE(first, QString());
        QCOMPARE(last, QString());
    }

    // --- day keys ---------------------------------------------------------
    void keyForms()
    {
        const QDate d(2026, 3, 9);
        QCOMPARE(DateKey::fromDate(d), QStringLiteral("260309"));
        QCOMPARE(DateKey::display(QStringLiteral("260309")), QStringLiteral("26/03/09"));
        QCOMPARE(DateKey::fromDisplay(QStringLiteral("26/03/09")), QStringLiteral("260309"));
        QCOMPARE(DateKey::monthPrefix(d), QStringLiteral("2603"));
        QCOMPARE(DateKey::fromDate(QDate(2000, 1, 1)), QStringLiteral("000101"));
    }

    void centuryWindow_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("date");
        const QDate now(2026, 12, 7);
        QTest::newRow("this year") << "261207" << now << QDate(2026, 12, 7);
        QTest::newRow("window end") << "461231" << now << QDate(2046, 12, 31);
        QTest::newRow("window start") << "470101" << now << QDate(1947, 1, 1);
        QTest::newRow("nineties") << "991231" << now << QDate(1999, 12, 31);
        QTest::newRow("year 00") << "000229" << now << QDate(2000, 2, 29);
        QTest::newRow("window moves") << "470101" << QDate(2027, 1, 1) << QDate(2047, 1, 1);
        QTest::newRow("not a day") << "260230" << now << QDate();
        QTest::newRow("not digits") << "26/1/1" << now << QDate();
    }
    void centuryWindow()
    {
        QFETCH(QString, key);
        QFETCH(QDate, today);
        QFETCH(QDate, date);
        QCOMPARE(DateKey::toDate(key, today), date);
    }

    // --- opening ----------------------------------------------------------
    void firstOpenCopiesTemplatePrivately()
    {
        QVERIFY(!QFileInfo::exists(dbPath()));
        QVERIFY(DbOpen());
        QVERIFY(QFileInfo(dbPath()).isFile());
        const auto perms = QFileInfo(dbPath()).permissions();
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
        QVERIFY(save(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("b")));
        QVERIFY(fake->messages.isEmpty());
    }

    void existingDiaryIsNeverReplaced()
    {
        QVERIFY(DbOpen());
        QVERIFY(save(QStringLiteral("261207"), QStringLiteral("kept"), QStringLiteral("body")));
        DbClose();
        const QByteArray tmpl = digest(sApFld + QStringLiteral("dbVesk.mdb"));
        QVERIFY(DbOpen());
        QString title, body;
        Statement st{sql::kEntry, {}};
        SqlSet(st, {QStringLiteral("261207")});
        QVERIFY(DbGetRec(st, title, body));
        QCOMPARE(title, QStringLiteral("kept"));
        QCOMPARE(digest(sApFld + QStringLiteral("dbVesk.mdb")), tmpl);
    }

    void missingTemplateFailsClearly()
    {
        QFile::remove(sApFld + QStringLiteral("dbVesk.mdb"));
        QVERIFY(!DbOpen());
        QVERIFY(!DbIsOpen());
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().contains(dbPath()));
        QVERIFY(fake->messages.first().contains(sApFld + QStringLiteral("dbVesk.mdb")));
        QVERIFY(!QFileInfo::exists(dbPath()));
    }

    void unusableFileFailsAndStaysUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("Dear diary, this is not SQLite.\n").repeated(200);
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("other database") << QByteArray("use another table");
    }
    void unusableFileFailsAndStaysUntouched()
    {
        QFETCH(QByteArray, content);
        if (QByteArray(QTest::currentDataTag()) == "other database") {
            // A real SQLite file without the diary's table.
            QVERIFY(onFile(dbPath(), QStringLiteral("create table x(a)")));
        } else {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = digest(dbPath());
        const qint64 size = QFileInfo(dbPath()).size();
        QVERIFY(!DbOpen());
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().contains(dbPath()));
        QCOMPARE(QFileInfo(dbPath()).size(), size);
        QCOMPARE(digest(dbPath()), before);
    }

    // --- statements -------------------------------------------------------
    void valuesAreStoredExactly_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("quotes") << "It's \"fine\""
                                << "Rain? No. ' \" ?";
        QTest::newRow("statement text") << "'); Drop Table tbDoc; --"
                                        << "x' Or '1'='1";
        QTest::newRow("full-width ?") << "晴れ？"
                                      << "雨？ ?";
        QTest::newRow("pattern characters") << "*#[%_"
                                            << "100% _done_ [x] #1 *";
        QTest::newRow("lines and tabs") << "t"
                                        << "一行目\r\n\t二行目\n";
        QTest::newRow("outside Shift-JIS") << "🌸 Ω 한국어"
                                           << "emoji 😀 and \u0001";
    }
    void valuesAreStoredExactly()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QVERIFY(DbOpen());
        QVERIFY(save(QStringLiteral("261207"), title, body));
        Statement st{sql::kEntry, {}};
        SqlSet(st, {QStringLiteral("261207")});
        QString t, b;
        QVERIFY(DbGetRec(st, t, b));
        QCOMPARE(t, title);
        QCOMPARE(b, body);
        QVERIFY(fake->messages.isEmpty());
    }

    void placeholdersFillLeftToRight()
    {
        QVERIFY(DbOpen());
        // Too few values: the rest stand for "?" itself.
        Statement ins{sql::kInsert + sql::kValues, {}};
        SqlSet(ins, {QStringLiteral("title"), QStringLiteral("body")});
        int n = 0;
        QVERIFY(DbExec(ins, n));
        QCOMPARE(n, 1);
        Statement count{sql::kCountKey, {}};
        SqlSet(count, {QStringLiteral("?")});
        int c = -1;
        QVERIFY(DbGetRec(count, c));
        QCOMPARE(c, 1);
        // A null value is the empty text; values past the last placeholder change nothing.
        Statement nullKey{sql::kCountKey, {}};
        SqlSet(nullKey, {StoreValue(), QStringLiteral("?")});
        QVERIFY(DbGetRec(nullKey, c));
        QCOMPARE(c, 0);
    }

    void readingFirstRowAndDefaults()
    {
        QVERIFY(DbOpen());
        Statement st{sql::kEntry, {}};
        SqlSet(st, {QStringLiteral("261207")});
        QString t = QStringLiteral("old"), b = QStringLiteral("old");
        QVERIFY(DbGetRec(st, t, b));
        QCOMPARE(t, QString());
        QCOMPARE(b, QString());

        QString count = QStringLiteral("x");
        Statement c{sql::kCountKey, {}};
        SqlSet(c, {QStringLiteral("261207")});
        QVERIFY(DbGetRec(c, count));
        QCOMPARE(count, QStringLiteral("0"));

        // An empty diary has no last day: the number 0, read as text "0".
        QString last;
        QVERIFY(DbGetRec(Statement{sql::kSelect + sql::kMax + sql::kOfKeys, {}}, last));
        QCOMPARE(last, QStringLiteral("0"));
        int lastNumber = -1;
        QVERIFY(DbGetRec(Statement{sql::kSelect + sql::kMax + sql::kOfKeys, {}}, lastNumber));
        QCOMPARE(lastNumber, 0);

        // A target past the last column keeps its value.
        QString extra = QStringLiteral("untouched");
        QVERIFY(DbGetRec(c, count, extra));
        QCOMPARE(extra, QStringLiteral("untouched"));
    }

    void nullColumnReadsAsItsDefault()
    {
        QVERIFY(DbOpen());
        QVERIFY(save(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("b")));
        int n = 0;
        QVERIFY(DbExec(Statement{QStringLiteral("Update tbDoc Set szTtl=Null"), {}}, n));
        Statement st{sql::kEntry, {}};
        SqlSet(st, {QStringLiteral("261207")});
        QString t = QStringLiteral("x"), b;
        QVERIFY(DbGetRec(st, t, b));
        QCOMPARE(t, QStringLiteral(""));
        QCOMPARE(b, QStringLiteral("b"));
    }

    void columnDefaults_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("szTtl") << "szTtl" << QVariant(QStringLiteral(""));
        QTest::newRow("Skey") << "Skey" << QVariant(QStringLiteral(""));
        QTest::newRow("dDate") << "dDate" << QVariant();
        QTest::newRow("Count(*)") << "Count(*)" << QVariant(0);
        QTest::newRow("empty") << "" << QVariant(0);
    }
    void columnDefaults()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QCOMPARE(FldDef(column), value);
    }

    void monthQueryHoldsExactlyItsDays()
    {
        QVERIFY(DbOpen());
        for (const char* k : {"251130", "251201", "251215", "251231", "260101", "250101"})
            QVERIFY(save(QString::fromLatin1(k), QString::fromLatin1(k), QString()));
        Statement st{sql::kMonthList + sql::kMonthRange + sql::kByKey, {}};
        SqlSet(st, {QStringLiteral("2512"), QStringLiteral("251232")});
        ColumnTable table;
        int n = -1;
        QVERIFY(DbGetRows(st, table, n));
        QCOMPARE(n, 3);
        QCOMPARE(table.size(), 2);
        QCOMPARE(table[0], (QList<QVariant>{QStringLiteral("251201"), QStringLiteral("251215"),
                                            QStringLiteral("251231")}));
        QCOMPARE(table[1][2].toString(), QStringLiteral("251231"));
    }

    void blockReadStopsAt500Rows()
    {
        QVERIFY(DbOpen());
        int n = 0;
        QVERIFY(DbExec(Statement{QStringLiteral("Begin"), {}}, n));
        QDate d(2025, 1, 1);
        for (int i = 0; i < 501; ++i, d = d.addDays(1))
            QVERIFY(save(DateKey::fromDate(d), QString::number(i), QString()));
        QVERIFY(DbExec(Statement{QStringLiteral("Commit"), {}}, n));
        ColumnTable table;
        QVERIFY(DbGetRows(Statement{QStringLiteral("Select skYmn From tbDoc Order By skYmn"), {}},
                          table, n));
        QCOMPARE(n, 500);
        QCOMPARE(table[0].size(), 500);
        QCOMPARE(table[0].last().toString(), DateKey::fromDate(QDate(2026, 5, 15)));

        table = {{QStringLiteral("stale")}};
        Statement none{sql::kMonthList + sql::kMonthRange + sql::kByKey, {}};
        SqlSet(none, {QStringLiteral("9901"), QStringLiteral("990132")});
        QVERIFY(DbGetRows(none, table, n));
        QCOMPARE(n, 0);
        QVERIFY(table.isEmpty());
    }

    void firstLastAndLatestFollowTheCalendar()
    {
        QVERIFY(DbOpen());
        for (const char* k : {"981010", "991231", "000101", "261207"})
            QVERIFY(save(QString::fromLatin1(k), QString(), QStringLiteral("body")));
        QString first, last;
        QVERIFY(DbGetRec(Statement{sql::kSelect + sql::kMin + sql::kOfKeys, {}}, first));
        QVERIFY(DbGetRec(Statement{sql::kSelect + sql::kMax + sql::kOfKeys, {}}, last));
        QCOMPARE(sql::keyOfOrd(first), QStringLiteral("981010"));
        QCOMPARE(sql::keyOfOrd(last), QStringLiteral("261207"));

        Statement upTo{sql::kTop50 + sql::kUpTo + sql::kNewestFirst, {}};
        SqlSet(upTo, {QStringLiteral("000101")});
        ColumnTable t;
        int n = 0;
        QVERIFY(DbGetRows(upTo, t, n));
        QCOMPARE(t[0], (QList<QVariant>{QStringLiteral("000101"), QStringLiteral("991231"),
                                        QStringLiteral("981010")}));
    }

    // One day in every year: both centuries of the window in date order, and a 29 February
    // that lists with 28 February only where the shown year has none of its own.
    void sameDayEveryYear_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("listed");
        QTest::newRow("both centuries") << "260301"
                                        << "460301,260301,000301,990301,470301";
        QTest::newRow("28 Feb, no leap day that year")
            << "250228"
            << "250228,240229,240228,230228,000229,960229";
        QTest::newRow("28 Feb of a leap year") << "240228"
                                               << "250228,240228,230228";
        QTest::newRow("29 Feb") << "960229"
                                << "240229,000229,960229";
        QTest::newRow("a day with no entry of its own") << "270301"
                                                        << "460301,260301,000301,990301,470301";
        QTest::newRow("no real day") << "230229"
                                     << "";
        QTest::newRow("no key") << "abc"
                                << "";
    }
    void sameDayEveryYear()
    {
        QFETCH(QString, key);
        QFETCH(QString, listed);
        QVERIFY(DbOpen());
        for (const char* k : {"470301", "460301", "990301", "000301", "260301", "990302", "250228",
                              "240229", "240228", "230228", "000229", "960229"})
            QVERIFY(save(QString::fromLatin1(k), QStringLiteral("t"), QString::fromLatin1(k)));
        QList<DiaryEntry> rows;
        QVERIFY(diary::sameDayEveryYear(key, rows));
        QStringList keys;
        for (const DiaryEntry& e : rows) {
            QCOMPARE(e.szDoc, e.skYmn);
            keys << e.skYmn;
        }
        QCOMPARE(keys.join(u','), listed);
    }

    void wordSearch_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("plain") << "散歩" << QStringList{"260103", "260101"};
        QTest::newRow("star joins pieces") << "雨*散歩" << QStringList{"260101"};
        QTest::newRow("star alone")
            << "*" << QStringList{"260105", "260104", "260103", "260102", "260101"};
        QTest::newRow("percent is itself") << "%" << QStringList{"260102"};
        QTest::newRow("underscore is itself") << "a_b" << QStringList{"260102"};
        QTest::newRow("apostrophe") << "it's" << QStringList{"260104"};
        QTest::newRow("question mark") << "why?" << QStringList{"260104"};
        QTest::newRow("bracket and hash") << "[#1]" << QStringList{"260105"};
        QTest::newRow("case and width") << "ＤＩＡＲＹ" << QStringList{"260105"};
        QTest::newRow("half-width kana") << "ｻﾝﾎﾟ" << QStringList{"260103"};
        QTest::newRow("nothing") << "ほたるいか" << QStringList{};
    }
    void wordSearch()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, keys);
        QVERIFY(DbOpen());
        QVERIFY(save(QStringLiteral("260101"), QString(), QStringLiteral("雨の日に散歩した")));
        QVERIFY(
            save(QStringLiteral("260102"), QString(), QStringLiteral("100% sure, axb and a_b")));
        QVERIFY(save(QStringLiteral("260103"), QString(), QStringLiteral("散歩、サンポ")));
        QVERIFY(save(QStringLiteral("260104"), QString(), QStringLiteral("it's why? I ask")));
        QVERIFY(save(QStringLiteral("260105"), QString(), QStringLiteral("My Diary [#1]")));
        Statement st{sql::kTop50 + sql::kWithWord + sql::kNewestFirst, {}};
        SqlSet(st, {word});
        ColumnTable t;
        int n = 0;
        QVERIFY(DbGetRows(st, t, n));
        QStringList got;
        for (int i = 0; i < n; ++i)
            got << t[0][i].toString();
        QCOMPARE(got, keys);
    }

    // The same words through the index, built in the background from a diary written by
    // another program.
    void indexedSearchAgreesWithScan_data() { wordSearch_data(); }
    void indexedSearchAgreesWithScan()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, keys);
        test::put(QStringLiteral("260101"), QString(), QStringLiteral("雨の日に散歩した"));
        test::put(QStringLiteral("260102"), QString(), QStringLiteral("100% sure, axb and a_b"));
        test::put(QStringLiteral("260103"), QString(), QStringLiteral("散歩、サンポ"));
        test::put(QStringLiteral("260104"), QString(), QStringLiteral("it's why? I ask"));
        test::put(QStringLiteral("260105"), QString(), QStringLiteral("My Diary [#1]"));
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        ColumnTable t;
        int n = 0;
        QVERIFY(SearchWord(word, t, n));
        QStringList got;
        for (int i = 0; i < n; ++i)
            got << t[0][i].toString();
        QCOMPARE(got, keys);
    }

    // A generated diary across two centuries: the index and the scan list the same
    // entries in the same order for many words, with and without "*".
    void indexedSearchMatchesScanOnGeneratedDiary()
    {
        QVERIFY(DbOpen());
        const QStringList words = {
            QStringLiteral("散歩"),       QStringLiteral("さんぽ"), QStringLiteral("雨"),
            QStringLiteral("ほたるいか"), QStringLiteral("Walk"),   QStringLiteral("ＷＡＬＫ"),
            QStringLiteral("ｶﾞｯｺｳ"),      QStringLiteral("学校"),   QStringLiteral("の"),
            QStringLiteral("\n"),         QStringLiteral("a b"),    QStringLiteral("😀")};
        QRandomGenerator rng(20261207);
        int n = 0;
        QVERIFY(DbExec(Statement{QStringLiteral("Begin"), {}}, n));
        QDate d(1990, 1, 1);
        for (int i = 0; i < 1500; ++i, d = d.addDays(int(rng.bounded(1, 40)))) {
            QString body;
            const int parts = int(rng.bounded(1, 12));
            for (int p = 0; p < parts; ++p)
                body += words[int(rng.bounded(words.size()))] +
                        (rng.bounded(3) == 0 ? QStringLiteral("\n") : QStringLiteral("と"));
            QVERIFY(save(DateKey::fromDate(d), QString::number(i), body));
        }
        QVERIFY(DbExec(Statement{QStringLiteral("Commit"), {}}, n));
        QVERIFY(waitForSearchIndex(20000));
        QStringList queries = words;
        queries << QStringLiteral("散*雨") << QStringLiteral("雨*散歩") << QStringLiteral("*の*")
                << QStringLiteral("walk*学") << QStringLiteral("ほ*か") << QStringLiteral("ない")
                << QStringLiteral("と\n") << QStringLiteral("*");
        for (const QString& k :
             {QStringLiteral("261207"), QStringLiteral("460101"), QStringLiteral("470101"),
              QStringLiteral("000101"), QStringLiteral("991231"), QStringLiteral("890615"),
              QStringLiteral("-11207"), QStringLiteral("900101")}) {
            Statement st{sql::kTop50 + sql::kUpTo + sql::kNewestFirst, {}};
            SqlSet(st, {k});
            ColumnTable a, b;
            int na = 0, nb = 0;
            QVERIFY(LatestUpTo(k, a, na));
            QVERIFY(DbGetRows(st, b, nb));
            QCOMPARE(na, nb);
            for (int c = 0; c < 3 && na > 0; ++c)
                for (int r = 0; r < na; ++r)
                    QVERIFY2(a[c][r] == b[c][r],
                             qPrintable(k + u' ' + a[c][r].toString() + u'|' + b[c][r].toString() +
                                        u' ' + a[c][r].typeName() + u'/' + b[c][r].typeName()));
        }
        for (const QString& w : queries) {
            ColumnTable a, b;
            int na = 0, nb = 0;
            QVERIFY(hasSearchIndex());
            QVERIFY(SearchWord(w, a, na));
            QVERIFY(ScanWord(w, b, nb));
            QCOMPARE(na, nb);
            QVERIFY2(a == b, qPrintable(w));
        }
    }

    // The program's own changes, whatever statement makes them, are searched at once (before
    // the worker has them) and then through the index; the diary holds only tbDoc.
    void indexFollowsEveryChange_data()
    {
        QTest::addColumn<bool>("waitForWorker");
        QTest::newRow("at once") << false;
        QTest::newRow("through the index") << true;
    }
    void indexFollowsEveryChange()
    {
        QFETCH(bool, waitForWorker);
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        auto found = [&](const QString& w) {
            if (waitForWorker) {
                const bool current = waitForSearchIndex(20000);
                if (!current) return QStringLiteral("(index not current)");
            }
            ColumnTable t;
            int n = 0;
            SearchWord(w, t, n);
            QStringList keys;
            for (int i = 0; i < n; ++i)
                keys << t[0][i].toString();
            return keys.join(u',');
        };
        QVERIFY(save(QStringLiteral("260101"), QString(), QStringLiteral("ほたるいか")));
        QCOMPARE(found(QStringLiteral("たるい")), QStringLiteral("260101"));
        int n = 0;
        Statement upd{sql::kCorrect, {}};
        SqlSet(upd, {QStringLiteral("しらうお"), QStringLiteral("260101")});
        QVERIFY(DbExec(upd, n));
        QCOMPARE(found(QStringLiteral("たるい")), QString());
        QCOMPARE(found(QStringLiteral("しらうお")), QStringLiteral("260101"));
        Statement move{sql::kMoveKey, {}};
        SqlSet(move, {QStringLiteral("991231"), QStringLiteral("260101")});
        QVERIFY(DbExec(move, n));
        QCOMPARE(found(QStringLiteral("しらうお")), QStringLiteral("991231"));
        QVERIFY(
            diary::save(QStringLiteral("260102"), QStringLiteral("t"), QStringLiteral("しらす")));
        QCOMPARE(found(QStringLiteral("しら")), QStringLiteral("260102,991231"));
        // A transaction that is undone leaves the index as it was.
        QVERIFY(DbExec(Statement{sql::kBeginWrite, {}}, n));
        QVERIFY(diary::count(QStringLiteral("260102"), n));
        Statement gone{sql::kDelete, {}};
        SqlSet(gone, {QStringLiteral("260102")});
        QVERIFY(DbExec(gone, n));
        DbRollback();
        QCOMPARE(found(QStringLiteral("しらす")), QStringLiteral("260102"));
        Statement del{sql::kDelete, {}};
        SqlSet(del, {QStringLiteral("991231")});
        QVERIFY(DbExec(del, n));
        QCOMPARE(found(QStringLiteral("う")), QString());
        QCOMPARE(found(QStringLiteral("し")), QStringLiteral("260102"));
        QCOMPARE(fake->messages, QStringList());
        DbClose();
        QStringList names =
            test::firstColumn(dbPath(), QStringLiteral("select name from sqlite_master"));
        QVariant version;
        QVERIFY(onFile(dbPath(), QStringLiteral("pragma user_version"), {}, &version));
        QCOMPARE(version.toInt(), 0);
        names.sort();
        QCOMPARE(names, (QStringList{"sqlite_autoindex_tbDoc_1", "tbDoc"}));
    }

    // A day another copy of the program wrote after this one showed it empty: this copy's
    // save replaces it, and the index holds only the new body.
    void saveOverADayWrittenMeanwhileReplacesIt()
    {
        QVERIFY(DbOpen());
        QVERIFY(save(QStringLiteral("260101"), QStringLiteral("先"), QStringLiteral("ほたるいか")));
        QVERIFY(diary::save(QStringLiteral("260101"), QStringLiteral("後"),
                            QStringLiteral("しらうお")));
        int n = 0;
        QCOMPARE(fake->messages, QStringList());
        QString title, body;
        Statement get{sql::kEntry, {}};
        SqlSet(get, {QStringLiteral("260101")});
        QVERIFY(DbGetRec(get, title, body));
        QCOMPARE(title + body, QStringLiteral("後しらうお"));
        QVERIFY(waitForSearchIndex(20000));
        ColumnTable t;
        SearchWord(QStringLiteral("たるい"), t, n);
        QCOMPARE(n, 0);
        SearchWord(QStringLiteral("らう"), t, n);
        QCOMPARE(n, 1);
    }

    // A diary without an index gets one in the background, its progress told; the next
    // start finds it in step by the diary's stamp and has nothing to catch up.
    void diaryWithoutIndexGetsOneInTheBackground()
    {
        for (int i = 1; i <= 9; ++i)
            test::put(DateKey::fromDate(QDate(2020, i, i)), QStringLiteral("t"),
                      QStringLiteral("古い散歩%1").arg(i));
        QList<int> seen;
        setSearchIndexProgress([&](int done, int total) {
            if (done < total) QCOMPARE(total, 9);
            seen << done;
        });
        QVERIFY(DbOpen());
        QTRY_VERIFY(!seen.isEmpty() && seen.last() >= 1 && hasSearchIndex());
        ColumnTable t;
        int n = 0;
        QVERIFY(SearchWord(QStringLiteral("散歩"), t, n));
        QCOMPARE(n, 9);
        const QString index = searchIndexPath();
        QVERIFY(QFileInfo::exists(index));
        DbClose();
        seen.clear();
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        QCoreApplication::processEvents();
        setSearchIndexProgress({});
        QCOMPARE(seen, QList<int>());
        // Lost, the index is made again and answers the same.
        DbClose();
        QVERIFY(QFile::remove(index));
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        QVERIFY(SearchWord(QStringLiteral("散歩3"), t, n));
        QCOMPARE(n, 1);
    }

    // A build's terms are merged once the index answers; a merge cut short by the end of
    // the program is done at the next start. Either way nothing is left in the log.
    void builtIndexIsMergedAndAMergeCutShortIsRedone()
    {
        for (int i = 1; i <= 30; ++i)
            test::put(DateKey::fromDate(QDate(2021, 1, i)), QStringLiteral("t"),
                      QStringLiteral("雨の散歩%1").arg(i));
        for (int start = 0; start < 2; ++start) {
            QVERIFY(DbOpen());
            QVERIFY(waitForSearchIndex(20000));
            QVariant due;
            QVERIFY(
                onFile(searchIndexPath(), QStringLiteral("Select bMerge From tbMeta"), {}, &due));
            QCOMPARE(due, QVariant(0));
            QCOMPARE(QFileInfo(searchIndexPath() + QStringLiteral("-wal")).size(), 0);
            ColumnTable t;
            int n = 0;
            QVERIFY(SearchWord(QStringLiteral("散歩"), t, n));
            QCOMPARE(n, 30);
            QVERIFY(onFile(searchIndexPath(), QStringLiteral("Update tbMeta Set bMerge = 1")));
            DbClose();
        }
    }

    // Index files of diaries that are gone are removed once nobody has touched them for a
    // month; a recent one, one whose diary is there and files not of ours stay.
    void indexFilesOfVanishedDiariesAreForgotten()
    {
        QVERIFY(DbOpen());
        const QString folder = QFileInfo(searchIndexPath()).absolutePath();
        DbClose();
        const QDateTime old = QDateTime::currentDateTime().addDays(-31);
        const auto index = [&](const QString& name, const QString& diary, const QDateTime& at) {
            const QString path = folder + u'/' + name;
            QVERIFY(onFile(path, QStringLiteral("Create Table tbMeta (sDiary Text)")));
            QVERIFY(onFile(path, QStringLiteral("Insert Into tbMeta Values (?)"), {diary}));
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(at, QFileDevice::FileModificationTime));
        };
        const QString gone = sUsrFld + QStringLiteral("gone/dbVesk.mdb");
        index(QStringLiteral("dbVesk.mdb-0123456789abcdef.index"), gone, old);
        index(QStringLiteral("dbVesk.mdb-1111111111111111.index"), gone,
              QDateTime::currentDateTime());
        index(QStringLiteral("dbVesk.mdb-2222222222222222.index"),
              sUsrFld + QStringLiteral("dbVesk.mdb"), old);
        index(QStringLiteral("notes-of-mine.index"), gone, old);
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        QStringList left = QDir(folder).entryList({QStringLiteral("*.index")});
        left.removeOne(QFileInfo(searchIndexPath()).fileName());
        QCOMPARE(left, (QStringList{QStringLiteral("dbVesk.mdb-1111111111111111.index"),
                                    QStringLiteral("dbVesk.mdb-2222222222222222.index"),
                                    QStringLiteral("notes-of-mine.index")}));
    }

    void indexQueryQuotesAndSplits()
    {
        QCOMPARE(searchIndexQuery(QStringLiteral("散歩")), QStringLiteral("\"散歩\""));
        QCOMPARE(searchIndexQuery(QStringLiteral("雨*ＡＢ")), QStringLiteral("\"雨\" AND \"ab\""));
        QCOMPARE(searchIndexQuery(QStringLiteral("say\"")),
                 QStringLiteral("\"sa\" AND \"ay\" AND \"y\"\"\""));
        QCOMPARE(searchIndexQuery(QStringLiteral("ほたるいか")),
                 QStringLiteral("\"ほた\" AND \"たる\" AND \"るい\" AND \"いか\""));
        QCOMPARE(searchIndexQuery(QStringLiteral("**")), QString());
    }

    void highlightSpanCoversOriginalCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::newRow("plain") << "今日は散歩"
                               << "散歩" << 3 << 2;
        QTest::newRow("voiced half-width") << "ｶﾞｷﾞｸﾞ"
                                           << "ギ" << 2 << 2;
        QTest::newRow("case") << "say HELLO"
                              << "hello" << 4 << 5;
        QTest::newRow("star") << "雨の日に散歩"
                              << "雨*散歩" << 0 << 6;
        QTest::newRow("emoji before") << "😀abc"
                                      << "b" << 3 << 1;
        QTest::newRow("absent") << "abc"
                                << "z" << -1 << 0;
        // The word as it is occurs later than a match that folding makes, or inside a
        // character that a mark joins.
        QTest::newRow("folded match first") << "ＲＡＩＮ and rain"
                                            << "rain" << 0 << 4;
        QTest::newRow("joined by a mark") << QStringLiteral("か\u3099のか") << "か" << 3 << 1;
        QTest::newRow("joined by a half-width mark") << "ハﾟのハ"
                                                     << "ハ" << 3 << 1;
    }
    void highlightSpanCoversOriginalCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, word);
        QFETCH(int, start);
        QFETCH(int, length);
        const MatchSpan s = findFirst(text, word);
        QCOMPARE(int(s.start), start);
        QCOMPARE(int(s.length), length);
        QCOMPARE(matches(text, word), start >= 0);
    }

    // The first match found without folding the whole text is the one the whole fold
    // gives, for texts of characters that fold to others, join or pair up.
    void highlightSpanAgreesWithTheWholeFold()
    {
        const QString alphabet = QStringLiteral("aAＲrｒ！!ｶﾞﾟハﾊか\u3099\u309Aが雨😀");
        QStringList units;
        for (qsizetype i = 0; i < alphabet.size(); i += alphabet.at(i).isHighSurrogate() ? 2 : 1)
            units << alphabet.mid(i, alphabet.at(i).isHighSurrogate() ? 2 : 1);
        QRandomGenerator random(7);
        const auto some = [&](int most) {
            QString s;
            for (int n = random.bounded(most) + 1; n > 0; --n)
                s += units.at(random.bounded(int(units.size())));
            return s;
        };
        for (int round = 0; round < 20000; ++round) {
            const QString text = some(12), word = some(3);
            const FoldedText f = foldWithMap(text);
            const QString w = fold(word);
            QVERIFY(!w.isEmpty());
            const qsizetype at = f.text.indexOf(w);
            const MatchSpan want =
                at < 0 ? MatchSpan{}
                       : MatchSpan{f.from.at(at), f.to.at(at + w.size() - 1) - f.from.at(at)};
            const MatchSpan got = findFirst(text, word);
            QVERIFY2(got.start == want.start && got.length == want.length,
                     qPrintable(text + u' ' + word));
            QCOMPARE(matches(text, word), at >= 0);
        }
    }

    // --- failures ---------------------------------------------------------
    void failedStatementReportsAndGoesOn()
    {
        QVERIFY(DbOpen());
        int n = 7;
        QVERIFY(!DbExec(Statement{QStringLiteral("Update tbNothing Set a=1"), {}}, n));
        QCOMPARE(n, 0);
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().contains(QStringLiteral("tbNothing")));

        QString t = QStringLiteral("old"), b = QStringLiteral("old");
        QVERIFY(!DbGetRec(Statement{QStringLiteral("Select nothing"), {}}, t, b));
        QCOMPARE(t, QString());
        QCOMPARE(fake->messages.size(), 2);

        // Fewer targets than columns is a failure, not a crash.
        QVERIFY(!DbGetRec(Statement{sql::kEntry, {QStringLiteral("1")}}, t));
        QCOMPARE(fake->messages.size(), 3);

        // The store still works afterwards.
        QVERIFY(save(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("b")));
    }

    void closedStoreRefusesWithMessage()
    {
        int n = 3;
        QVERIFY(!DbExec(Statement{sql::kDelete, {QStringLiteral("261207")}}, n));
        QCOMPARE(n, 0);
        ColumnTable t;
        QVERIFY(!DbGetRows(Statement{sql::kEntry, {}}, t, n));
        QCOMPARE(fake->messages.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
