// Japanese calendar and text rules: the holidays against public data, era dates, the
// date prompt's forms and the character count.

#include "CharCount.h"
#include "DateAnswer.h"
#include "DateKey.h"
#include "Era.h"
#include "Holidays.h"
#include "StatusLine.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

using namespace drv;
using namespace drv::jp;

namespace {

// The oracle's days: date to name, read from the package's data module, whose entries
// are written `"1970-01-01": { date: "1970-01-01", … name: "元日", … }`.
QMap<QDate, QString> readOracle(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("holiday data missing (npm install failed?): ") + path;
        return {};
    }
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression entry(
        QStringLiteral("\"(\\d{4}-\\d{2}-\\d{2})\":\\s*\\{[^}]*?\\bname:\\s*\"([^\"]*)\""));
    QMap<QDate, QString> days;
    for (const QRegularExpressionMatch& m : entry.globalMatch(text))
        days.insert(QDate::fromString(m.captured(1), Qt::ISODate), m.captured(2));
    return days;
}

// Where the package and the law differ. 2019-10-14 was 体育の日: the law renamed the
// day スポーツの日 from 2020 on.
const QMap<QDate, QString> kLawOverOracle{
    {QDate(2019, 10, 14), QStringLiteral("体育の日")},
};

const QDate kToday(2026, 12, 7); // century window 1947 to 2046

} // namespace

