#pragma once
// The entries a print holds, read through the diary's named operations.

#include <QDate>
#include <QList>
#include <QString>

namespace drv::print {

struct PrintEntry {
    QDate date;
    QString title;
    QString body;
};

// The entries from `from` to `to` (both included) in date order; false when a statement
// failed (its message has been shown).
bool readEntries(const QDate& from, const QDate& to, QList<PrintEntry>& entries);
// The first and the last day that hold an entry; false when there is none.
bool storedDays(QDate& first, QDate& last);

} // namespace drv::print
