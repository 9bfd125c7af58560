#pragma once
// The month calendar of the main window: one to three consecutive months side by side,
// a selected date, today's mark, the days that hold an entry in bold and the public
// holidays in red, each named in its tooltip.

#include "CalendarGrid.h"

#include <QDate>
#include <QRect>
#include <QSet>
#include <QWidget>

#include <optional>

class QToolButton;

namespace drv {

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
    bool event(QEvent* event) override;
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
    // The drawn day under `pos`, as it is painted.
    std::optional<calendar::DayCell> cellAt(QPoint pos) const;

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
