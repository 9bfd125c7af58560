#include "BackgroundSnapshot.h"

#include "Platform.h"
#include "Snapshots.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

namespace drv::keep {

namespace {

struct Worker {
    std::mutex lock; // guards thread
    std::thread thread;
    std::atomic_bool stop = false;
};

Worker& worker()
{
    static Worker w;
    return w;
}

// Small steps with a pause between them: the diary's read lock is held for a moment at
// a time, and a save that comes meanwhile only makes the copy start again.
CopyPace gentle()
{
    CopyPace p;
    p.pagesPerStep = 128;
    p.pauseMs = 1;
    return p;
}

void run(const QString& diary, const QString& folder, const QDateTime& now)
{
    QString made, reason;
    const SnapshotOutcome outcome = takeSnapshot(
        diary, folder, now, true, gentle(), [](qint64, qint64) { return !worker().stop.load(); },
        made, reason);
    if (outcome == SnapshotOutcome::Made) pruneSnapshots(folder, now.date());
    if (outcome == SnapshotOutcome::Failed)
        qWarning().noquote() << QStringLiteral("バックアップを作れませんでした:") << reason;
}

void join()
{
    Worker& w = worker();
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.thread.joinable()) w.thread.join();
}

} // namespace

void BackgroundSnapshot::startLater(int delayMs)
{
    worker().stop = false;
    QTimer::singleShot(delayMs, QCoreApplication::instance(), [] {
        Worker& w = worker();
        if (w.stop) return; // stopped before it began
        // A diary held by another copy is that copy's to keep.
        if (DbIsHeldElsewhere()) return;
        join();
        // The day and the folders as they are now; the thread reads no shared state.
        const QDateTime now(services().clock->today(), QTime::currentTime());
        const QString diary = diaryPath();
        const QString folder = snapshotFolder();
        std::lock_guard<std::mutex> guard(w.lock);
        w.thread = std::thread(run, diary, folder, now);
    });
}

void BackgroundSnapshot::stop()
{
    worker().stop = true;
    join();
}

void BackgroundSnapshot::wait()
{
    join();
}

} // namespace drv::keep
