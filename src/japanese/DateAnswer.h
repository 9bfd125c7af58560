#pragma once
// A date as a Japanese user types it into the date prompt.

#include <QDate>
#include <QString>

namespace drv::jp {

// Accepted, after NFKC (so full-width digits, letters and signs and the era ligatures
// such as ㍻ read as their plain forms), with blanks between the parts:
//   year, month and day separated by "/", "-" or "." or written 2026年12月7日, with a
//   four-digit year or a one- or two-digit one placed in the diary's century window;
//   month and day alone (12/7, 12月7日): this year;
//   an era year led by the era's name or initial: 令和8年12月7日, R8/12/7, H30.1.1,
//   平成元年1月8日.
// Invalid when it reads as no date, when the day lies outside its era (平成32年,
// 昭和64年1月8日), or outside the century window: the 100 years that end 20 years
// after today's year, the same window as the diary's two-digit keys.
QDate parseDateAnswer(const QString& answer, const QDate& today);

} // namespace drv::jp
