#include "PrintEntries.h"

#include "DateKey.h"
#include "Diary.h"
#include "Platform.h"

namespace drv::print {

bool readEntries(const QDate& from, const QDate& to, QList<PrintEntry>& entries)
{
    entries.clear();
    if (!from.isValid() || !to.isValid() || to < from) return true;
    const QDate today = services().clock->today();
    // Month by month: a month's keys never span two centuries, so their order is date order.
    for (QDate month(from.year(), from.month(), 1); month <= to; month = month.addMonths(1)) {
        QList<DiaryEntry> rows;
        if (!diary::monthEntries(DateKey::monthPrefix(month), rows)) return false;
        for (const DiaryEntry& row : rows) {
            PrintEntry e;
            e.date = DateKey::toDate(row.skYmn, today);
            if (!e.date.isValid() || e.date < from || e.date > to) continue;
            if (!diary::read(row.skYmn, e.title, e.body)) return false;
            entries << e;
        }
    }
    return true;
}

bool storedDays(QDate& first, QDate& last)
{
    QString a, b;
    if (!diary::firstDay(a) || !diary::lastDay(b) || a.isEmpty() || b.isEmpty()) return false;
    const QDate today = services().clock->today();
    first = DateKey::toDate(a, today);
    last = DateKey::toDate(b, today);
    return first.isValid() && last.isValid();
}

} // namespace drv::print
