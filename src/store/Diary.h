#pragma once
// What the windows ask of the diary, as named operations. Every one reports whether it
// succeeded; a failed statement has shown its message and changed nothing.

#include "Store.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace drv {

// One row of tbDoc.
struct DiaryEntry {
    QString skYmn;
    QString szTtl;
    QString szDoc;
    bool operator==(const DiaryEntry&) const = default;
};

// The 50 newest entries up to a day (by date in the century window), as skYmn, szTtl,
// szDoc columns, read through the key's own order instead of every row.
bool LatestUpTo(const QString& key, ColumnTable& table, int& count);

namespace diary {

// The title and body of a day; both empty when the day holds no entry.
bool read(const QString& key, QString& title, QString& body);
// How many rows hold the key (0 or 1 in a diary of this program).
bool count(const QString& key, int& n);
// Writes a day's entry: counts the day's rows, then updates or inserts, in one write
// transaction so that a second running copy cannot slip in between.
bool save(const QString& key, const QString& title, const QString& body);
// Removes a day's entry; removed tells how many rows went.
bool remove(const QString& key, int& removed);
// Gives the entry of day `from` the key `to`; moved tells how many rows changed.
bool move(const QString& from, const QString& to, int& moved);
// Replaces a day's body, leaving its title; changed is 0 when the day holds no entry.
bool correct(const QString& key, const QString& body, int& changed);

// The entries of a month ("yymm"), by day: key and title (the body is left empty).
bool monthEntries(const QString& month, QList<DiaryEntry>& rows);
// The keys of the days of a month that hold an entry.
bool monthDays(const QString& month, QStringList& keys);
// The first and the last stored day by date in the century window; empty when the
// diary holds no entry.
bool firstDay(QString& key);
bool lastDay(QString& key);

// The 50 newest entries up to a day (none for a text that is no key), newest first. The
// word search's listing is the word search library's (SearchIndex.h).
bool latestUpTo(const QString& key, QList<DiaryEntry>& rows);

// The entries on the month and day of a key in every year of the century window, the
// key's own included, newest first. When the key's year has no 29 February (its day is
// 28 February), the 29 February of other years is listed with it, as an anniversary
// moves there; a key that is no real day lists nothing.
bool sameDayEveryYear(const QString& key, QList<DiaryEntry>& rows);

// Every entry in date order (by the century window), handed over in pages of at most
// pageSize rows; the walk stops early, and still succeeds, when visit returns false.
bool walk(int pageSize, const std::function<bool(const QList<DiaryEntry>& page)>& visit);

// Whether another program (or another connection) wrote to the diary since it was opened
// or since the last call that said so.
bool changedElsewhere();

// Rows of a ColumnTable of skYmn, szTtl, szDoc columns.
QList<DiaryEntry> entriesOf(const ColumnTable& table, int count);

} // namespace diary
} // namespace drv
