#pragma once
// Paints vertical columns in one font on one page device: upright characters gathered
// into glyph runs (one call a run, which keeps a year of pages fast), turned and moved
// ones placed one by one, in reading order so that text pulled out of a PDF reads right.

#include "Columns.h"
#include "Metrics.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QRawFont>

class QPainter;
class QPaintDevice;

namespace drv::print {

class GlyphPainter final : public tate::Metrics {
public:
    GlyphPainter(const QFont& font, QPaintDevice* device);

    qreal em() const override { return em_; }
    qreal advance(QStringView text) const override;

    // Paints a column whose cells are centred on x and start at top.
    void paint(QPainter& painter, const tate::Column& column, qreal x, qreal top);

private:
    struct GlyphRef {
        int font = -1; // into fonts_; -1 when no font holds the character
        quint32 index = 0;
        qreal advance = 0;
    };
    const GlyphRef& glyphOf(const QString& ch);

    QFont font_;
    QPaintDevice* device_;
    QFontMetricsF metrics_;
    qreal em_;
    QHash<QString, GlyphRef> glyphs_;
    QList<QRawFont> fonts_;
};

} // namespace drv::print
