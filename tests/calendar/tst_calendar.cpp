// The month calendar as data: day grids, following the selection, hit-testing and each
// cell's tone and marks. The widget's own tests are in tests/mainwin/tst_monthcalendar.cpp.

#include "CalendarGrid.h"

#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>

using namespace drv;

class TestCalendar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- logic without a window -------------------------------------------
    void monthGrid_data()
    {
        QTest::addColumn<QDate>("month");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<int>("lastDayCell");

        QTest::newRow("starts on Sunday") << QDate(2026, 2, 14) << QDate(2026, 2, 1) << 27;
        QTest::newRow("starts on Saturday, 31 days reach row 6")
            << QDate(2022, 1, 31) << QDate(2021, 12, 26) << 36;
        QTest::newRow("starts on Saturday, 30 days")
            << QDate(2025, 11, 1) << QDate(2025, 10, 26) << 35;
        QTest::newRow("leap February") << QDate(2024, 2, 29) << QDate(2024, 1, 28) << 32;
        QTest::newRow("non-leap February") << QDate(2023, 2, 28) << QDate(2023, 1, 29) << 30;
        QTest::newRow("century non-leap February") << QDate(2100, 2, 1) << QDate(2100, 1, 31) << 28;
        QTest::newRow("December") << QDate(2026, 12, 7) << QDate(2026, 11, 29) << 32;
        QTest::newRow("January begins in December's last week")
            << QDate(2027, 1, 1) << QDate(2026, 12, 27) << 35;
    }
    void monthGrid()
    {
        QFETCH(QDate, month);
        QFETCH(QDate, start);
        QFETCH(int, lastDayCell);

        QCOMPARE(calendar::gridStart(month), start);
        QCOMPARE(calendar::weekColumn(start), 0);
        const QDate first = calendar::firstOfMonth(month);
        QCOMPARE(first, QDate(month.year(), month.month(), 1));
        QVERIFY(start.daysTo(first) < calendar::kWeekDays); // the 1st is in the first row
        QCOMPARE(start.addDays(lastDayCell), first.addDays(first.daysInMonth() - 1));
        QVERIFY(lastDayCell < calendar::kCells);
    }

    void followSelection_data()
    {
        QTest::addColumn<QDate>("firstShown");
        QTest::addColumn<int>("count");
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<QDate>("expected");

        QTest::newRow("last day of the one month")
            << QDate(2027, 1, 1) << 1 << QDate(2027, 1, 31) << QDate(2027, 1, 1);
        QTest::newRow("day after the one month")
            << QDate(2027, 1, 1) << 1 << QDate(2027, 2, 1) << QDate(2027, 2, 1);
        QTest::newRow("second of two months stays")
            << QDate(2027, 1, 1) << 2 << QDate(2027, 2, 28) << QDate(2027, 1, 1);
        QTest::newRow("third of three across the year stays")
            << QDate(2026, 12, 1) << 3 << QDate(2027, 2, 1) << QDate(2026, 12, 1);
        QTest::newRow("past the last month into a new year")
            << QDate(2026, 11, 1) << 2 << QDate(2027, 1, 1) << QDate(2027, 1, 1);
        QTest::newRow("before the first month into the old year")
            << QDate(2027, 1, 1) << 3 << QDate(2026, 12, 31) << QDate(2026, 12, 1);
        QTest::newRow("years away")
            << QDate(2027, 1, 1) << 3 << QDate(2030, 6, 15) << QDate(2030, 6, 1);
    }
    // What the widget is handed to paint: the drawn days with their tone and marks.
    void monthCellsCarryToneAndMarks_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<QDate>("neighbour"); // a day of another month: greyed, or not drawn
        QTest::addColumn<bool>("neighbourDrawn");
        QTest::addColumn<QList<QDate>>("holidays"); // every drawn one
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<calendar::DayTone>("holidayTone");
        // November 2026 starts on a Sunday: one block shows the whole 6×7 grid. Its
        // holidays fall on a Tuesday and a Monday.
        const QList<QDate> november{QDate(2026, 11, 3), QDate(2026, 11, 23)};
        const QStringList names{QStringLiteral("文化の日"), QStringLiteral("勤労感謝の日")};
        QTest::newRow("alone") << 0 << 1 << 42 << QDate(2026, 12, 5) << true << november << names
                               << calendar::DayTone::Sunday;
        QTest::newRow("first of two") << 0 << 2 << 30 << QDate(2026, 12, 5) << false << november
                                      << names << calendar::DayTone::Sunday;
        // A holiday of the next month keeps its name but stays greyed.
        QTest::newRow("second of two")
            << 1 << 2 << 42 - 2 << QDate(2026, 11, 29) << false << QList<QDate>{QDate(2027, 1, 1)}
            << QStringList{QStringLiteral("元日")} << calendar::DayTone::OtherMonth;
    }
    void monthCellsCarryToneAndMarks()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, drawn);
        QFETCH(QDate, neighbour);
        QFETCH(bool, neighbourDrawn);
        QFETCH(QList<QDate>, holidays);
        QFETCH(QStringList, names);
        QFETCH(calendar::DayTone, holidayTone);
        const QDate first(2026, 11, 1);
        const QDate month = first.addMonths(index);
        const QDate selected = month.addDays(14), today = month.addDays(2);
        const QSet<QDate> bold{month.addDays(22), neighbour};
        const calendar::Metrics m;
        const auto cells = calendar::monthCells(m, first, index, count, selected, today, bold);
        QCOMPARE(int(cells.size()), drawn);
        auto cellOf = [&](QDate d) {
            const auto it = std::find_if(cells.begin(), cells.end(),
                                         [&](const calendar::DayCell& c) { return c.date == d; });
            return it == cells.end() ? std::optional<calendar::DayCell>() : *it;
        };
        for (const calendar::DayCell& c : cells) {
            QCOMPARE(c.rect, calendar::dateRect(m, first, count, c.date));
            QCOMPARE(c.selected, c.date == selected);
            QCOMPARE(c.today, c.date == today);
            QCOMPARE(c.bold, bold.contains(c.date));
            if (const qsizetype h = holidays.indexOf(c.date); h >= 0) {
                QCOMPARE(c.holiday, names[h]);
                QCOMPARE(c.tone, holidayTone);
                continue;
            }
            QCOMPARE(c.holiday, QString());
            const calendar::DayTone want = c.date.month() != month.month()
                                               ? calendar::DayTone::OtherMonth
                                           : c.date.dayOfWeek() == 7 ? calendar::DayTone::Sunday
                                           : c.date.dayOfWeek() == 6 ? calendar::DayTone::Saturday
                                                                     : calendar::DayTone::Weekday;
            QCOMPARE(c.tone, want);
        }
        QVERIFY(cellOf(month.addDays(22))->bold);
        QCOMPARE(cellOf(neighbour).has_value(), neighbourDrawn);
        for (const QDate& d : holidays)
            QVERIFY2(cellOf(d), qPrintable(d.toString(Qt::ISODate)));
    }

    void followSelection()
    {
        QFETCH(QDate, firstShown);
        QFETCH(int, count);
        QFETCH(QDate, selected);
        QFETCH(QDate, expected);
        QCOMPARE(calendar::followSelection(firstShown, count, selected), expected);
    }

    // Every drawn date is found again at every point of its cell, neighbouring-month days
    // appear only at the outer ends, and no date is drawn twice.
    void hitTestRoundTrip_data()
    {
        QTest::addColumn<QDate>("firstShown");
        QTest::addColumn<int>("count");
        QTest::addColumn<QDate>("firstDrawn");
        QTest::addColumn<QDate>("lastDrawn");

        QTest::newRow("one month")
            << QDate(2027, 2, 1) << 1 << QDate(2027, 1, 31) << QDate(2027, 3, 13);
        QTest::newRow("two months across the year")
            << QDate(2026, 12, 1) << 2 << QDate(2026, 11, 29) << QDate(2027, 2, 6);
        QTest::newRow("three months")
            << QDate(2024, 1, 1) << 3 << QDate(2023, 12, 31) << QDate(2024, 4, 6);
    }
    void hitTestRoundTrip()
    {
        QFETCH(QDate, firstShown);
        QFETCH(int, count);
        QFETCH(QDate, firstDrawn);
        QFETCH(QDate, lastDrawn);

        calendar::Metrics m;
        m.cellWidth = 23;
        m.cellHeight = 17;
        QList<QDate> seen;
        for (int index = 0; index < count; ++index) {
            for (int cell = 0; cell < calendar::kCells; ++cell) {
                const QRect r = m.cellRect(index, cell);
                const QDate d = calendar::dateAt(m, firstShown, count, r.center());
                if (!d.isValid()) continue;
                QVERIFY2(!seen.contains(d), qPrintable(d.toString(Qt::ISODate)));
                seen.append(d);
                QCOMPARE(calendar::dateRect(m, firstShown, count, d), r);
                for (QPoint p : {r.topLeft(), r.bottomRight(), r.topRight(), r.bottomLeft()})
                    QCOMPARE(calendar::dateAt(m, firstShown, count, p), d);
            }
        }
        QCOMPARE(seen.size(), int(firstDrawn.daysTo(lastDrawn)) + 1);
        QCOMPARE(*std::min_element(seen.begin(), seen.end()), firstDrawn);
        QCOMPARE(*std::max_element(seen.begin(), seen.end()), lastDrawn);
        for (QDate d : {firstDrawn.addDays(-1), lastDrawn.addDays(1)})
            QVERIFY(calendar::dateRect(m, firstShown, count, d).isEmpty());

        const QSize size = m.size(count);
        // Margins, titles, the weekday row and the gaps between months hold no date.
        for (QPoint p : {QPoint(0, 0), QPoint(m.margin + 3 * m.cellWidth, m.margin + 1),
                         QPoint(m.margin + 1, m.margin + m.titleHeight + 1),
                         QPoint(m.margin + m.monthWidth(), size.height() / 2),
                         QPoint(size.width() - 1, size.height() - 1)})
            QVERIFY(!calendar::dateAt(m, firstShown, count, p).isValid());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
