#pragma once
// The body editor's rules that need no window: cleaning the text on read, font-size
// rounding, twips, the editor's placement and the names of the edit actions.

#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

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

// Rounds to the nearest whole number, halves to the even neighbour (10.5 -> 10, 11.5 -> 12).
int roundHalfEven(double value);

// 1440 twips to the inch; dpi is the screen's logical resolution (15 twips a pixel at 96).
int twipsToPixels(int twips, double dpi);
int pixelsToTwips(int pixels, double dpi);

// Where the editing widget sits inside a component of the given client size: 60 twips
// from the left, 100 from the top, 40 from the right and 50 from the bottom. A component
// smaller than its margins gives the widget no width or no height.
QRect editorGeometry(QSize clientPixels, double dpiX, double dpiY);

enum class TxAction { Restore, Undo, Redo, Cut, Copy, Paste, CopyAll, SelectAll, Find };

// The action of a name, compared exactly (case, width and kana); none for any other text,
// such as a menu caption that still carries its "(&F)".
std::optional<TxAction> txActionFor(const QString& name);

} // namespace drv
