#include "MonthCalendar.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <array>

namespace drv {

namespace {

const std::array<QString, calendar::kWeekDays> kWeekdayNames{
    QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
    QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};

const QColor kSundayColor(0xc0, 0x10, 0x10);
const QColor kSaturdayColor(0x10, 0x40, 0xc0);

QString monthTitle(QDate month)
{
    return QStringLiteral("%1年%2月").arg(month.year()).arg(month.month());
}

QFont boldOf(QFont font)
{
    font.setBold(true);
    return font;
}

// Bold digits are measured so that a day turning bold never changes the size.
calendar::Metrics metricsFor(const QFont& font)
{
    const QFontMetrics fm(font);
    const QFontMetrics bold(boldOf(font));
    const int pad = std::max(2, fm.height() / 4);

    calendar::Metrics m;
    m.margin = pad;
    m.gap = 3 * pad;
    m.cellHeight = bold.height() + pad;
    m.headerHeight = fm.height() + pad;
    m.titleHeight = bold.height() + 2 * pad;
    int widest = bold.horizontalAdvance(QStringLiteral("00"));
    for (const QString& name : kWeekdayNames)
        widest = std::max(widest, fm.horizontalAdvance(name));
    m.cellWidth = widest + 2 * pad;
    // The title and a month button on each side must fit above the grid.
    const int title =
        bold.horizontalAdvance(monthTitle(QDate(2000, 12, 1))) + 2 * (m.titleHeight + pad);
    m.cellWidth = std::max(m.cellWidth, (title + calendar::kWeekDays - 1) / calendar::kWeekDays);
    return m;
}

QColor toneColor(calendar::DayTone tone, const QColor& normal)
{
    switch (tone) {
    case calendar::DayTone::Sunday:
        return kSundayColor;
    case calendar::DayTone::Saturday:
        return kSaturdayColor;
    default:
        return normal;
    }
}

} // namespace

MonthCalendar::MonthCalendar(QWidget* parent)
    : QWidget(parent), prev_(new QToolButton(this)), next_(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);

    prev_->setObjectName(QStringLiteral("prevMonth"));
    next_->setObjectName(QStringLiteral("nextMonth"));
    prev_->setArrowType(Qt::LeftArrow);
    next_->setArrowType(Qt::RightArrow);
    prev_->setToolTip(QStringLiteral("前の月"));
    next_->setToolTip(QStringLiteral("次の月"));
    for (QToolButton* b : {prev_, next_}) {
        b->setAutoRaise(true);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus); // the keyboard stays with the days
    }
    connect(prev_, &QToolButton::clicked, this, [this] { stepMonths(-1); });
    connect(next_, &QToolButton::clicked, this, [this] { stepMonths(1); });
    relayout();
}

void MonthCalendar::setSelectedDate(QDate date)
{
    if (date.isValid()) select(date);
}

void MonthCalendar::setToday(QDate date)
{
    today_ = date;
    if (!selected_.isValid()) setSelectedDate(date);
    update();
}

void MonthCalendar::setMonthColumns(int count)
{
    count = std::clamp(count, calendar::kMinMonths, calendar::kMaxMonths);
    if (count == count_) return;
    count_ = count;
    relayout();
    if (!selected_.isValid()) return;
    // Fewer columns may hide the selected date; the display then starts at its month.
    first_ = calendar::followSelection(first_, count_, selected_);
    Q_EMIT visibleMonthsChanged(first_, count_);
}

void MonthCalendar::setBoldDays(const QSet<QDate>& days)
{
    bold_ = days;
    update();
}

QRect MonthCalendar::dateRect(QDate date) const
{
    return calendar::dateRect(metrics_, first_, count_, date);
}

QDate MonthCalendar::dateAt(QPoint pos) const
{
    return calendar::dateAt(metrics_, first_, count_, pos);
}

QSize MonthCalendar::sizeHint() const
{
    return metrics_.size(count_);
}

QSize MonthCalendar::minimumSizeHint() const
{
    return sizeHint();
}

void MonthCalendar::select(QDate date)
{
    selected_ = date;
    showFrom(calendar::followSelection(first_.isValid() ? first_ : calendar::firstOfMonth(date),
                                       count_, date));
    update();
}

void MonthCalendar::pick(QDate date)
{
    if (!date.isValid()) return;
    select(date);
    Q_EMIT dateClicked(date);
}

// The display and the selection move together, as on a paper calendar turned by a page.
void MonthCalendar::stepMonths(int months)
{
    if (!selected_.isValid()) return;
    selected_ = selected_.addMonths(months); // a day past the month's end becomes its last day
    showFrom(first_.addMonths(months));
    update();
    Q_EMIT dateClicked(selected_);
}

