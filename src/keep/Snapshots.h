#pragma once
// Snapshots of the diary in the "backup" folder of the user-data folder: taking one,
// listing them, rotating them, and putting one back in place of the diary.

#include "DiaryFiles.h"
#include "Progress.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace drv::keep {

struct Snapshot {
    QString path;
    QDateTime taken;
    bool daily = true; // the day's own, or one taken before a restore
};

// sUsrFld + "backup/".
QString snapshotFolder();
// The diary: sUsrFld + "dbVesk.mdb".
QString diaryPath();

// The snapshots in the folder, newest first.
QList<Snapshot> listSnapshots(const QString& folder);

enum class SnapshotOutcome { Made, AlreadyToday, Stopped, Failed };

// Copies the diary into the folder (made 0700 when missing) as a file readable by its
// owner only, named for `taken`. A day's own snapshot is not taken when the folder
// already holds one of that day. The file appears whole or not at all.
SnapshotOutcome takeSnapshot(const QString& diary, const QString& folder, const QDateTime& taken,
                             bool daily, const CopyPace& pace, const Progress& progress,
                             QString& made, QString& reason);

// Deletes the snapshots the rotation no longer keeps, and copies left half-made.
void pruneSnapshots(const QString& folder, const QDate& today);

enum class RestoreOutcome { Restored, Stopped, Failed };

// Puts the snapshot in place of the diary: checks the snapshot, snapshots the diary
// as it is now (kept as `before`), closes the store, copies the snapshot over the
// diary in one transaction and opens the store again. Failures give their reason and
// leave the diary as it was, except when the store cannot be opened after the copy
// (the store has shown why). Shows nothing itself.
RestoreOutcome restoreSnapshot(const Snapshot& chosen, const QString& diary, const QString& folder,
                               const QDateTime& now, const Progress& progress, QString& before,
                               QString& reason);

} // namespace drv::keep
