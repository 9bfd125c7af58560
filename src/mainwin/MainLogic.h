#pragma once
// What the main window decides without a window: layout arithmetic, list rows,
// year shifts and reading a typed date.

#include <QDate>
#include <QRect>
#include <QString>

namespace drv {

// The key with its two-digit year moved by years; a year below 0 gives a text that
// is no key ("-1" followed by the rest).
QString ShiftYear(const QString& key, int years);

// The 1-based row of a key in the list's key string (each key followed by "."), 0 when absent.
int rowOfKey(const QString& listKeys, const QString& key);

// A date typed by the user, in the forms of jp::parseDateAnswer (DateAnswer.h).
QDate parseDateAnswer(const QString& answer, const QDate& today);

// Where the four controls go, in twips, for a client area of W x H, a calendar of
// cw x ch and a title box th high.
struct Arrangement {
    bool apply = false; // false: the area is too low; leave everything where it is
    QRect calendar, list, title, editor;
};
Arrangement arrange(int W, int H, int cw, int ch, int th);

// The calendar column count a stored value selects: 1 to 3 as stored, anything else 1.
int columnsFromSetting(int stored);

} // namespace drv
