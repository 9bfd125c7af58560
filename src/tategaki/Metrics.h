#pragma once
// What the vertical layout needs of a font. Printing answers from a real font on the
// page; tests answer with fixed numbers.

#include <QStringView>
#include <QtGlobal>

namespace drv::tate {

class Metrics {
public:
    virtual ~Metrics() = default;
    // The side of a full-width character's square cell.
    virtual qreal em() const = 0;
    // The width of half-width text set horizontally (letters and digits turned sideways
    // take this much of the column).
    virtual qreal advance(QStringView text) const = 0;
};

} // namespace drv::tate
