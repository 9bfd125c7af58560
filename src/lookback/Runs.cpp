#include "Runs.h"

#include <algorithm>

namespace drv::lookback {

Runs runsOf(const DiaryDays& days, const QDate& from, const QDate& to)
{
    Runs r;
    int run = 0;
    QDate last;
    const QDate today = days.today();
    const QList<WrittenDay>& all = days.days();
    // Only the days within the bounds are looked at: the figures ask for every month.
    auto it =
        from.isValid()
            ? std::lower_bound(all.cbegin(), all.cend(), from,
                               [](const WrittenDay& d, const QDate& at) { return d.date < at; })
            : all.cbegin();
    for (; it != all.cend() && !(to.isValid() && it->date > to); ++it) {
        run = last.isValid() && last.addDays(1) == it->date ? run + 1 : 1;
        last = it->date;
        r.longest = std::max(r.longest, run);
        // Today's run, when today is written, counts yesterday's days too.
        if (it->date == today || it->date == today.addDays(-1)) r.current = run;
    }
    return r;
}

} // namespace drv::lookback
