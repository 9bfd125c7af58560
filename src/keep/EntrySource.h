#pragma once
// What every source of imported entries hands on: the entries read, each with the line
// of the file it began on, or the one reason the file cannot be read. The formats of
// this program and the importers of other programs' files all produce this; conflict
// handling and writing take it from there.

#include "Diary.h"

#include <QDate>
#include <QList>
#include <QString>

namespace drv::keep {

struct ImportedEntry {
    DiaryEntry entry;
    int line = 0;
};

struct SourceResult {
    QList<ImportedEntry> entries;
    int errorLine = 0; // 0: the error is not of one line
    QString error;
    bool stopped = false;
    bool ok() const { return error.isEmpty() && !stopped; }
    void fail(int line, const QString& text)
    {
        errorLine = line;
        error = text;
    }
};

// A day as the files write it: "2026-12-07" in the century window, or the key itself
// when it is not a real day.
QString dayToken(const QString& key, const QDate& today);
// The key of a day as files write it: a date (yyyy-mm-dd) within the century window, or
// six digits. False with the reason otherwise.
bool keyOfDayToken(QStringView token, const QDate& today, QString& key, QString& error);

// Fails the result at the second entry of a day that occurs twice.
void checkDaysOnce(SourceResult& result, const QDate& today);

} // namespace drv::keep
