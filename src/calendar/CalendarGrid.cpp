#include "CalendarGrid.h"

#include "Holidays.h"

namespace drv {

namespace calendar {

QDate firstOfMonth(QDate date)
{
    return QDate(date.year(), date.month(), 1);
}

int weekColumn(QDate date)
{
    return date.dayOfWeek() % kWeekDays; // Qt counts Monday 1 … Sunday 7
}

QDate gridStart(QDate month)
{
    const QDate first = firstOfMonth(month);
    return first.addDays(-weekColumn(first));
}

bool isDrawn(QDate month, int index, int count, QDate date)
{
    const QDate first = firstOfMonth(month);
    if (date < first) return index == 0;
    if (date > first.addMonths(1).addDays(-1)) return index == count - 1;
    return true;
}

QDate followSelection(QDate firstShown, int count, QDate selected)
{
    const QDate month = firstOfMonth(selected);
    if (month >= firstShown && month < firstShown.addMonths(count)) return firstShown;
    return month;
}

QSize Metrics::size(int count) const
{
    return {2 * margin + count * monthWidth() + (count - 1) * gap,
            2 * margin + titleHeight + headerHeight + kWeeks * cellHeight};
}

QRect Metrics::titleRect(int index) const
{
    return {margin + index * (monthWidth() + gap), margin, monthWidth(), titleHeight};
}

QRect Metrics::headerRect(int index, int column) const
{
    const QRect title = titleRect(index);
    return {title.left() + column * cellWidth, title.bottom() + 1, cellWidth, headerHeight};
}

QRect Metrics::cellRect(int index, int cell) const
{
    const QRect header = headerRect(index, cell % kWeekDays);
    return {header.left(), header.bottom() + 1 + (cell / kWeekDays) * cellHeight, cellWidth,
            cellHeight};
}

bool Metrics::cellAt(QPoint p, int count, int& index, int& cell) const
{
    const int x = p.x() - margin;
    const int y = p.y() - margin - titleHeight - headerHeight;
    if (x < 0 || y < 0) return false;
    const int stride = monthWidth() + gap;
    const int column = (x % stride) / cellWidth;
    const int row = y / cellHeight;
    if (x / stride >= count || column >= kWeekDays || row >= kWeeks) return false;
    index = x / stride;
    cell = row * kWeekDays + column;
    return true;
}

QDate dateAt(const Metrics& m, QDate firstShown, int count, QPoint p)
{
    int index = 0;
    int cell = 0;
    if (!firstShown.isValid() || !m.cellAt(p, count, index, cell)) return {};
    const QDate month = firstShown.addMonths(index);
    const QDate date = gridStart(month).addDays(cell);
    return isDrawn(month, index, count, date) ? date : QDate();
}

QRect dateRect(const Metrics& m, QDate firstShown, int count, QDate date)
{
    if (!firstShown.isValid() || !date.isValid()) return {};
    for (int index = 0; index < count; ++index) {
        const QDate month = firstShown.addMonths(index);
        const qint64 cell = gridStart(month).daysTo(date);
        if (cell >= 0 && cell < kCells && isDrawn(month, index, count, date))
            return m.cellRect(index, int(cell));
    }
    return {};
}

DayTone weekdayTone(int column)
{
    if (column == 0) return DayTone::Sunday;
    if (column == kWeekDays - 1) return DayTone::Saturday;
    return DayTone::Weekday;
}

QList<DayCell> monthCells(const Metrics& m, QDate firstShown, int index, int count, QDate selected,
                          QDate today, const QSet<QDate>& bold)
{
    QList<DayCell> cells;
    if (!firstShown.isValid()) return cells;
    const QDate month = firstShown.addMonths(index);
    const QDate start = gridStart(month);
    for (int cell = 0; cell < kCells; ++cell) {
        const QDate day = start.addDays(cell);
        if (!isDrawn(month, index, count, day)) continue;
        DayCell c;
        c.date = day;
        c.rect = m.cellRect(index, cell);
        c.holiday = jp::holidayName(day);
        if (day.month() != month.month())
            c.tone = DayTone::OtherMonth;
        else
            c.tone = c.holiday.isEmpty() ? weekdayTone(cell % kWeekDays) : DayTone::Sunday;
        c.bold = bold.contains(day);
        c.selected = day == selected;
        c.today = day == today;
        cells.append(c);
    }
    return cells;
}

} // namespace calendar

} // namespace drv
