#pragma once
// Dates the main window works out from a key or from what the user typed.

#include "DateAnswer.h"

#include <QDate>
#include <QString>

namespace drv {

// The key with its two-digit year moved by years; a year below 0 gives a text that
// is no key ("-1" followed by the rest).
QString ShiftYear(const QString& key, int years);

// The key of the date `years` before the key's date, both placed in the century window
// (29 February goes to the 28th); empty when that date falls out of the window.
QString yearsBackKey(const QString& key, int years, const QDate& today);

// A date typed by the user, in the forms the date prompt accepts (DateAnswer.h).
using jp::parseDateAnswer;

} // namespace drv
