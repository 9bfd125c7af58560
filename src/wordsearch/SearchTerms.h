#pragma once
// What the search index holds of a body, and what it is asked for a word. A body is
// indexed by its folded characters and its pairs of neighbouring folded characters; a
// word can only occur in a body that holds every character of its one-character pieces
// and every pair of its longer ones. The index so narrows a search to candidates, and
// the word match itself decides, so a candidate too many costs time, never a result.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct sqlite3;

namespace drv::terms {

// The distinct terms of a folded body, as UTF-8, each followed by a 0xFF byte (which
// UTF-8 never holds): what the index's tokenizer hands over for the body.
QByteArray ofBody(const QString& folded);

// The terms a body must hold to match the word ("*" any run). An empty list when the
// word has no character besides "*"; nothing when the index cannot answer for it (a
// piece with a character the index's query language cannot carry, or half of a
// surrogate pair), and every body must be read instead.
std::optional<QList<QByteArray>> ofWord(const QString& word);

// The index query asking for all the terms.
QString matchExpression(const QList<QByteArray>& terms);

// Registers the tokenizer that reads ofBody's terms (and a query's terms, one per quoted
// string) on a connection; false when the engine lacks full-text search.
bool registerTokenizer(sqlite3* db);
// Registers, under the name an earlier version's index inside the diary used, a tokenizer
// that yields nothing: enough for that index to be dropped.
bool registerRetiredTokenizer(sqlite3* db);

} // namespace drv::terms
