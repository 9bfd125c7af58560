#pragma once
// One paragraph set in vertical columns of a given height: each character placed in its
// cell, columns broken where they fill, never against the 禁則 rules.

#include "CharClass.h"
#include "Metrics.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace drv::tate {

// What is drawn at one place of a column.
struct Glyph {
    QString text;        // one character; a sideways run or a 縦中横 pair holds several
    Placement placement; // how it stands
    qreal y = 0;         // the top of its cell, from the column's top
    qreal height = 0;    // how much of the column it takes
    qreal dx = 0;        // the shift of a Moved character: right, then up (negative dy)
    qreal dy = 0;
};

struct Column {
    QList<Glyph> glyphs;  // top to bottom
    QString text() const; // the glyphs' text in order, as read
};

// The columns of a paragraph (no line feeds in it) for columns `height` long; an empty
// paragraph is one empty column. A column ends where the next character would not fit;
// it ends earlier so that the next column does not start with a character of isNoStart
// and this one does not end with one of isNoEnd, as long as it keeps one character.
QList<Column> breakParagraph(QStringView text, const Metrics& metrics, qreal height);

// Every paragraph of a text (split at line feeds), one after another.
QList<Column> breakText(QStringView text, const Metrics& metrics, qreal height);

} // namespace drv::tate
