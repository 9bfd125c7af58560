#include "PrintOptions.h"

#include <QPageSize>
#include <QSizeF>

#include <algorithm>

namespace drv::print {

QStringList paperNames()
{
    return {QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("B5"), QStringLiteral("B6"),
            QStringLiteral("文庫")};
}

void rangeDates(const RangeChoice& c, QDate& from, QDate& to)
{
    switch (c.range) {
    case Range::ShownDay:
        from = to = c.shown;
        break;
    case Range::ShownMonth:
        from = QDate(c.shown.year(), c.shown.month(), 1);
        to = from.addMonths(1).addDays(-1);
        break;
    case Range::Year:
        from = QDate(c.year, 1, 1);
        to = QDate(c.year, 12, 31);
        break;
    case Range::Every:
        from = c.first.isValid() ? c.first : QDate(2000, 1, 2);
        to = c.last.isValid() ? c.last : QDate(2000, 1, 1);
        break;
    case Range::Between:
        from = std::min(c.from, c.to);
        to = std::max(c.from, c.to);
        break;
    }
}

QPageLayout pageLayoutOf(const PrintOptions& options)
{
    QPageSize size;
    switch (options.paper) {
    case Paper::A4:
        size = QPageSize(QPageSize::A4);
        break;
    case Paper::A5:
        size = QPageSize(QPageSize::A5);
        break;
    case Paper::B5:
        size = QPageSize(QPageSize::JisB5);
        break;
    case Paper::B6:
        size = QPageSize(QPageSize::JisB6);
        break;
    case Paper::Bunko:
        size = QPageSize(QSizeF(105, 148), QPageSize::Millimeter, QStringLiteral("文庫"),
                         QPageSize::ExactMatch);
        break;
    }
    // Small books get narrower margins, large paper no more than 18 mm.
    const QSizeF mm = size.size(QPageSize::Millimeter);
    const qreal margin = std::clamp(std::min(mm.width(), mm.height()) * 0.09, 9.0, 18.0);
    return QPageLayout(size, options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
}

} // namespace drv::print
