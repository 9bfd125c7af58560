#include "GlyphPainter.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

namespace drv::print {

namespace {

// Japanese fonts put the bottom of the ideographic square 0.12 em below the baseline.
constexpr qreal kBaseline = 0.88;

} // namespace

GlyphPainter::GlyphPainter(const QFont& font, QPaintDevice* device)
    : font_(font), device_(device), metrics_(font, device), em_(metrics_.height())
{
    // The square of a full-width character is the font's size, not its line height.
    const qreal ideograph = metrics_.horizontalAdvance(QChar(0x6C38)); // 永
    if (ideograph > 0) em_ = ideograph;
}

qreal GlyphPainter::advance(QStringView text) const
{
    return metrics_.horizontalAdvance(text.toString());
}

const GlyphPainter::GlyphRef& GlyphPainter::glyphOf(const QString& ch)
{
    auto it = glyphs_.constFind(ch);
    if (it != glyphs_.constEnd()) return *it;
    // The text layout picks the font that holds the character, as horizontal text does.
    GlyphRef ref;
    QTextLayout layout(ch, font_, device_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (!runs.isEmpty() && !runs[0].glyphIndexes().isEmpty()) {
        const QRawFont raw = runs[0].rawFont();
        int at = fonts_.indexOf(raw);
        if (at < 0) {
            at = fonts_.size();
            fonts_ << raw;
        }
        ref.font = at;
        ref.index = runs[0].glyphIndexes()[0];
        ref.advance = raw.advancesForGlyphIndexes({ref.index}).value(0).x();
    }
    return *glyphs_.insert(ch, ref);
}

void GlyphPainter::paint(QPainter& painter, const tate::Column& column, qreal x, qreal top)
{
    const qreal baseline = em_ * kBaseline;
    // Upright glyphs of one font, gathered until the font or the placement changes.
    int runFont = -1;
    QList<quint32> indexes;
    QList<QPointF> positions;
    auto flush = [&] {
        if (indexes.isEmpty()) return;
        QGlyphRun run;
        run.setRawFont(fonts_[runFont]);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
        indexes.clear();
        positions.clear();
    };
    for (const tate::Glyph& g : column.glyphs) {
        const qreal cell = top + g.y;
        switch (g.placement) {
        case tate::Placement::Upright:
        case tate::Placement::Moved: {
            const GlyphRef& ref = glyphOf(g.text);
            if (ref.font < 0) break;
            if (ref.font != runFont) flush();
            runFont = ref.font;
            indexes << ref.index;
            positions << QPointF(x - ref.advance / 2 + g.dx, cell + baseline + g.dy);
            break;
        }
        case tate::Placement::Rotated: {
            flush();
            const GlyphRef& ref = glyphOf(g.text);
            if (ref.font < 0) break;
            QGlyphRun run;
            run.setRawFont(fonts_[ref.font]);
            run.setGlyphIndexes({ref.index});
            run.setPositions({QPointF(-ref.advance / 2, baseline - em_ / 2)});
            painter.save();
            painter.translate(x, cell + g.height / 2);
            painter.rotate(90);
            painter.drawGlyphRun(QPointF(0, 0), run);
            painter.restore();
            break;
        }
        case tate::Placement::Sideways: {
            flush();
            painter.save();
            painter.translate(x, cell);
            painter.rotate(90);
            painter.setFont(font_);
            painter.drawText(QPointF(0, (metrics_.ascent() - metrics_.descent()) / 2), g.text);
            painter.restore();
            break;
        }
        case tate::Placement::Across: {
            flush();
            const qreal width = advance(g.text);
            painter.save();
            painter.setFont(font_);
            painter.translate(x, cell + baseline);
            if (width > em_) painter.scale(em_ / width, 1); // never wider than the column
            painter.drawText(QPointF(-width / 2, 0), g.text);
            painter.restore();
            break;
        }
        }
    }
    flush();
}

} // namespace drv::print
