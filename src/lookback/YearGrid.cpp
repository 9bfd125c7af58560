#include "YearGrid.h"

#include <algorithm>

namespace drv::lookback {

QSize YearGrid::size() const
{
    return {labelWidth + 31 * cell, headerHeight + 12 * cell};
}

QRect YearGrid::dayRect(const QDate& date) const
{
    if (!date.isValid() || date.year() != year) return {};
    return {labelWidth + (date.day() - 1) * cell, headerHeight + (date.month() - 1) * cell,
            cell - gap, cell - gap};
}

QRect YearGrid::monthLabelRect(int month) const
{
    return {0, headerHeight + (month - 1) * cell, labelWidth - gap, cell - gap};
}

QRect YearGrid::dayNumberRect(int day) const
{
    return {labelWidth + (day - 1) * cell, 0, cell - gap, headerHeight};
}

QDate YearGrid::dateAt(const QPoint& p) const
{
    const int x = p.x() - labelWidth, y = p.y() - headerHeight;
    if (x < 0 || y < 0 || cell <= 0) return {};
    const int day = x / cell + 1, month = y / cell + 1;
    if (day > 31 || month > 12 || x % cell >= cell - gap || y % cell >= cell - gap) return {};
    const QDate first(year, month, 1);
    if (day > first.daysInMonth()) return {};
    return QDate(year, month, day);
}

QDate stepDay(const QDate& from, int days, int months)
{
    if (!from.isValid()) return {};
    // QDate::addMonths keeps the day where the month has it, else takes its last day.
    return from.addDays(days).addMonths(months);
}

} // namespace drv::lookback
