#pragma once
// The month calendar of the main window: one to three consecutive months side by side,
// a selected date, today's mark and the days that hold an entry in bold.

#include <QDate>
#include <QRect>
#include <QSet>
#include <QWidget>

class QToolButton;

namespace drv {

// What can be decided without a window: the day grid of a month, which grid days are
// drawn, where the display goes when the selection moves, and where each day sits.
namespace calendar {

constexpr int kWeeks = 6;
constexpr int kWeekDays = 7;
constexpr int kCells = kWeeks * kWeekDays;
constexpr int kMinMonths = 1;
constexpr int kMaxMonths = 3;

QDate firstOfMonth(QDate date);

// Date of the top-left cell of the month's 6×7 grid. Weeks start on Sunday and the 1st
// always sits in the first row, so the last row is never needed by a month alone.
QDate gridStart(QDate month);

// Sunday = 0 … Saturday = 6.
int weekColumn(QDate date);

// Whether grid cell `date` of `month`, shown as block `index` of `count`, is drawn. Days of
// the neighbouring months appear only before the first block and after the last one, so
// that no date is drawn twice.
bool isDrawn(QDate month, int index, int count, QDate date);

// The first month to show once `selected` is the selected date: the display stays when the
// date is within the `count` months from `firstShown`, otherwise it starts at its month.
QDate followSelection(QDate firstShown, int count, QDate selected);

// Pixel layout of the blocks, from the font's sizes.
struct Metrics {
    int margin = 2;
    int gap = 8; // between two month blocks
    int titleHeight = 20;
    int headerHeight = 16;
    int cellWidth = 20;
    int cellHeight = 16;

    int monthWidth() const { return kWeekDays * cellWidth; }
    QSize size(int count) const;
    QRect titleRect(int index) const;
    QRect headerRect(int index, int column) const;
    QRect cellRect(int index, int cell) const;
    // The block and grid cell under `p`; false over margins, titles, headers and gaps.
    bool cellAt(QPoint p, int count, int& index, int& cell) const;
};

// The drawn date under `p`, or an invalid date.
QDate dateAt(const Metrics& m, QDate firstShown, int count, QPoint p);
// Where `date` is drawn, or an empty rectangle when it is not shown.
QRect dateRect(const Metrics& m, QDate firstShown, int count, QDate date);

} // namespace calendar

class MonthCalendar : public QWidget {
    Q_OBJECT

public:
    explicit MonthCalendar(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MonthCalendar)

    QDate selectedDate() const { return selected_; }
    // Moves the selection without emitting dateClicked; invalid dates are ignored.
    void setSelectedDate(QDate date);

    // The calendar never reads the clock; until a selection is set, today becomes it.
    QDate today() const { return today_; }
    void setToday(QDate date);

    // 1 to 3; other values are clamped. The widget resizes itself to its new size.
    int monthColumns() const { return count_; }
    void setMonthColumns(int count);

    // The 1st of the leftmost shown month (invalid until a date is selected).
    QDate firstShownMonth() const { return first_; }

    // Days drawn in bold. The set may hold dates of any month; it is kept across
    // month changes until replaced.
    const QSet<QDate>& boldDays() const { return bold_; }
    void setBoldDays(const QSet<QDate>& days);

    // Where a shown date is drawn, in widget coordinates; empty when it is not shown.
    QRect dateRect(QDate date) const;
    QDate dateAt(QPoint pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user picked a date: a click on a day, the month buttons or the keyboard.
    // The selected date is already `date` when this is emitted.
    void dateClicked(QDate date);
    // The shown months changed; a chance to supply their bold days.
    void visibleMonthsChanged(QDate firstMonth, int count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void select(QDate date);
    void pick(QDate date);
    void stepMonths(int months);
    void showFrom(QDate firstMonth);
    void relayout();
    void paintMonth(QPainter& p, int index) const;

    calendar::Metrics metrics_;
    QDate selected_;
    QDate today_;
    QDate first_;
    int count_ = 1;
    QSet<QDate> bold_;
    QToolButton* prev_ = nullptr;
    QToolButton* next_ = nullptr;
};

} // namespace drv
