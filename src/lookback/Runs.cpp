#include "Runs.h"

#include <algorithm>

namespace drv::lookback {

Runs runsOf(const DiaryDays& days, const QDate& from, const QDate& to)
{
    Runs r;
    int run = 0;
    QDate last;
    const QDate today = days.today();
    for (const WrittenDay& d : days.days()) {
        if ((from.isValid() && d.date < from) || (to.isValid() && d.date > to)) continue;
        run = last.isValid() && last.addDays(1) == d.date ? run + 1 : 1;
        last = d.date;
        r.longest = std::max(r.longest, run);
        // Today's run, when today is written, counts yesterday's days too.
        if (d.date == today || d.date == today.addDays(-1)) r.current = run;
    }
    return r;
}

} // namespace drv::lookback
