#include "YearView.h"

#include "CalendarGrid.h"
#include "DateKey.h"
#include "Diary.h"
#include "Era.h"
#include "Holidays.h"
#include "Shading.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace drv {

namespace {

// The calendar's tones: Sundays and holidays red, Saturdays blue.
constexpr QRgb kSundayColour = qRgb(220, 30, 30);
constexpr QRgb kSaturdayColour = qRgb(30, 80, 230);

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

} // namespace

YearView::YearView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("vYear"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    relayout();
}

void YearView::relayout()
{
    const QFontMetrics fm(font());
    grid_.cell = std::max(14, fm.height() + 4);
    grid_.gap = std::max(2, grid_.cell / 8);
    grid_.headerHeight = fm.height() + 2;
    grid_.labelWidth = fm.horizontalAdvance(QStringLiteral("12月")) + fm.averageCharWidth() * 2;
    updateGeometry();
    update();
}

void YearView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange) relayout();
    if (e->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(e);
}

QSize YearView::sizeHint() const
{
    return grid_.size() + QSize(2, 2);
}

void YearView::setDays(const lookback::DiaryDays& days)
{
    days_ = days;
    const int y = grid_.year;
    grid_.year = 0;
    setFocusedDay(focused_.isValid() ? focused_ : QDate(y, 1, 1));
    update();
}

void YearView::setFocusedDay(const QDate& focused)
{
    if (!focused.isValid()) return;
    focused_ = focused;
    if (focused.year() != grid_.year) {
        grid_.year = focused.year();
        yearMost_ = 0;
        for (const lookback::WrittenDay& d : days_.ofYear(grid_.year))
            yearMost_ = std::max(yearMost_, d.chars);
        Q_EMIT yearChanged(grid_.year);
    }
    update();
}

void YearView::setShownDay(const QDate& shown)
{
    shown_ = shown;
    update();
}

int YearView::stepOf(const QDate& date) const
{
    return lookback::shadeStep(days_.charsOn(date), yearMost_);
}

QString YearView::toolTipOf(const QDate& date) const
{
    QStringList lines{jp::eraDateText(date)};
    const QString holiday = jp::holidayName(date);
    if (!holiday.isEmpty()) lines << holiday;
    const int chars = days_.charsOn(date);
    if (chars >= 0) {
        QString title, body;
        if (diary::read(DateKey::fromDate(date), title, body) && !title.isEmpty()) lines << title;
        lines << QStringLiteral("%1 文字").arg(QLocale(QLocale::Japanese).toString(chars));
    } else {
        lines << QStringLiteral("記入なし");
    }
    return lines.join(u'\n');
}

void YearView::paintDay(QPainter& p, const QDate& d) const
{
    const QRect r = grid_.dayRect(d);
    const QPalette& pal = palette();
    const QColor base = pal.color(QPalette::Base), text = pal.color(QPalette::Text);
    // Lightness alone tells the steps apart: from the base colour towards the text colour,
    // a little tinted by the highlight, in a light or a dark palette alike.
    const QColor ink = mix(text, pal.color(QPalette::Highlight), 0.35);
    const int step = stepOf(d);
    QColor fill = step == 0 ? mix(base, text, 0.06) : mix(base, ink, 0.2 + 0.8 * step / 4.0);
    p.fillRect(r, fill);
    // A Sunday or holiday, or a Saturday, keeps the calendar's colour as a bar on top.
    const int column = calendar::weekColumn(d);
    const bool red = column == 0 || !jp::holidayName(d).isEmpty();
    if (red || column == 6) {
        const int h = std::max(2, r.height() / 5);
        p.fillRect(QRect(r.left(), r.top(), r.width(), h),
                   QColor(red ? kSundayColour : kSaturdayColour));
    }
}

void YearView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    p.setPen(pal.color(QPalette::WindowText));
    for (int m = 1; m <= 12; ++m)
        p.drawText(grid_.monthLabelRect(m), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1月").arg(m));
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
    p.setFont(small);
    for (int day = 1; day <= 31; ++day)
        if (day == 1 || day % 5 == 0)
            p.drawText(grid_.dayNumberRect(day), Qt::AlignCenter, QString::number(day));
    p.setFont(font());
    for (QDate d(grid_.year, 1, 1); d.year() == grid_.year; d = d.addDays(1))
        paintDay(p, d);
    // Outlines: today solid, the main window's day in the highlight colour, the focused day
    // dotted while the view has the focus.
    auto outline = [&](const QDate& d, const QColor& c, Qt::PenStyle style, int width) {
        const QRect r = grid_.dayRect(d);
        if (r.isEmpty()) return;
        QPen pen(c, width, style);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
    };
    const int w = std::max(2, grid_.cell / 9);
    outline(days_.today(), pal.color(QPalette::WindowText), Qt::SolidLine, w);
    // The shown day: a highlight frame with a base-coloured one inside, seen on any shade.
    outline(shown_, pal.color(QPalette::Highlight), Qt::SolidLine, w + 1);
    const QRect inner = grid_.dayRect(shown_).adjusted(w + 1, w + 1, -(w + 1), -(w + 1));
    if (!inner.isEmpty()) {
        p.setPen(QPen(pal.color(QPalette::Base), 1));
        p.drawRect(QRectF(inner).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (hasFocus()) outline(focused_, pal.color(QPalette::WindowText), Qt::DotLine, 1);
}

bool YearView::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QDate d = grid_.dateAt(help->pos());
        if (d.isValid())
            QToolTip::showText(help->globalPos(), toolTipOf(d), this, grid_.dayRect(d));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void YearView::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left:
        setFocusedDay(lookback::stepDay(focused_, -1, 0));
        break;
    case Qt::Key_Right:
        setFocusedDay(lookback::stepDay(focused_, 1, 0));
        break;
    case Qt::Key_Up:
        setFocusedDay(lookback::stepDay(focused_, 0, -1));
        break;
    case Qt::Key_Down:
        setFocusedDay(lookback::stepDay(focused_, 0, 1));
        break;
    case Qt::Key_PageUp:
        setFocusedDay(lookback::stepDay(focused_, 0, -12));
        break;
    case Qt::Key_PageDown:
        setFocusedDay(lookback::stepDay(focused_, 0, 12));
        break;
    case Qt::Key_Home:
        setFocusedDay(days_.today());
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT dayChosen(focused_);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void YearView::mousePressEvent(QMouseEvent* e)
{
    const QDate d = grid_.dateAt(e->position().toPoint());
    if (e->button() != Qt::LeftButton || !d.isValid()) return QWidget::mousePressEvent(e);
    setFocusedDay(d);
    Q_EMIT dayChosen(d);
}

} // namespace drv
