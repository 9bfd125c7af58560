#pragma once
// The body's text as the editor hands it out: cleaned on read, and whether drawing it
// needs shaping.

#include <QString>
#include <QStringView>

namespace drv {

// The body as it is saved: blanks (the space and the ideographic space U+3000) and line
// feeds go from both ends, in any mix; carriage returns, tabs and everything between
// the ends stay. Apostrophes and double quotes stay: the store binds its values.
QString cleanedText(const QString& s);

// The document's text with its paragraph and line separators as line feeds. Unlike
// QTextDocument::toPlainText, no-break spaces are kept as typed.
QString plainFromDocument(const QString& rawDocumentText);

// Whether the look of the text depends on shaping: combining marks and variation
// selectors, format characters such as the zero-width joiner, flag and skin-tone emoji,
// or any script besides Latin, Greek, Cyrillic, kana and kanji. Text without them is
// drawn glyph by glyph alike, and laid out several times faster that way.
bool needsShaping(QStringView text);

} // namespace drv
