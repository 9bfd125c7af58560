#pragma once
// Which snapshots of the diary there are and which of them stay: the names of their
// files and the rotation, as plain functions.

#include <QDateTime>
#include <QList>
#include <QString>

namespace drv::keep {

inline constexpr int kNewestKept = 10;

// "dbVesk-20261207.mdb" for the day's own snapshot, "dbVesk-20261207-153012.mdb" for one
// taken at that moment (before a restore).
QString snapshotFileName(const QDateTime& taken, bool daily);
// The moment a file name stands for (a day's own snapshot at its midnight), and whether
// it is a day's own; invalid when the name is not a snapshot's.
QDateTime snapshotTime(const QString& fileName, bool* daily = nullptr);

// The snapshots to delete: all but the 10 newest and, of those taken in the year up to
// today, the newest of each month. Snapshots of a later date than today count as newest.
QList<QDateTime> snapshotsToDrop(const QList<QDateTime>& taken, const QDate& today);

} // namespace drv::keep
