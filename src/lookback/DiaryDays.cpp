#include "DiaryDays.h"

#include "DateKey.h"
#include "Platform.h"

#include <algorithm>

namespace drv::lookback {

DiaryDays::DiaryDays(const QList<DayCount>& counts, const QDate& today) : today_(today)
{
    days_.reserve(counts.size());
    for (const DayCount& c : counts) {
        const QDate d = DateKey::toDate(c.key, today);
        if (d.isValid()) days_.append({d, c.chars});
    }
    index();
}

DiaryDays::DiaryDays(QList<WrittenDay> days, const QDate& today)
    : days_(std::move(days)), today_(today)
{
    index();
}

void DiaryDays::index()
{
    std::sort(days_.begin(), days_.end(),
              [](const WrittenDay& a, const WrittenDay& b) { return a.date < b.date; });
    at_.reserve(days_.size());
    for (const WrittenDay& d : days_)
        at_.insert(d.date.toJulianDay(), d.chars);
}

QList<WrittenDay> DiaryDays::ofYear(int year) const
{
    const auto from =
        std::lower_bound(days_.cbegin(), days_.cend(), QDate(year, 1, 1),
                         [](const WrittenDay& d, const QDate& at) { return d.date < at; });
    const auto to =
        std::lower_bound(from, days_.cend(), QDate(year + 1, 1, 1),
                         [](const WrittenDay& d, const QDate& at) { return d.date < at; });
    return QList<WrittenDay>(from, to);
}

bool loadDiaryDays(DiaryDays& out)
{
    QList<DayCount> counts;
    const bool ok = diary::dayCounts(counts);
    out = DiaryDays(counts, services().clock->today());
    return ok;
}

bool requestDiaryDays(QObject* context, std::function<void(const DiaryDays& days, bool ok)> done)
{
    return diary::requestDayCounts(
        context, [done = std::move(done)](const QList<DayCount>& counts, bool ok) {
            done(DiaryDays(counts, services().clock->today()), ok);
        });
}

} // namespace drv::lookback