class TestJapanese : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void holidaysAgreeWithPublicData()
    {
        QString error;
        const QMap<QDate, QString> oracle = readOracle(QStringLiteral(DRV_HOLIDAY_DATA), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The package holds 1970 to 2050; a parse that lost part of it would pass vacuously.
        QVERIFY(oracle.size() > 1300);
        const int first = std::max(1955, oracle.firstKey().year());
        QCOMPARE(first, 1970);
        QCOMPARE(oracle.lastKey(), QDate(2050, 11, 23));

        QStringList wrong;
        for (int y = first; y <= 2050; ++y) {
            for (const Holiday& h : holidaysOfYear(y))
                if (!oracle.contains(h.date))
                    wrong << h.date.toString(Qt::ISODate) + QStringLiteral(" extra ") + h.name;
        }
        for (auto it = oracle.cbegin(); it != oracle.cend(); ++it) {
            if (it.key().year() < first) continue;
            QString expected = kLawOverOracle.value(it.key(), it.value());
            // The package names a 振替休日 "<a holiday> 振替休日" (not always the one it
            // stands in for); the law's name is the plain one.
            if (expected.endsWith(QStringLiteral(" 振替休日")))
                expected = QStringLiteral("振替休日");
            const QString ours = holidayName(it.key());
            if (ours != expected)
                wrong << it.key().toString(Qt::ISODate) + u' ' + ours +
                             QStringLiteral(" instead of ") + expected;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
    }

    // Before and after the public data: the law's start, the single days, the first
    // years of later holidays, the equinox fit's far years.
    void holidaysOutsidePublicData_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("name");
        QTest::newRow("before the law") << QDate(1948, 5, 5) << QString();
        QTest::newRow("first holiday") << QDate(1948, 9, 23) << QStringLiteral("秋分の日");
        QTest::newRow("1949 New Year") << QDate(1949, 1, 1) << QStringLiteral("元日");
        QTest::newRow("Showa emperor") << QDate(1949, 4, 29) << QStringLiteral("天皇誕生日");
        QTest::newRow("1959 wedding") << QDate(1959, 4, 10) << QStringLiteral("結婚の儀");
        QTest::newRow("1960 equinox on the 20th")
            << QDate(1960, 3, 20) << QStringLiteral("春分の日");
        QTest::newRow("no substitute before 1973") << QDate(1956, 9, 24) << QString();
        QTest::newRow("no 敬老の日 yet") << QDate(1965, 9, 15) << QString();
        QTest::newRow("first 敬老の日") << QDate(1966, 9, 15) << QStringLiteral("敬老の日");
        QTest::newRow("first 体育の日") << QDate(1966, 10, 10) << QStringLiteral("体育の日");
        QTest::newRow("no 建国記念の日 yet") << QDate(1966, 2, 11) << QString();
        QTest::newRow("first 建国記念の日") << QDate(1967, 2, 11) << QStringLiteral("建国記念の日");
        QTest::newRow("2074 equinox minutes after midnight")
            << QDate(2074, 9, 23) << QStringLiteral("秋分の日");
        QTest::newRow("2099 vernal") << QDate(2099, 3, 20) << QStringLiteral("春分の日");
        QTest::newRow("2099 autumnal") << QDate(2099, 9, 23) << QStringLiteral("秋分の日");
        QTest::newRow("2093 substitute after 5/5")
            << QDate(2093, 5, 6) << QStringLiteral("振替休日");
        QTest::newRow("past 2099") << QDate(2100, 1, 1) << QString();
        QTest::newRow("invalid") << QDate() << QString();
    }
    void holidaysOutsidePublicData()
    {
        QFETCH(QDate, date);
        QFETCH(QString, name);
        QCOMPARE(holidayName(date), name);
    }

    // The year lists and the day look-up tell the same, for every day of every year.
    void yearListsMatchDayLookup()
    {
        for (int y = 1947; y <= 2100; ++y) {
            const QList<Holiday> list = holidaysOfYear(y);
            QCOMPARE(list.isEmpty(), y < 1948 || y > 2099);
            qsizetype named = 0;
            for (QDate d(y, 1, 1); d.year() == y; d = d.addDays(1))
                if (!holidayName(d).isEmpty()) ++named;
            QCOMPARE(named, list.size());
            for (qsizetype i = 0; i < list.size(); ++i) {
                QCOMPARE(list[i].date.year(), y);
                if (i > 0) QVERIFY(list[i - 1].date < list[i].date);
                QCOMPARE(holidayName(list[i].date), list[i].name);
            }
        }
    }

    void eraText_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("today") << QDate(2026, 12, 7) << QStringLiteral("令和8年12月7日(月)");
        QTest::newRow("last of Heisei")
            << QDate(2019, 4, 30) << QStringLiteral("平成31年4月30日(火)");
        QTest::newRow("first of Reiwa")
            << QDate(2019, 5, 1) << QStringLiteral("令和元年5月1日(水)");
        QTest::newRow("last of Showa") << QDate(1989, 1, 7) << QStringLiteral("昭和64年1月7日(土)");
        QTest::newRow("first of Heisei")
            << QDate(1989, 1, 8) << QStringLiteral("平成元年1月8日(日)");
        QTest::newRow("Heisei 2") << QDate(1990, 1, 1) << QStringLiteral("平成2年1月1日(月)");
        QTest::newRow("first of Showa")
            << QDate(1926, 12, 25) << QStringLiteral("昭和元年12月25日(土)");
        QTest::newRow("Gregorian from Meiji 6")
            << QDate(1873, 1, 1) << QStringLiteral("明治6年1月1日(水)");
        QTest::newRow("lunisolar before") << QDate(1872, 12, 31) << QString();
        QTest::newRow("invalid") << QDate() << QString();
    }
    void eraText()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(eraDateText(date), text);
    }

    // What the status line shows, the date prompt reads back, on every day of the window.
    void eraTextReadsBack()
    {
        for (QDate d(1947, 1, 1); d.year() <= 2046; d = d.addDays(1)) {
            const QString text = eraDateText(d);
            QCOMPARE(parseDateAnswer(text.left(text.indexOf(u'(')), kToday), d);
        }
    }

    void dateAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QDate>("date");
        const QDate invalid;
        QTest::newRow("slashes") << QStringLiteral("2026/12/7") << kToday;
        QTest::newRow("dots") << QStringLiteral("2026.12.7") << kToday;
        QTest::newRow("two-digit year") << QStringLiteral("26-12-07") << kToday;
        QTest::newRow("kanji") << QStringLiteral("2026年12月7日") << kToday;
        QTest::newRow("month/day") << QStringLiteral("1/15") << QDate(2026, 1, 15);
        QTest::newRow("月日") << QStringLiteral("12月7日") << kToday;
        QTest::newRow("era name") << QStringLiteral("令和8年12月7日") << kToday;
        QTest::newRow("era initial") << QStringLiteral("R8/12/7") << kToday;
        QTest::newRow("era initial, dots") << QStringLiteral("R8.12.7") << kToday;
        QTest::newRow("lower-case initial") << QStringLiteral("r8/12/7") << kToday;
        QTest::newRow("blanks") << QStringLiteral(" 令和 8 年 12 月 7 日 ") << kToday;
        QTest::newRow("Heisei") << QStringLiteral("平成30年1月1日") << QDate(2018, 1, 1);
        QTest::newRow("H") << QStringLiteral("H30/1/1") << QDate(2018, 1, 1);
        QTest::newRow("元年") << QStringLiteral("平成元年1月8日") << QDate(1989, 1, 8);
        QTest::newRow("last of Showa") << QStringLiteral("S64.1.7") << QDate(1989, 1, 7);
        QTest::newRow("full-width") << QStringLiteral("２０２６／１２／７") << kToday;
        QTest::newRow("full-width era") << QStringLiteral("Ｒ８．１２．７") << kToday;
        QTest::newRow("full-width month/day") << QStringLiteral("１２月７日") << kToday;
        QTest::newRow("era ligature") << QStringLiteral("㍻30年1月1日") << QDate(2018, 1, 1);
        QTest::newRow("window's first year") << QStringLiteral("47/1/1") << QDate(1947, 1, 1);
        QTest::newRow("window's last day") << QStringLiteral("46/12/31") << QDate(2046, 12, 31);
        QTest::newRow("Heisei 32") << QStringLiteral("平成32年1月1日") << invalid;
        QTest::newRow("H32") << QStringLiteral("H32/1/1") << invalid;
        QTest::newRow("Showa after its end") << QStringLiteral("昭和64年1月8日") << invalid;
        QTest::newRow("Heisei before its start") << QStringLiteral("平成元年1月7日") << invalid;
        QTest::newRow("year 0") << QStringLiteral("R0/5/1") << invalid;
        QTest::newRow("unknown initial") << QStringLiteral("X8/12/7") << invalid;
        QTest::newRow("unknown era") << QStringLiteral("未来8年1月1日") << invalid;
        QTest::newRow("元年 without era") << QStringLiteral("元年1月1日") << invalid;
        QTest::newRow("Taisho, before the window") << QStringLiteral("大正15年1月1日") << invalid;
        QTest::newRow("after the window") << QStringLiteral("2047/1/1") << invalid;
        QTest::newRow("before the window") << QStringLiteral("1946/12/31") << invalid;
        QTest::newRow("three-digit year") << QStringLiteral("202/1/1") << invalid;
        QTest::newRow("no such day") << QStringLiteral("令和8年2月30日") << invalid;
        QTest::newRow("no such month") << QStringLiteral("13/1") << invalid;
        QTest::newRow("other digits") << QStringLiteral("٢٠٢٦/١٢/٧") << invalid;
        QTest::newRow("empty") << QString() << invalid;
        QTest::newRow("words") << QStringLiteral("あした") << invalid;
    }
    void dateAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QDate, date);
        QCOMPARE(parseDateAnswer(answer, kToday), date);
    }

    // A two-digit year in the prompt names the century that the diary's key does.
    void twoDigitYearsFollowTheKeys()
    {
        for (const QDate today : {QDate(1999, 6, 30), kToday, QDate(2080, 1, 1)}) {
            for (int yy = 0; yy < 100; ++yy) {
                const QString answer =
                    QString::number(yy).rightJustified(2, u'0') + QStringLiteral("/1/1");
                QCOMPARE(parseDateAnswer(answer, today).year(), DateKey::fullYear(yy, today));
            }
        }
    }

    void characterCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("kana and kanji") << QStringLiteral("今日は晴れ") << 5;
        QTest::newRow("combining acute") << QStringLiteral("e\u0301") << 1;
        QTest::newRow("combining dakuten") << QStringLiteral("か\u3099") << 1;
        QTest::newRow("ideographic variation") << QStringLiteral("葛\U000E0100城") << 2;
        QTest::newRow("emoji presentation") << QStringLiteral("\u2764\uFE0F") << 1;
        QTest::newRow("ZWJ family") << QStringLiteral("👨\u200D👩\u200D👧\u200D👦") << 1;
        QTest::newRow("skin tone") << QStringLiteral("👍🏽") << 1;
        QTest::newRow("two flags") << QStringLiteral("🇯🇵🇺🇸") << 2;
        QTest::newRow("keycap") << QStringLiteral("1\uFE0F\u20E3") << 1;
        QTest::newRow("outside the BMP") << QStringLiteral("𠮷野家") << 3;
        QTest::newRow("spaces, tab, CR LF") << QStringLiteral(" a b\r\nc\td\n") << 4;
        QTest::newRow("ideographic space") << QStringLiteral("あ\u3000い") << 2;
        QTest::newRow("zero-width space") << QStringLiteral("a\u200Bb") << 2;
    }
    void characterCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(countCharacters(text), qsizetype(count));
    }

    void countTexts_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("selected");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << qint64(-1) << QStringLiteral("0 文字");
        QTest::newRow("grouped") << qint64(1234) << qint64(-1) << QStringLiteral("1,234 文字");
        QTest::newRow("empty selection")
            << qint64(1234) << qint64(0) << QStringLiteral("1,234 文字");
        QTest::newRow("selection")
            << qint64(1234) << qint64(12) << QStringLiteral("選択 12 / 1,234 文字");
        QTest::newRow("large") << qint64(1234567) << qint64(1000)
                               << QStringLiteral("選択 1,000 / 1,234,567 文字");
    }
    void countTexts()
    {
        QFETCH(qint64, total);
        QFETCH(qint64, selected);
        QFETCH(QString, text);
        QCOMPARE(countText(total, selected), text);
    }

    // The main window's status line: the day with its holiday, the body's count and the
    // selection's, counted as above.
    void statusLine_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("count");
        QTest::newRow("holiday, empty body")
            << QDate(2026, 11, 3) << QString() << QString()
            << QStringLiteral("令和8年11月3日(火)\u3000文化の日") << QStringLiteral("0 文字");
        QTest::newRow("plain day, emoji and line ends")
            << QDate(2026, 12, 7) << QStringLiteral("今日は\n晴れ。 👍🏽\n") << QString()
            << QStringLiteral("令和8年12月7日(月)") << QStringLiteral("7 文字");
        QTest::newRow("first era year, a one-off holiday")
            << QDate(2019, 5, 1) << QStringLiteral("あいう\nえお") << QStringLiteral("う\nえ")
            << QStringLiteral("令和元年5月1日(水)\u3000休日（祝日扱い）")
            << QStringLiteral("選択 2 / 5 文字");
        QTest::newRow("selection of blanks only")
            << QDate(2026, 12, 7) << QStringLiteral("あ\u3000い") << QStringLiteral("\u3000")
            << QStringLiteral("令和8年12月7日(月)") << QStringLiteral("2 文字");
    }
    void statusLine()
    {
        QFETCH(QDate, date);
        QFETCH(QString, body);
        QFETCH(QString, selection);
        QFETCH(QString, day);
        QFETCH(QString, count);
        QCOMPARE(dayStatusText(date), day);
        QCOMPARE(countStatusText(body, selection), count);
    }
};

QTEST_MAIN(TestJapanese)
#include "tst_japanese.moc"
