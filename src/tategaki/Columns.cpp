#include "Columns.h"

namespace drv::tate {

namespace {

// One piece that never breaks: a character, a sideways run or a 縦中横 pair.
struct Unit {
    Glyph glyph;
    char32_t first = 0;
    char32_t last = 0;
};

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool isMark(char32_t c)
{
    return c == U'、' || c == U'。' || c == U'，' || c == U'．';
}

// A half-width run goes on through blanks between its letters, not past its ends.
qsizetype runEnd(QStringView text, qsizetype from)
{
    qsizetype end = from;
    for (qsizetype i = from; i < text.size(); ++i) {
        const char32_t c = text[i].unicode();
        if (isHalfWidth(c))
            end = i + 1;
        else if (c != U' ')
            break;
    }
    return end;
}

// A sideways run longer than a column is cut where the column fills.
void addRun(QList<Unit>& units, QStringView run, const Metrics& m, qreal height)
{
    bool digits = run.size() <= 2;
    for (QChar d : run)
        digits = digits && isDigit(d.unicode());
    if (digits) {
        Unit u{{run.toString(), Placement::Across, 0, m.em()},
               run.front().unicode(),
               run.back().unicode()};
        units << u;
        return;
    }
    while (!run.isEmpty()) {
        qsizetype n = run.size();
        while (n > 1 && m.advance(run.first(n)) > height)
            --n;
        const QStringView piece = run.first(n);
        Unit u{{piece.toString(), Placement::Sideways, 0, m.advance(piece)},
               piece.front().unicode(),
               piece.back().unicode()};
        units << u;
        run = run.sliced(n);
    }
}

QList<Unit> unitsOf(QStringView text, const Metrics& m, qreal height)
{
    const qreal em = m.em();
    QList<Unit> units;
    qsizetype i = 0;
    while (i < text.size()) {
        char32_t c = text[i].unicode();
        if (isHalfWidth(c)) {
            const qsizetype end = runEnd(text, i);
            addRun(units, text.sliced(i, end - i), m, height);
            i = end;
            continue;
        }
        qsizetype next = i + 1;
        if (text[i].isHighSurrogate() && next < text.size() && text[next].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[next]);
            ++next;
        }
        Unit u{{text.sliced(i, next - i).toString(), placementOf(c), 0, em}, c, c};
        if (c == U' ') u.glyph.height = em / 2;
        if (u.glyph.placement == Placement::Moved) {
            // 、。 sit in the lower left of a horizontal cell and belong in the upper
            // right of a vertical one; small kana move up and right a little.
            const qreal shift = isMark(c) ? em * 0.6 : em * 0.1;
            u.glyph.dx = shift;
            u.glyph.dy = -shift;
        }
        units << u;
        i = next;
    }
    return units;
}

Column columnOf(const QList<Unit>& units, qsizetype from, qsizetype to)
{
    Column col;
    qreal y = 0;
    for (qsizetype i = from; i < to; ++i) {
        Glyph g = units[i].glyph;
        g.y = y;
        y += g.height;
        col.glyphs << g;
    }
    return col;
}

} // namespace

QString Column::text() const
{
    QString s;
    for (const Glyph& g : glyphs)
        s += g.text;
    return s;
}

QList<Column> breakParagraph(QStringView text, const Metrics& metrics, qreal height)
{
    const QList<Unit> units = unitsOf(text, metrics, height);
    QList<Column> columns;
    qsizetype start = 0;
    qreal y = 0;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const qreal h = units[i].glyph.height;
        if (y + h > height && i > start) {
            qsizetype cut = i;
            while (cut - 1 > start && (isNoStart(units[cut].first) || isNoEnd(units[cut - 1].last)))
                --cut;
            columns << columnOf(units, start, cut);
            start = cut;
            y = 0;
            for (qsizetype k = cut; k < i; ++k)
                y += units[k].glyph.height;
        }
        y += h;
    }
    columns << columnOf(units, start, units.size());
    return columns;
}

QList<Column> breakText(QStringView text, const Metrics& metrics, qreal height)
{
    QList<Column> columns;
    for (QStringView paragraph : text.split(u'\n')) {
        if (paragraph.endsWith(u'\r')) paragraph.chop(1);
        columns << breakParagraph(paragraph, metrics, height);
    }
    return columns;
}

} // namespace drv::tate
