#pragma once
// RedNotebook's journal: a folder of month files ("2026-12.txt"), each a YAML map from
// the day of the month to the day's text and its categories.

#include "PeerDiary.h"
#include "Progress.h"

namespace drv::peers {

// True for the name of a month file.
bool isRedNotebookMonthName(const QString& fileName);
// True when the file reads like a month file (its first line is a day of the map).
bool looksLikeRedNotebookMonth(const QString& path);

// One day of a month file: its text (categories after it), and the line of its day.
struct MonthDay {
    int day = 0;
    QString text;
    int line = 0;
    bool operator==(const MonthDay&) const = default;
};

// A month file's days in the layout RedNotebook writes (each day a map of "text" alone,
// the text single-quoted, or plain on its line and the lines indented under it; lines
// ending in a line feed), read without a YAML library; the days come out exactly as
// yaml-cpp reads them, whether or not they are days of the month. False, with nothing
// taken, for anything else: the file is then read by yaml-cpp.
bool quickMonthDays(QByteArrayView bytes, QList<MonthDay>& days);

// A month file's days as yaml-cpp reads them; false with the reason and its line (0
// when it has none) when they cannot be read.
bool yamlMonthDays(const QByteArray& bytes, int year, int month, QList<MonthDay>& days,
                   QString& reason, int& line);

// Reads every month file of the folder. A day's title is the first line of its text;
// categories follow the text, one "category: entries" line each.
PeerResult readRedNotebook(const QString& folder, const QDate& today,
                           const keep::Progress& progress);

} // namespace drv::peers
