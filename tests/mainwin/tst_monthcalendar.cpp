// The month-calendar widget: the user's ways of picking a date, its own size and the
// marks it draws. Its grid as data is tested in tests/calendar/tst_calendar.cpp.

#include "MonthCalendar.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <memory>
#include <optional>

using namespace drv;

namespace {

std::unique_ptr<MonthCalendar> shownCalendar(int columns, QDate selected)
{
    auto w = std::make_unique<MonthCalendar>();
    w->setMonthColumns(columns);
    w->setSelectedDate(selected);
    w->show();
    return w;
}

QImage cellImage(MonthCalendar& w, QDate date)
{
    return w.grab(w.dateRect(date)).toImage();
}

} // namespace

class TestMonthCalendar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- the widget -------------------------------------------------------
    void clickingADaySelectsAndEmits_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<QDate>("clicked");
        QTest::addColumn<QDate>("firstShown");

        QTest::newRow("same month")
            << 2 << QDate(2027, 1, 10) << QDate(2027, 1, 20) << QDate(2027, 1, 1);
        QTest::newRow("second shown month, display stays")
            << 2 << QDate(2027, 1, 10) << QDate(2027, 2, 14) << QDate(2027, 1, 1);
        QTest::newRow("third shown month, display stays")
            << 3 << QDate(2026, 12, 10) << QDate(2027, 2, 27) << QDate(2026, 12, 1);
        QTest::newRow("greyed day of the month before, across the year")
            << 2 << QDate(2027, 1, 10) << QDate(2026, 12, 28) << QDate(2026, 12, 1);
        QTest::newRow("greyed day after the last shown month")
            << 2 << QDate(2027, 1, 10) << QDate(2027, 3, 1) << QDate(2027, 3, 1);
        QTest::newRow("greyed January day under December")
            << 1 << QDate(2026, 12, 15) << QDate(2027, 1, 2) << QDate(2027, 1, 1);
        QTest::newRow("the selected day again")
            << 1 << QDate(2027, 1, 10) << QDate(2027, 1, 10) << QDate(2027, 1, 1);
    }
    void clickingADaySelectsAndEmits()
    {
        QFETCH(int, columns);
        QFETCH(QDate, selected);
        QFETCH(QDate, clicked);
        QFETCH(QDate, firstShown);

        auto w = shownCalendar(columns, selected);
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QSignalSpy spy(w.get(), &MonthCalendar::dateClicked);
        const QRect cell = w->dateRect(clicked);
        QVERIFY(!cell.isEmpty());

        QTest::mouseClick(w.get(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toDate(), clicked);
        QCOMPARE(w->selectedDate(), clicked);
        QCOMPARE(w->firstShownMonth(), firstShown);
    }

    void clickWithoutADayChangesNothing_data()
    {
        QTest::addColumn<int>("where");
        QTest::newRow("blank cell after the first of two months") << 0;
        QTest::newRow("weekday header") << 1;
        QTest::newRow("gap between months") << 2;
        QTest::newRow("right mouse button on a day") << 3;
    }
    void clickWithoutADayChangesNothing()
    {
        QFETCH(int, where);
        // January 2027 ends on a Sunday, so the rest of its last row is blank.
        auto w = shownCalendar(2, QDate(2027, 1, 10));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect lastDay = w->dateRect(QDate(2027, 1, 31));
        const QRect firstCell = w->dateRect(QDate(2026, 12, 27));
        const QRect saturday = w->dateRect(QDate(2027, 1, 2));
        const QPoint points[] = {lastDay.center() + QPoint(lastDay.width(), 0),
                                 firstCell.center() - QPoint(0, firstCell.height()),
                                 QPoint(saturday.right() + 2, saturday.center().y()),
                                 w->dateRect(QDate(2027, 1, 20)).center()};
        QSignalSpy spy(w.get(), &MonthCalendar::dateClicked);

        const Qt::MouseButton button = where == 3 ? Qt::RightButton : Qt::LeftButton;
        QTest::mouseClick(w.get(), button, {}, points[where]);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(w->selectedDate(), QDate(2027, 1, 10));
    }

    void programmaticSetDoesNotEmit_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QDate>("firstShown");

        QTest::newRow("within the shown months") << QDate(2027, 2, 20) << QDate(2027, 1, 1);
        QTest::newRow("after them") << QDate(2027, 3, 1) << QDate(2027, 3, 1);
        QTest::newRow("before them, across the year") << QDate(2026, 12, 31) << QDate(2026, 12, 1);
    }
    void programmaticSetDoesNotEmit()
    {
        QFETCH(QDate, date);
        QFETCH(QDate, firstShown);

        auto w = shownCalendar(2, QDate(2027, 1, 10));
        QSignalSpy clicks(w.get(), &MonthCalendar::dateClicked);
        QSignalSpy moves(w.get(), &MonthCalendar::visibleMonthsChanged);

        w->setSelectedDate(date);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(w->selectedDate(), date);
        QCOMPARE(w->firstShownMonth(), firstShown);
        const bool moved = firstShown != QDate(2027, 1, 1);
        QCOMPARE(moves.count(), moved ? 1 : 0);
        if (moved) QCOMPARE(moves.at(0).at(0).toDate(), firstShown);

        w->setSelectedDate(QDate());
        QCOMPARE(w->selectedDate(), date);
    }

    void todayIsTheFirstSelection()
    {
        MonthCalendar w;
        QSignalSpy clicks(&w, &MonthCalendar::dateClicked);
        w.setToday(QDate(2026, 12, 7));
        QCOMPARE(w.selectedDate(), QDate(2026, 12, 7));
        QCOMPARE(w.firstShownMonth(), QDate(2026, 12, 1));

        w.setToday(QDate(2026, 12, 8)); // midnight passed: the user's selection stays
        QCOMPARE(w.today(), QDate(2026, 12, 8));
        QCOMPARE(w.selectedDate(), QDate(2026, 12, 7));
        QCOMPARE(clicks.count(), 0);
    }

    void monthButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QDate>("shownFrom");
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<QDate>("expected");
        QTest::addColumn<QDate>("firstShown");

        const QString next = QStringLiteral("nextMonth");
        const QString prev = QStringLiteral("prevMonth");
        QTest::newRow("31 Jan to 28 Feb") << next << 1 << QDate(2023, 1, 1) << QDate(2023, 1, 31)
                                          << QDate(2023, 2, 28) << QDate(2023, 2, 1);
        QTest::newRow("31 Jan to 29 Feb in a leap year")
            << next << 1 << QDate(2024, 1, 1) << QDate(2024, 1, 31) << QDate(2024, 2, 29)
            << QDate(2024, 2, 1);
        QTest::newRow("31 Mar back to 29 Feb")
            << prev << 1 << QDate(2024, 3, 1) << QDate(2024, 3, 31) << QDate(2024, 2, 29)
            << QDate(2024, 2, 1);
        QTest::newRow("December to January")
            << next << 2 << QDate(2026, 12, 1) << QDate(2026, 12, 15) << QDate(2027, 1, 15)
            << QDate(2027, 1, 1);
        QTest::newRow("January back to December")
            << prev << 1 << QDate(2027, 1, 1) << QDate(2027, 1, 31) << QDate(2026, 12, 31)
            << QDate(2026, 12, 1);
        QTest::newRow("selection in the second month moves with the display")
            << next << 2 << QDate(2027, 1, 1) << QDate(2027, 2, 28) << QDate(2027, 3, 28)
            << QDate(2027, 2, 1);
    }
    void monthButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, columns);
        QFETCH(QDate, shownFrom);
        QFETCH(QDate, selected);
        QFETCH(QDate, expected);
        QFETCH(QDate, firstShown);

        auto w = shownCalendar(columns, shownFrom);
        w->setSelectedDate(selected);
        QCOMPARE(w->firstShownMonth(), shownFrom);
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto* b = w->findChild<QToolButton*>(button);
        QVERIFY(b);
        QSignalSpy clicks(w.get(), &MonthCalendar::dateClicked);
        QSignalSpy moves(w.get(), &MonthCalendar::visibleMonthsChanged);

        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toDate(), expected);
        QCOMPARE(w->selectedDate(), expected);
        QCOMPARE(w->firstShownMonth(), firstShown);
        QCOMPARE(moves.count(), 1);
        QCOMPARE(moves.at(0).at(0).toDate(), firstShown);
        QCOMPARE(moves.at(0).at(1).toInt(), columns);
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QDate>("selected");
        QTest::addColumn<QDate>("expected");

        QTest::newRow("right across the year")
            << int(Qt::Key_Right) << QDate(2026, 12, 31) << QDate(2027, 1, 1);
        QTest::newRow("left into a leap February")
            << int(Qt::Key_Left) << QDate(2024, 3, 1) << QDate(2024, 2, 29);
        QTest::newRow("up a week") << int(Qt::Key_Up) << QDate(2023, 3, 3) << QDate(2023, 2, 24);
        QTest::newRow("down a week across a leap day")
            << int(Qt::Key_Down) << QDate(2024, 2, 25) << QDate(2024, 3, 3);
        QTest::newRow("page down clamps 31 Jan")
            << int(Qt::Key_PageDown) << QDate(2023, 1, 31) << QDate(2023, 2, 28);
        QTest::newRow("page up clamps 31 Mar")
            << int(Qt::Key_PageUp) << QDate(2024, 3, 31) << QDate(2024, 2, 29);
        QTest::newRow("page up across the year")
            << int(Qt::Key_PageUp) << QDate(2027, 1, 15) << QDate(2026, 12, 15);
        QTest::newRow("end of a leap February")
            << int(Qt::Key_End) << QDate(2024, 2, 10) << QDate(2024, 2, 29);
        QTest::newRow("home") << int(Qt::Key_Home) << QDate(2024, 2, 10) << QDate(2024, 2, 1);
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(QDate, selected);
        QFETCH(QDate, expected);

        auto w = shownCalendar(1, selected);
        QSignalSpy clicks(w.get(), &MonthCalendar::dateClicked);
        QTest::keyClick(w.get(), Qt::Key(key));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toDate(), expected);
        QCOMPARE(w->selectedDate(), expected);
        QCOMPARE(w->firstShownMonth(), calendar::firstOfMonth(expected));
    }

    void widthGrowsWithColumns_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("columns");
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("three") << 3 << 3;
        QTest::newRow("zero gives one") << 0 << 1;
        QTest::newRow("seven gives three") << 7 << 3;
    }
    void widthGrowsWithColumns()
    {
        QFETCH(int, asked);
        QFETCH(int, columns);

        auto one = shownCalendar(1, QDate(2027, 1, 10));
        auto two = shownCalendar(2, QDate(2027, 1, 10));
        auto w = shownCalendar(1, QDate(2027, 1, 10));
        QSignalSpy moves(w.get(), &MonthCalendar::visibleMonthsChanged);
        w->setMonthColumns(asked);

        QCOMPARE(w->monthColumns(), columns);
        QCOMPARE(moves.count(), columns == 1 ? 0 : 1);
        QCOMPARE(w->minimumSizeHint(), w->sizeHint());
        QCOMPARE(w->size(), w->sizeHint()); // the window places it at its own size
        QCOMPARE(w->sizeHint().height(), one->sizeHint().height());
        const int step = two->sizeHint().width() - one->sizeHint().width();
        QVERIFY(step >= calendar::kWeekDays * w->dateRect(QDate(2027, 1, 10)).width());
        QCOMPARE(w->sizeHint().width(), one->sizeHint().width() + (columns - 1) * step);

        // The last month is fully inside, and the next-month button sits above it.
        const QDate lastShown = QDate(2027, 1, 1).addMonths(columns - 1);
        const QRect lastDay = w->dateRect(lastShown.addDays(lastShown.daysInMonth() - 1));
        QVERIFY(w->rect().contains(lastDay));
        const QRect next = w->findChild<QToolButton*>(QStringLiteral("nextMonth"))->geometry();
        QVERIFY(w->rect().contains(next));
        QVERIFY(next.left() > w->dateRect(lastShown).left());
    }

    void fewerColumnsKeepTheSelectionShown()
    {
        auto w = shownCalendar(3, QDate(2026, 12, 10));
        w->setSelectedDate(QDate(2027, 2, 5));
        QCOMPARE(w->firstShownMonth(), QDate(2026, 12, 1));
        QSignalSpy moves(w.get(), &MonthCalendar::visibleMonthsChanged);

        w->setMonthColumns(1);
        QCOMPARE(w->firstShownMonth(), QDate(2027, 2, 1));
        QVERIFY(!w->dateRect(QDate(2027, 2, 5)).isEmpty());
        QCOMPARE(moves.count(), 1);
        QCOMPARE(moves.at(0).at(0).toDate(), QDate(2027, 2, 1));
        QCOMPARE(moves.at(0).at(1).toInt(), 1);
    }

    void sizeFollowsTheFont()
    {
        auto w = shownCalendar(2, QDate(2027, 1, 10));
        const QSize before = w->sizeHint();
        QFont f = w->font();
        f.setPointSize(f.pointSize() * 2);
        w->setFont(f);
        QVERIFY(w->sizeHint().width() > before.width());
        QVERIFY(w->sizeHint().height() > before.height());
        QCOMPARE(w->size(), w->sizeHint());
    }

    // --- what is drawn ----------------------------------------------------
    void marksChangeTheCell_data()
    {
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("today");
        QTest::newRow("bold day") << true << false;
        QTest::newRow("today") << false << true;
    }
    void marksChangeTheCell()
    {
        QFETCH(bool, bold);
        QFETCH(bool, today);

        const QDate marked(2027, 1, 20);
        auto plain = shownCalendar(1, QDate(2027, 1, 10));
        auto w = shownCalendar(1, QDate(2027, 1, 10));
        if (bold) w->setBoldDays({marked});
        if (today) w->setToday(marked);
        QCOMPARE(cellImage(*w, QDate(2027, 1, 21)), cellImage(*plain, QDate(2027, 1, 21)));
        QVERIFY(cellImage(*w, marked) != cellImage(*plain, marked));
    }

    void boldDaysSurviveMonthChanges()
    {
        const QSet<QDate> days{QDate(2027, 2, 10), QDate(2027, 4, 5)};
        auto plain = shownCalendar(1, QDate(2027, 2, 1));
        auto w = shownCalendar(1, QDate(2027, 2, 1));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->setBoldDays(days);
        auto* next = w->findChild<QToolButton*>(QStringLiteral("nextMonth"));
        auto* prev = w->findChild<QToolButton*>(QStringLiteral("prevMonth"));

        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        plain->setSelectedDate(QDate(2027, 4, 1));
        QCOMPARE(w->firstShownMonth(), QDate(2027, 4, 1));
        QCOMPARE(w->boldDays(), days);
        QVERIFY(cellImage(*w, QDate(2027, 4, 5)) != cellImage(*plain, QDate(2027, 4, 5)));

        QTest::mouseClick(prev, Qt::LeftButton);
        QTest::mouseClick(prev, Qt::LeftButton);
        plain->setSelectedDate(QDate(2027, 2, 1));
        QCOMPARE(w->firstShownMonth(), QDate(2027, 2, 1));
        QVERIFY(cellImage(*w, QDate(2027, 2, 10)) != cellImage(*plain, QDate(2027, 2, 10)));
        QCOMPARE(cellImage(*w, QDate(2027, 2, 11)), cellImage(*plain, QDate(2027, 2, 11)));
    }

    // A holiday's number is red like a Sunday's, and its tooltip names it.
    void holidaysAreRedAndNamed_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("red");
        QTest::addColumn<QString>("tip");
        QTest::newRow("Tuesday holiday") << QDate(2026, 11, 3) << true << "文化の日";
        QTest::newRow("substitute holiday") << QDate(2027, 3, 22) << true << "振替休日";
        QTest::newRow("Wednesday") << QDate(2026, 11, 4) << false << "";
        QTest::newRow("greyed next-month holiday") << QDate(2027, 1, 1) << false << "元日";
    }
    void holidaysAreRedAndNamed()
    {
        QFETCH(QDate, day);
        QFETCH(bool, red);
        QFETCH(QString, tip);
        // Another day selected, so the day keeps its own colour; a 1st is shown greyed
        // from the month before.
        auto w = shownCalendar(1, day.addDays(day.day() == 1 ? -20 : 7));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect r = w->dateRect(day);
        QVERIFY(!r.isEmpty());
        const QImage cell = w->grab(r).toImage();
        bool anyRed = false;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x) {
                const QColor c = cell.pixelColor(x, y);
                anyRed = anyRed || (c.red() > 150 && c.green() < 90 && c.blue() < 90);
            }
        QCOMPARE(anyRed, red);

        QToolTip::showText(QPoint(), QStringLiteral("前のヒント"));
        QHelpEvent help(QEvent::ToolTip, r.center(), w->mapToGlobal(r.center()));
        QApplication::sendEvent(w.get(), &help);
        QTRY_COMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        QToolTip::hideText();
    }
};

QTEST_MAIN(TestMonthCalendar)
#include "tst_monthcalendar.moc"
