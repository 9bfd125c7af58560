#pragma once
// Almanah's diary: an SQLite file "diary.db" with one entry a day, its text kept as
// Almanah's own XML (bold, italic, underline, links) or, from old versions, as GTK's
// text-buffer serialisation or plain text. With encryption on, Almanah leaves only
// "diary.db.encrypted", an OpenPGP message, which is not read.

#include "PeerDiary.h"
#include "Progress.h"

namespace drv::peers {

// The message for an encrypted Almanah diary.
QString almanahEncryptedText();

// True when the file starts as an SQLite database does.
bool isSqliteFile(const QString& path);

// Reads diary.db (or the folder that holds it) read-only, in a connection of its own.
// Titles are the first line of the text; tags follow the text on a line of their own.
PeerResult readAlmanah(const QString& path, const QDate& today, const keep::Progress& progress);

// The plain text of one entry as Almanah stores it (format version 1 or 2); false
// when it cannot be read.
bool almanahPlainText(const QByteArray& data, int version, QString& text);

} // namespace drv::peers
