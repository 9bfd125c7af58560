#pragma once
// The word search and its index. The index is derived data in a file of its own (see
// IndexFile.h), kept by a worker thread (IndexWorker.h); the diary file holds nothing of
// it. A search uses the index only while it is known to be in step with the diary, and
// otherwise reads every body, so its answer is always that of reading every body.

#include "Store.h"

#include <QString>

struct sqlite3;

namespace drv {

// The 50 newest entries whose body holds the word ("*" any run), as skYmn, szTtl, szDoc
// columns. Uses the index when it is ready and in step with the diary.
bool SearchWord(const QString& word, ColumnTable& table, int& count);
// The same by reading every body; what the index must agree with.
bool ScanWord(const QString& word, ColumnTable& table, int& count);

// The 50 newest entries up to a day (by date in the century window), as skYmn, szTtl,
// szDoc columns, read through the key's own order instead of every row.
bool LatestUpTo(const QString& key, ColumnTable& table, int& count);

// Whether a search now would use the index: built, and in step with every change of the
// diary known so far. Asks the worker to catch up when another program changed the diary.
bool hasSearchIndex();
// Waits up to ms milliseconds for that, for the index to hold every change this copy
// made, and for the merging that follows a build to end (for tools and tests without an
// event loop).
bool waitForSearchIndex(int ms);
// The index file of the open diary; empty when none is open.
QString searchIndexPath();

// The index query for a word: each term as a quoted string, joined by AND. Empty when the
// word has no character besides "*", or the index cannot answer it.
QString searchIndexQuery(const QString& word);

// For the store: the diary was opened (its path, its connection), is about to be closed,
// and a statement on it has ended.
void startSearchIndex(const QString& diaryPath, sqlite3* diary);
void stopSearchIndex();
void searchIndexStatementDone();
// Takes out what an earlier version kept inside the diary (its index table, the triggers
// that fed it, the format number it wrote), in one transaction and leaving every row of
// tbDoc as it was. Quiet: a diary that cannot be written keeps them for now.
void retireOldIndex(sqlite3* diary);

} // namespace drv
