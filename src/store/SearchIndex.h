#pragma once
// The word search's index: every body folded as the search folds it and cut into
// overlapping two-character tokens, kept in step with tbDoc by triggers, so a
// search reads the few entries that can match instead of every body.

#include "Store.h"

#include <functional>

struct sqlite3;

namespace drv {

// Registers the tokenizer on a fresh connection; false when the engine lacks it.
bool registerSearchTokenizer(sqlite3* db);

// Builds the index when the diary has none (or an outdated one), all in one
// transaction; progress reports entries done out of total. False on failure, in
// which case the diary is as it was and searches scan every body.
bool ensureSearchIndex(const std::function<void(int done, int total)>& progress);
bool hasSearchIndex();

// The 50 newest entries whose body holds the word ("*" any run), as
// skYmn, szTtl, szDoc columns. Uses the index when there is one.
bool SearchWord(const QString& word, ColumnTable& table, int& count);
// The same by reading every body; what the index must agree with.
bool ScanWord(const QString& word, ColumnTable& table, int& count);

// The 50 newest entries up to a day (by date in the century window), as skYmn, szTtl,
// szDoc columns, read through the key's own order instead of every row.
bool LatestUpTo(const QString& key, ColumnTable& table, int& count);

// The index query for a word: each piece between "*" as a quoted phrase, one-character
// pieces as prefixes, joined by AND. Empty when no piece has a character.
QString searchIndexQuery(const QString& word);

} // namespace drv
