#pragma once
// Dates the main window works out from a key or from what the user typed.

#include <QDate>
#include <QString>

namespace drv {

// The key with its two-digit year moved by years; a year below 0 gives a text that
// is no key ("-1" followed by the rest).
QString ShiftYear(const QString& key, int years);

// A date typed by the user: year, month and day separated by "/" or "-", or written
// as 2026年12月7日; four- or two-digit years (two digits in the century window).
// Full-width digits and separators are accepted. Invalid when it reads as no date.
QDate parseDateAnswer(const QString& answer, const QDate& today);

} // namespace drv
