#pragma once
// A day's entry as a file of the mirror folder: "# title", a blank line and the body, in
// UTF-8 with LF line ends, ending in one line feed. Both sides are compared by the
// digest of that text after normalising it, so that an editor that adds a byte-order
// mark, writes CR LF, drops or adds a final line end or stores another Unicode form
// causes no change.
//
// A file without a "# " heading (nor a lone "#" line) at its top is all body, with an
// empty title, as daily notes written by other tools often are. An entry with an empty
// title is written without a heading unless its body's first line would read as one.
// Line breaks in a title become blanks in the file; blank lines at a body's end are not
// kept. A file that is empty after normalising holds no entry.

#include "Diary.h"

#include <QByteArray>
#include <QString>

namespace drv::mirror {

// LF for CR LF and lone CR, NFC, exactly one line feed at the end (none for no text).
QString normalized(const QString& text);
// Decodes a file's bytes (a UTF-8 byte-order mark is dropped) and normalises them; false
// when the bytes are not UTF-8.
bool decodeDayFile(const QByteArray& bytes, QString& text);

// The normalised text of a day's file (empty when title and body are both empty).
QString dayFileText(const DiaryEntry& entry);
// The entry a normalised text holds, for the day `key`.
DiaryEntry entryOfText(const QString& text, const QString& key);

// The digest both sides are compared by: of the normalised text. Empty for no text.
QByteArray digestOf(const QString& normalizedText);

} // namespace drv::mirror
