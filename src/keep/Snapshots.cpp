#include "Snapshots.h"

#include "Globals.h"
#include "SnapshotPolicy.h"
#include "Store.h"
#include "SyncedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace drv::keep {

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kOwnerFolder = kOwnerOnly | QFileDevice::ExeOwner;

bool makeFolder(const QString& folder, QString& reason)
{
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, kOwnerFolder)) {
        reason = QStringLiteral("フォルダ %1 を作れません").arg(folder);
        return false;
    }
    return true;
}

void removeCopy(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// An unused name for a snapshot of that moment.
QString freeName(const QString& folder, QDateTime taken, bool daily)
{
    QString name = snapshotFileName(taken, daily);
    while (!daily && QFileInfo::exists(folder + name)) {
        taken = taken.addSecs(1);
        name = snapshotFileName(taken, daily);
    }
    return name;
}

} // namespace

QString snapshotFolder()
{
    return sUsrFld + QStringLiteral("backup/");
}

QString diaryPath()
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

QList<Snapshot> listSnapshots(const QString& folder)
{
    QList<Snapshot> list;
    const QStringList names = QDir(folder).entryList({QStringLiteral("dbVesk-*.mdb")}, QDir::Files);
    for (const QString& name : names) {
        Snapshot s;
        s.taken = snapshotTime(name, &s.daily);
        if (!s.taken.isValid()) continue;
        s.path = QDir(folder).filePath(name);
        list << s;
    }
    std::sort(list.begin(), list.end(),
              [](const Snapshot& a, const Snapshot& b) { return a.taken > b.taken; });
    return list;
}

SnapshotOutcome takeSnapshot(const QString& diary, const QString& folder, const QDateTime& taken,
                             bool daily, const CopyPace& pace, const Progress& progress,
                             QString& made, QString& reason)
{
    made.clear();
    if (!makeFolder(folder, reason)) return SnapshotOutcome::Failed;
    const QList<Snapshot> existing = listSnapshots(folder);
    if (daily && std::any_of(existing.begin(), existing.end(), [&](const Snapshot& s) {
            return s.daily && s.taken.date() == taken.date();
        }))
        return SnapshotOutcome::AlreadyToday;
    const QString target = folder + freeName(folder, taken, daily);
    // Each running copy of the program writes a part of its own.
    const QString part = target + u'.' + QString::number(QCoreApplication::applicationPid()) +
                         QStringLiteral(".part");
    removeCopy(part);
    {
        QFile empty(part);
        if (!empty.open(QIODevice::WriteOnly) || !empty.setPermissions(kOwnerOnly)) {
            reason = QStringLiteral("%1 に書き込めません").arg(folder);
            return SnapshotOutcome::Failed;
        }
    }
    bool stopped = false;
    if (!copyDiaryFile(diary, part, pace, progress, stopped, reason)) {
        removeCopy(part);
        return stopped ? SnapshotOutcome::Stopped : SnapshotOutcome::Failed;
    }
    // rename() never replaces a file: a day's snapshot made meanwhile by another copy stays.
    if (!renameSynced(part, target)) {
        removeCopy(part);
        if (daily && QFileInfo::exists(target)) return SnapshotOutcome::AlreadyToday;
        reason = QStringLiteral("%1 に書き込めません").arg(folder);
        return SnapshotOutcome::Failed;
    }
    made = target;
    return SnapshotOutcome::Made;
}

void pruneSnapshots(const QString& folder, const QDate& today)
{
    const QList<Snapshot> list = listSnapshots(folder);
    QList<QDateTime> taken;
    for (const Snapshot& s : list)
        taken << s.taken;
    const QList<QDateTime> drop = snapshotsToDrop(taken, today);
    for (const Snapshot& s : list)
        if (drop.contains(s.taken)) removeSynced(s.path);
    // Parts left by a copy that was killed; a running copy's part is younger.
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    const QFileInfoList parts = QDir(folder).entryInfoList(
        {QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files);
    for (const QFileInfo& f : parts)
        if (f.lastModified() < dayAgo) removeSynced(f.filePath());
}

RestoreOutcome restoreSnapshot(const Snapshot& chosen, const QString& diary, const QString& folder,
                               const QDateTime& now, const Progress& progress, QString& before,
                               QString& reason)
{
    before.clear();
    if (!checkDiaryFile(chosen.path, reason)) return RestoreOutcome::Failed;
    // Two copies, shown as one run of progress.
    auto half = [&](int which) -> Progress {
        return [&progress, which](qint64 done, qint64 total) {
            return !progress || progress(which * 500 + (total > 0 ? done * 500 / total : 0), 1000);
        };
    };
    const CopyPace pace;
    switch (takeSnapshot(diary, folder, now, false, pace, half(0), before, reason)) {
    case SnapshotOutcome::Made:
        break;
    case SnapshotOutcome::Stopped:
        return RestoreOutcome::Stopped;
    default:
        return RestoreOutcome::Failed;
    }
    DbClose();
    bool stopped = false;
    const bool copied = copyDiaryFile(chosen.path, diary, pace, half(1), stopped, reason);
    const bool reopened = DbOpen();
    if (!copied) return stopped ? RestoreOutcome::Stopped : RestoreOutcome::Failed;
    pruneSnapshots(folder, now.date());
    if (!reopened) {
        reason.clear(); // DbOpen has told why
        return RestoreOutcome::Failed;
    }
    return RestoreOutcome::Restored;
}

} // namespace drv::keep
