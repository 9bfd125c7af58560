#pragma once
// The word search and its index. The index is derived data in a file of its own (see
// IndexFile.h), kept by a worker thread (IndexWorker.h); the diary file holds nothing of
// it. A search uses the index only while it is known to be in step with the diary, and
// otherwise reads every body, so its answer is always that of reading every body.
//
// Every program that links the word search follows the diary: the store tells it of the
// diary's opening (drv_match is registered on the connection, what an earlier version kept
// in the diary is taken out, and the index is started), of each statement's end (the rows
// it changed go to the index) and of the closing (the index is stopped and settled).

#include "Diary.h"
#include "Store.h"

#include <QString>

#include <functional>

namespace drv {

// The 50 newest entries whose body holds the word ("*" any run), as skYmn, szTtl, szDoc
// columns. Uses the index when it is ready and in step with the diary.
bool SearchWord(const QString& word, ColumnTable& table, int& count);
// The same by reading every body; what the index must agree with.
bool ScanWord(const QString& word, ColumnTable& table, int& count);

namespace diary {
// The 50 newest entries whose body holds a word ("*" any run), newest first.
bool search(const QString& word, QList<DiaryEntry>& rows);
} // namespace diary

// Told how far the search index has come while it is built or catches up in the
// background: on the thread that opened the store, through its event loop; done equals
// total when it has finished.
void setSearchIndexProgress(std::function<void(int done, int total)> progress);

// Whether a search now would use the index: built, and in step with every change of the
// diary known so far. Asks the worker to catch up when another program changed the diary.
bool hasSearchIndex();
// Waits up to ms milliseconds for that, for the index to hold every change this copy
// made, and for the merging that follows a build to end (for tools and tests without an
// event loop).
bool waitForSearchIndex(int ms);
// The index file of the open diary; empty when none is open.
QString searchIndexPath();
// Whether the open diary has an index kept from an earlier opening: its file, or an
// encrypted diary's sealed file. A program that opens the diary for one search waits for
// it (waitForSearchIndex) when there is one; with none, building it would take longer
// than reading every body.
bool hasKeptSearchIndex();

// The index query for a word: each term as a quoted string, joined by AND. Empty when the
// word has no character besides "*", or the index cannot answer it.
QString searchIndexQuery(const QString& word);

} // namespace drv
