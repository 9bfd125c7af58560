#pragma once
// The key of a diary day: "yymmdd", two digits each, no century.

#include <QDate>
#include <QString>

namespace drv::DateKey {

QString fromDate(const QDate& date);      // "yymmdd"
QString display(const QString& key);      // "yy/mm/dd"
QString fromDisplay(const QString& text); // every "/" removed
QString monthPrefix(const QDate& date);   // "yymm"

// The four-digit year of a two-digit one: the 100-year window that ends
// 20 years after today's year.
int fullYear(int yy, const QDate& today);
// The two digits (as text) at and below which a key lies in the window's later century.
QString pivot(const QDate& today);
// The date of a key; invalid when the key is not a real day.
QDate toDate(const QString& key, const QDate& today);
bool isKey(const QString& text); // six ASCII digits
// A key read as a number (the search index's row) written as a key again: six digits.
QString fromNumber(qint64 n);

} // namespace drv::DateKey
