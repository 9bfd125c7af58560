#pragma once
// Dates in the Japanese era calendar (和暦), by ICU's Japanese calendar, so that the
// eras and their first days come from ICU's data and a new era arrives with it.

#include <QDate>
#include <QString>
#include <QStringView>

namespace drv::jp {

struct EraYear {
    QString era;  // "令和"; empty when the date has no era year
    int year = 0; // 1 is the era's first year (元年)
};

// The era and its year of a date from 1873-01-01 on, when Japan took the Gregorian
// calendar; before that the era's months were not these.
EraYear eraYearOf(const QDate& date);

// "令和8年12月7日(月)", the first year written 元年; empty when eraYearOf gives no era.
QString eraDateText(const QDate& date);

// The date of a day of an era's year; the era by its name ("平成") or its initial
// ("H", either case). Invalid when the era is unknown or the day does not lie in that
// era year (平成32年, 昭和64年1月8日).
QDate dateOfEra(QStringView era, int year, int month, int day);

} // namespace drv::jp
