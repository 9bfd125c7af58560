#pragma once
// The character count of every stored day (the status line's count), kept in the search
// index beside each body's terms, so that looking back over a whole diary reads a few
// hundred kilobytes instead of every body.

#include <QList>
#include <QString>

#include <functional>

class QObject;

namespace drv {

struct DayCount {
    QString key; // skYmn
    int chars = 0;
    bool operator==(const DayCount&) const = default;
};

namespace diary {

// Every stored day with its count, in no particular order. From the index when it is in
// step with the diary (after another program's change, waiting a little for the index to
// catch up), the days this copy changed meanwhile counted from their bodies; otherwise
// (the first build still running, no cache folder) by counting every body. Keys that are
// no days are left out.
bool dayCounts(QList<DayCount>& days);

// The same without waiting, for windows. When the index is in step the counts are read
// now, `done` runs before this returns and it returns true. Otherwise it returns false at
// once, and `done` runs later on this thread (unless `context` is gone by then): when the
// worker has caught up with another program's change, or, while the first build runs or
// without an index, when every body has been counted on a thread of its own.
bool requestDayCounts(QObject* context,
                      std::function<void(const QList<DayCount>& days, bool ok)> done);

} // namespace diary
} // namespace drv
