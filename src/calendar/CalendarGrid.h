#pragma once
// The month calendar as data: the day grid of a month, which grid days are drawn, where
// the display goes when the selection moves, where each day sits, and how each drawn day
// looks. The widget only paints what this hands it.

#include <QDate>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>

namespace drv {

namespace calendar {

constexpr int kWeeks = 6;
constexpr int kWeekDays = 7;
constexpr int kCells = kWeeks * kWeekDays;
constexpr int kMinMonths = 1;
constexpr int kMaxMonths = 3;

QDate firstOfMonth(QDate date);

// Date of the top-left cell of the month's 6×7 grid. Weeks start on Sunday and the 1st
// always sits in the first row, so the last row is never needed by a month alone.
QDate gridStart(QDate month);

// Sunday = 0 … Saturday = 6.
int weekColumn(QDate date);

// Whether grid cell `date` of `month`, shown as block `index` of `count`, is drawn. Days of
// the neighbouring months appear only before the first block and after the last one, so
// that no date is drawn twice.
bool isDrawn(QDate month, int index, int count, QDate date);

// The first month to show once `selected` is the selected date: the display stays when the
// date is within the `count` months from `firstShown`, otherwise it starts at its month.
QDate followSelection(QDate firstShown, int count, QDate selected);

// Pixel layout of the blocks, from the font's sizes.
struct Metrics {
    int margin = 2;
    int gap = 8; // between two month blocks
    int titleHeight = 20;
    int headerHeight = 16;
    int cellWidth = 20;
    int cellHeight = 16;

    int monthWidth() const { return kWeekDays * cellWidth; }
    QSize size(int count) const;
    QRect titleRect(int index) const;
    QRect headerRect(int index, int column) const;
    QRect cellRect(int index, int cell) const;
    // The block and grid cell under `p`; false over margins, titles, headers and gaps.
    bool cellAt(QPoint p, int count, int& index, int& cell) const;
};

// The drawn date under `p`, or an invalid date.
QDate dateAt(const Metrics& m, QDate firstShown, int count, QPoint p);
// Where `date` is drawn, or an empty rectangle when it is not shown.
QRect dateRect(const Metrics& m, QDate firstShown, int count, QDate date);

// How a day's number is coloured: its weekday's colour (a public holiday takes Sunday's),
// or the greyed colour of a day of the neighbouring month.
enum class DayTone { Weekday, Sunday, Saturday, OtherMonth };
DayTone weekdayTone(int column);

// One drawn day of a month block.
struct DayCell {
    QDate date;
    QRect rect;
    DayTone tone = DayTone::Weekday;
    bool bold = false; // the day holds an entry
    bool selected = false;
    bool today = false;
    QString holiday; // the public holiday's name, for the day's tooltip; empty on other days
};

// Every drawn day of block `index` of `count` shown from `firstShown`, in grid order.
QList<DayCell> monthCells(const Metrics& m, QDate firstShown, int index, int count, QDate selected,
                          QDate today, const QSet<QDate>& bold);

} // namespace calendar
} // namespace drv
