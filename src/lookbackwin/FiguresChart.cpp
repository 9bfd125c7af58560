#include "FiguresChart.h"

#include <QPainter>

#include <algorithm>

namespace drv {

FiguresChart::FiguresChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("vChart"));
}

void FiguresChart::setFigures(const lookback::DiaryFigures& figures)
{
    figures_ = figures;
    most_ = 0;
    for (const lookback::YearFigures& y : figures_.years)
        for (const lookback::PeriodFigures& m : y.months)
            most_ = std::max(most_, m.chars);
    updateGeometry();
    update();
}

int FiguresChart::rowHeight() const
{
    return fontMetrics().height() + 6;
}

int FiguresChart::labelWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("0000年")) + 8;
}

QSize FiguresChart::sizeHint() const
{
    return {labelWidth() + 12 * 24, rowHeight() * int(figures_.years.size() + 1)};
}

// Every year's row keeps its height, so that a long diary's chart scrolls instead of being
// cut off at the foot of its scroll area.
QSize FiguresChart::minimumSizeHint() const
{
    return {labelWidth() + 12 * 8, sizeHint().height()};
}

void FiguresChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const int rh = rowHeight(), lw = labelWidth();
    const int monthWidth = std::max(4, (width() - lw - 4) / 12);
    p.setPen(pal.color(QPalette::Text));
    for (int m = 0; m < 12; ++m)
        p.drawText(QRect(lw + m * monthWidth, 0, monthWidth, rh), Qt::AlignCenter,
                   QStringLiteral("%1月").arg(m + 1));
    const QColor bar = pal.color(QPalette::Highlight);
    int row = 1;
    for (auto it = figures_.years.crbegin(); it != figures_.years.crend(); ++it, ++row) {
        const int top = row * rh;
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QRect(0, top, lw - 6, rh), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1年").arg(it->year));
        p.setPen(QColor(pal.color(QPalette::Text).rgba() & 0x30ffffff));
        p.drawLine(lw, top + rh - 1, lw + 12 * monthWidth, top + rh - 1);
        for (int m = 0; m < 12; ++m) {
            const qint64 c = it->months[m].chars;
            if (c <= 0 || most_ <= 0) continue;
            const int h = std::max(1, int((rh - 3) * c / most_));
            p.fillRect(QRect(lw + m * monthWidth + 2, top + rh - 1 - h, monthWidth - 4, h), bar);
        }
    }
}

} // namespace drv
