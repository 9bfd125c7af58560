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

// Reads every month file of the folder. A day's title is the first line of its text;
// categories follow the text, one "category: entries" line each.
PeerResult readRedNotebook(const QString& folder, const QDate& today,
                           const keep::Progress& progress);

} // namespace drv::peers
