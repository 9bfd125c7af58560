#pragma once
// The year at a glance as one painted widget: twelve months in rows of day squares, each
// shaded by how much was written that day, Sundays and holidays marked as the calendar
// marks them, today and the shown day outlined. Keys move the focused day; a click or
// Return asks for the day to be shown.

#include "DiaryDays.h"
#include "YearGrid.h"

#include <QWidget>

namespace drv {

class YearView final : public QWidget {
    Q_OBJECT

public:
    explicit YearView(QWidget* parent = nullptr);

    // The diary's days; the year's longest entry sets the darkest step.
    void setDays(const lookback::DiaryDays& days);
    // Shows the year of `focused` with that day focused; `shown` is outlined as the main
    // window's day.
    void setFocusedDay(const QDate& focused);
    void setShownDay(const QDate& shown);
    QDate focusedDay() const { return focused_; }
    QDate shownDay() const { return shown_; }
    int year() const { return grid_.year; }
    // The day's square in the widget, for tests.
    QRect dayRect(const QDate& date) const { return grid_.dayRect(date); }
    // The tooltip of a day: 和暦, holiday, title and characters.
    QString toolTipOf(const QDate& date) const;
    // The shading step the day is painted with.
    int stepOf(const QDate& date) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void dayChosen(const QDate& date); // a click or Return
    void yearChanged(int year);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void relayout();
    void paintDay(QPainter& p, const QDate& d) const;

    lookback::DiaryDays days_;
    lookback::YearGrid grid_;
    QDate focused_, shown_;
    int yearMost_ = 0;
};

} // namespace drv
