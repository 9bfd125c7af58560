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

// The characters of an entry of format 2 read by Qt's XML reader: the words of the
// markup, a link's address after its words when the two differ; false when it is no
// well-formed XML.
bool almanahXmlText(const QByteArray& xml, QString& text);
// The same without an XML reader, for entry XML as Almanah writes it (its declaration
// and root, text with the named entities and elements without attributes); false, with
// nothing said, for anything else, which almanahXmlText must read.
bool quickAlmanahText(const QByteArray& xml, QString& text);

} // namespace drv::peers