void MonthCalendar::showFrom(QDate firstMonth)
{
    if (firstMonth == first_) return;
    first_ = firstMonth;
    Q_EMIT visibleMonthsChanged(first_, count_);
}

void MonthCalendar::relayout()
{
    metrics_ = metricsFor(font());
    const int side = metrics_.titleHeight - 2;
    const QRect left = metrics_.titleRect(0);
    const QRect right = metrics_.titleRect(count_ - 1);
    prev_->setGeometry(left.left(), left.top() + 1, side, side);
    next_->setGeometry(right.right() + 1 - side, right.top() + 1, side, side);
    updateGeometry();
    resize(sizeHint());
    update();
}

std::optional<calendar::DayCell> MonthCalendar::cellAt(QPoint pos) const
{
    const QDate date = dateAt(pos);
    if (!date.isValid()) return std::nullopt;
    for (int index = 0; index < count_; ++index)
        for (const calendar::DayCell& c :
             calendar::monthCells(metrics_, first_, index, count_, selected_, today_, bold_))
            if (c.date == date) return c;
    return std::nullopt;
}

bool MonthCalendar::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<calendar::DayCell> cell = cellAt(help->pos());
    if (cell && !cell->holiday.isEmpty()) {
        // Tied to the day's square, so that the tip goes as soon as the mouse leaves it.
        QToolTip::showText(help->globalPos(), cell->holiday, this, cell->rect);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void MonthCalendar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (!first_.isValid()) return;
    for (int index = 0; index < count_; ++index)
        paintMonth(p, index);
}

void MonthCalendar::paintMonth(QPainter& p, int index) const
{
    const QDate month = first_.addMonths(index);
    const QColor text = palette().color(QPalette::Text);
    const QFont normal = font();
    const QFont bold = boldOf(normal);

    p.setFont(bold);
    p.setPen(text);
    p.drawText(metrics_.titleRect(index), Qt::AlignCenter, monthTitle(month));

    p.setFont(normal);
    for (int column = 0; column < calendar::kWeekDays; ++column) {
        p.setPen(toneColor(calendar::weekdayTone(column), text));
        p.drawText(metrics_.headerRect(index, column), Qt::AlignCenter, kWeekdayNames[column]);
    }
    const QRect header = metrics_.headerRect(index, 0);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(header.left(), header.bottom(), header.left() + metrics_.monthWidth() - 1,
               header.bottom());

    const QColor other = palette().color(QPalette::Disabled, QPalette::Text);
    for (const calendar::DayCell& c :
         calendar::monthCells(metrics_, first_, index, count_, selected_, today_, bold_)) {
        const QRect& r = c.rect;
        QColor pen = c.tone == calendar::DayTone::OtherMonth ? other : toneColor(c.tone, text);
        if (c.selected) {
            p.fillRect(r.adjusted(1, 1, -1, -1), palette().highlight());
            pen = palette().color(QPalette::HighlightedText);
            if (hasFocus()) {
                p.setPen(QPen(pen, 1, Qt::DotLine));
                p.drawRect(r.adjusted(2, 2, -3, -3));
            }
        }
        if (c.today) {
            p.setPen(QPen(kSundayColor, 1));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        p.setFont(c.bold ? bold : normal);
        p.setPen(pen);
        p.drawText(r, Qt::AlignCenter, QString::number(c.date.day()));
    }
}

void MonthCalendar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QDate date = dateAt(event->position().toPoint());
    if (!date.isValid()) return QWidget::mousePressEvent(event);
    pick(date);
}

void MonthCalendar::keyPressEvent(QKeyEvent* event)
{
    if (!selected_.isValid() || event->modifiers() & ~Qt::KeypadModifier)
        return QWidget::keyPressEvent(event);
    const QDate d = selected_;
    switch (event->key()) {
    case Qt::Key_Left:
        return pick(d.addDays(-1));
    case Qt::Key_Right:
        return pick(d.addDays(1));
    case Qt::Key_Up:
        return pick(d.addDays(-calendar::kWeekDays));
    case Qt::Key_Down:
        return pick(d.addDays(calendar::kWeekDays));
    case Qt::Key_PageUp:
        return pick(d.addMonths(-1));
    case Qt::Key_PageDown:
        return pick(d.addMonths(1));
    case Qt::Key_Home:
        return pick(calendar::firstOfMonth(d));
    case Qt::Key_End:
        return pick(calendar::firstOfMonth(d).addMonths(1).addDays(-1));
    default:
        return QWidget::keyPressEvent(event);
    }
}

void MonthCalendar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) relayout();
    QWidget::changeEvent(event);
}

} // namespace drv
