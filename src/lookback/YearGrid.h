#pragma once
// Where the days of the year at a glance sit: the twelve months in rows, the days of a
// month in columns 1 to 31, a column of month names on the left and a row of day numbers
// on top. Plain arithmetic, so the widget only paints and tests need no window.

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace drv::lookback {

struct YearGrid {
    int year = 0;
    int labelWidth = 40;   // the month names
    int headerHeight = 16; // the day numbers
    int cell = 18;         // a day's square, its gap included
    int gap = 2;

    QSize size() const;
    // The day's square (without the gap); empty for a date outside the year.
    QRect dayRect(const QDate& date) const;
    QRect monthLabelRect(int month) const;
    QRect dayNumberRect(int day) const;
    // The day under p; invalid over labels, gaps of the grid and days no month has.
    QDate dateAt(const QPoint& p) const;
};

// Where a key moves the focused day: left and right a day, up and down a month (the day
// kept where that month has it, else its last day); the year may change with it.
QDate stepDay(const QDate& from, int days, int months);

} // namespace drv::lookback
