#pragma once
// The written days of a diary with their character counts, by date: what looking back
// over a diary (the year at a glance, the figures) is computed from.

#include "DayCounts.h"

#include <QDate>
#include <QHash>
#include <QList>

#include <functional>

namespace drv::lookback {

struct WrittenDay {
    QDate date;
    int chars = 0;
};

class DiaryDays {
public:
    DiaryDays() = default;
    // The counted days placed in the century window of `today`; keys that are no real
    // days are left out.
    DiaryDays(const QList<DayCount>& counts, const QDate& today);
    // Days given by date, for tests and tools.
    DiaryDays(QList<WrittenDay> days, const QDate& today);

    // By date, oldest first.
    const QList<WrittenDay>& days() const { return days_; }
    const QDate& today() const { return today_; }
    bool isEmpty() const { return days_.isEmpty(); }
    bool written(const QDate& d) const { return at_.contains(d.toJulianDay()); }
    // The day's count; -1 when the day holds no entry.
    int charsOn(const QDate& d) const { return at_.value(d.toJulianDay(), -1); }
    // The days of a year, oldest first.
    QList<WrittenDay> ofYear(int year) const;

private:
    void index();

    QList<WrittenDay> days_;
    QHash<qint64, int> at_; // Julian day -> count
    QDate today_;
};

// The open diary's days, from the counts kept beside the search index.
bool loadDiaryDays(DiaryDays& out);
// The same without waiting: true when `done` ran at once, false when it runs later on this
// thread, once the counts are read (see diary::requestDayCounts).
bool requestDiaryDays(QObject* context, std::function<void(const DiaryDays& days, bool ok)> done);

} // namespace drv::lookback
