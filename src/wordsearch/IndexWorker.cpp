#include "IndexWorker.h"

#include "IndexBuilder.h"
#include "IndexFile.h"
#include "KeySet.h"
#include "SearchStatements.h"
#include "SqlQuery.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace drv {

IndexWorker::IndexWorker(const QString& diaryPath, const QString& indexPath,
                         std::function<void(int, int)> progress, const QString& sealedPath,
                         std::shared_ptr<const vault::KeySet> keys)
    : diaryPath_(diaryPath), indexPath_(indexPath), sealedPath_(sealedPath), keys_(std::move(keys)),
      progress_(std::move(progress))
{
}

IndexWorker::~IndexWorker()
{
    stop();
    wait();
    sqlite3_close(takeAnchor());
}

sqlite3* IndexWorker::takeAnchor()
{
    QMutexLocker lock(&mutex_);
    return std::exchange(anchor_, nullptr);
}

bool IndexWorker::sealedUnchanged() const
{
    QMutexLocker lock(&mutex_);
    return anchor_ && sealedVersion_ >= 0 &&
           sql::quietNumber(anchor_, sql::kDataVersion) == sealedVersion_;
}

void IndexWorker::markSealed()
{
    QMutexLocker lock(&mutex_);
    bool ok = false;
    const qint64 v = anchor_ ? sql::quietNumber(anchor_, sql::kDataVersion, &ok) : -1;
    sealedVersion_ = ok ? v : -1;
}

void IndexWorker::post(const QList<OwnChange>& changes)
{
    if (changes.isEmpty()) return;
    QMutexLocker lock(&mutex_);
    changes_ += changes;
    wake_.wakeAll();
}

quint64 IndexWorker::requestPass()
{
    QMutexLocker lock(&mutex_);
    ++passWanted_;
    wake_.wakeAll();
    return passWanted_;
}

IndexWorker::Status IndexWorker::status() const
{
    QMutexLocker lock(&mutex_);
    return status_;
}

bool IndexWorker::waitForPass(quint64 request, int ms, quint64 applied, bool settled)
{
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&mutex_);
    auto answered = [&] {
        return status_.passDone >= request && status_.applied >= applied &&
               !(settled && status_.compacting);
    };
    while (!answered() && status_.phase != Phase::Failed && !stopping_)
        if (!answered_.wait(&mutex_, deadline)) break;
    return answered();
}

void IndexWorker::hurry()
{
    QMutexLocker lock(&mutex_);
    hurried_ = true;
    wake_.wakeAll();
}

void IndexWorker::stop()
{
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    if (compacting_) sqlite3_interrupt(compacting_);
    wake_.wakeAll();
}

bool IndexWorker::takeWork(QList<OwnChange>& changes, quint64& pass, bool wait)
{
    QMutexLocker lock(&mutex_);
    while (wait && !stopping_ && changes_.isEmpty() && passWanted_ <= status_.passDone)
        wake_.wait(&mutex_);
    changes.swap(changes_);
    changes_.clear();
    pass = passWanted_;
    return stopping_;
}

void IndexWorker::publish(const std::function<void(Status&)>& change)
{
    {
        QMutexLocker lock(&mutex_);
        change(status_);
        answered_.wakeAll();
    }
    if (told_) told_();
}

void IndexWorker::run()
{
    // The program's window comes up first: opening the index and reading the diary now
    // would slow it down.
    bool stopped = false;
    bool loaded = false;
    {
        QDeadlineTimer pause(kFirstPassAfterMs);
        QMutexLocker lock(&mutex_);
        while (!hurried_ && !stopping_ && !pause.hasExpired())
            wake_.wait(&mutex_, pause);
        stopped = stopping_;
    }
    if (!stopped) index::forgetVanished(indexPath_);
    if (!stopped && keys_) {
        sqlite3* anchor = index::openAnchor(indexPath_);
        {
            QMutexLocker lock(&mutex_);
            anchor_ = anchor;
        }
        // Without it the index would vanish with each connection of the worker's: searches
        // then read every body.
        if (!anchor) {
            publish([](Status& s) { s.phase = Phase::Failed; });
            return;
        }
        // Not trusted as read either: its stamp and digests are checked as a file's would be.
        loaded = index::loadSealed(indexPath_, sealedPath_, *keys_);
    }
    IndexBuilder b(diaryPath_, indexPath_, QStringLiteral("drvesk-index-%1").arg(quintptr(this)));
    bool ok = b.start(false);
    bool usable = true;
    const bool current = ok && b.upToDate();
    // In step as read: a program that only searches need not write it again.
    if (loaded && current) markSealed();
    publish([&](Status& s) {
        s.generation = b.generation();
        s.phase = !ok ? Phase::Failed : current ? Phase::Ready : Phase::Building;
        if (current) s.passDone = 1;
        s.compacting = current && b.mergeDue(); // told with the readiness it follows
    });
    auto compact = [&] {
        b.compact(mutex_, compacting_, stopping_);
        publish([](Status& s) { s.compacting = false; });
    };
    if (current) compact();
    QElapsedTimer shown;
    shown.start();
    auto progress = [&](int done, int total) {
        if (progress_ && (done == 0 || done >= total || shown.elapsed() >= 100)) {
            progress_(done, total);
            shown.restart();
        }
    };
    bool retried = false;
    auto recover = [&](IndexBuilder::Result r) {
        // Made anew by another copy, or unreadable: start over on the file as it is now,
        // or on a new one, and catch up again.
        const bool fresh = r == IndexBuilder::Result::Failed;
        if (fresh && retried) ok = false;
        retried = retried || fresh;
        ok = ok && b.start(fresh);
        publish([&](Status& s) {
            s.generation = b.generation();
            s.phase = ok ? Phase::Building : Phase::Failed;
        });
        if (ok) requestPass();
    };
    for (;;) {
        QList<OwnChange> changes;
        quint64 wanted = 0;
        const bool stopping = takeWork(changes, wanted, true);
        if (!ok) {
            publish([&](Status& s) { s.applied = std::max(s.applied, lastSeq(changes)); });
            if (stopping) break;
            continue;
        }
        if (!changes.isEmpty()) {
            const bool wasUsable = usable;
            const IndexBuilder::Result r = b.apply(changes, usable);
            // A key that is no day: whether the diary still holds one when it is searched
            // next is for a catch-up to say.
            if (wasUsable && !usable) requestPass();
            publish([&](Status& s) {
                s.applied = std::max(s.applied, b.committedSeq());
                s.usable = usable;
            });
            if (r != IndexBuilder::Result::Done) recover(r);
        }
        if (stopping) break;
        if (!ok || wanted <= status().passDone) continue;
        publish([&](Status& s) { s.phase = Phase::Building; });
        auto between = [&](QList<OwnChange>& own) {
            quint64 ignored = 0;
            return takeWork(own, ignored, false);
        };
        const IndexBuilder::Result r = b.catchUp(between, progress, usable);
        publish([&](Status& s) {
            s.applied = std::max(s.applied, b.committedSeq());
            s.usable = usable;
            if (r == IndexBuilder::Result::Done) {
                s.passDone = std::max(s.passDone, wanted);
                s.phase = Phase::Ready;
                s.compacting = b.mergeDue();
            }
        });
        if (r == IndexBuilder::Result::Done) {
            if (progress_) progress_(1, 1);
            compact();
            // A kill from now on costs a comparison of digests at the next start, not a build.
            if (keys_ && b.seal(sealedPath_, *keys_)) markSealed();
        } else if (r == IndexBuilder::Result::Stopped) {
            break;
        } else {
            recover(r);
        }
    }
    b.commit();
    publish([&](Status& s) { s.applied = std::max(s.applied, b.committedSeq()); });
    b.end();
}

} // namespace drv
