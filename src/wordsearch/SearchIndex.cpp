#include "SearchIndex.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "DiaryListener.h"
#include "IndexFile.h"
#include "IndexWorker.h"
#include "OwnChanges.h"
#include "Platform.h"
#include "SearchState.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace drv {

namespace {

// After another program changed a diary whose index was in step, a search waits this long
// for the worker to catch up: that reads every digest, well under a second, while reading
// every body to match it takes seconds on a large diary.
constexpr int kCatchUpWaitMs = 3000;

std::unique_ptr<SearchState> g;
std::function<void(int, int)> g_progress;

void startSearchIndex(const QString& diaryPath, sqlite3* diary);
void stopSearchIndex();
void searchIndexStatementDone();

void watchDiary()
{
    int key = -1, body = -1;
    sql::Query q(g->diary, sql::kColumns);
    while (q.next()) {
        const QString name = q.text(1);
        if (name.compare(u"skYmn", Qt::CaseInsensitive) == 0) key = int(q.number(0));
        if (name.compare(u"szDoc", Qt::CaseInsensitive) == 0) body = int(q.number(0));
    }
    own::watch(g->diary, key, body, sql::quietNumber(g->diary, sql::kSchemaVersion));
}

void pruneDirty(quint64 applied)
{
    for (auto it = g->dirty.begin(); it != g->dirty.end();)
        it = it.value() <= applied ? g->dirty.erase(it) : std::next(it);
}

} // namespace

std::unique_ptr<SearchState>& searchState()
{
    return g;
}

bool indexCurrent(bool wait)
{
    if (!g || !g->worker) return false;
    searchIndexStatementDone();
    bool ok = false;
    const qint64 v = sql::quietNumber(g->diary, sql::kDataVersion, &ok);
    if (!ok) return false;
    if (v != g->dataVersion) {
        g->dataVersion = v;
        g->wantedPass = g->worker->requestPass();
    }
    IndexWorker::Status st = g->worker->status();
    if (st.passDone < g->wantedPass) {
        // While the first build runs, reading the bodies is the answer.
        if (!wait || !g->caughtUpOnce || st.phase == IndexWorker::Phase::Failed) return false;
        if (!g->worker->waitForPass(g->wantedPass, kCatchUpWaitMs)) return false;
        st = g->worker->status();
    }
    if (st.phase != IndexWorker::Phase::Ready || !st.usable) return false;
    g->caughtUpOnce = true;
    pruneDirty(st.applied);
    return true;
}

bool hasSearchIndex()
{
    return indexCurrent(false);
}

bool waitForSearchIndex(int ms)
{
    const QDeadlineTimer deadline(ms);
    if (g && g->worker) g->worker->hurry();
    for (;;) {
        if (indexCurrent(false) && g->dirty.isEmpty() && !g->worker->status().compacting)
            return true;
        if (!g || !g->worker || deadline.hasExpired()) return false;
        const IndexWorker::Status st = g->worker->status();
        if (st.phase == IndexWorker::Phase::Failed ||
            (st.phase == IndexWorker::Phase::Ready && st.passDone >= g->wantedPass && !st.usable))
            return false;
        g->worker->waitForPass(g->wantedPass, int(std::max<qint64>(1, deadline.remainingTime())),
                               g->seq, true);
    }
}

QString searchIndexPath()
{
    return g ? g->indexPath : QString();
}

bool hasKeptSearchIndex()
{
    if (!g || g->indexPath.isEmpty()) return false;
    return QFileInfo::exists(g->keys ? g->sealedPath : g->indexPath);
}

void setSearchIndexProgress(std::function<void(int done, int total)> progress)
{
    g_progress = std::move(progress);
}

namespace {

void startSearchIndex(const QString& diaryPath, sqlite3* diary)
{
    stopSearchIndex();
    // A program that ends without closing the store still ends the worker first, while
    // the application and its database driver are there.
    static const bool stopsAtExit = [] {
        qAddPostRoutine([] { stopSearchIndex(); });
        return true;
    }();
    Q_UNUSED(stopsAtExit);
    g = std::make_unique<SearchState>();
    g->diaryPath = diaryPath;
    g->diary = diary;
    g->dataVersion = sql::quietNumber(diary, sql::kDataVersion);
    watchDiary();
    const QString plainPath = index::pathFor(diaryPath);
    g->notifier = std::make_unique<QObject>();
    // Without a cache folder there is no index, and searches read every body.
    if (plainPath.isEmpty()) return;
    // The index holds the diary's words: an encrypted diary's is kept in memory and sealed
    // on disk (IndexFile.h), and the other kind of file, made before the diary was switched
    // on or off, goes.
    const auto keys = heldDiaryKeys();
    g->indexPath = keys ? index::memoryPathFor(plainPath) : plainPath;
    const QString drop = keys ? plainPath : index::sealedPathFor(plainPath);
    for (const char* part : {"", "-wal", "-shm"})
        removeSynced(drop + QLatin1String(part));
    if (keys) {
        g->keys = keys;
        g->sealedPath = index::sealedPathFor(plainPath);
    }
    QObject* to = g->notifier.get();
    g->worker = std::make_unique<IndexWorker>(
        diaryPath, g->indexPath,
        [to](int done, int total) {
            QMetaObject::invokeMethod(
                to,
                [done, total] {
                    if (g_progress) g_progress(done, total);
                },
                Qt::QueuedConnection);
        },
        g->sealedPath, g->keys);
    g->worker->setStatusChanged([to] {
        QMetaObject::invokeMethod(
            to, [] { answerCountWaiters(); }, Qt::QueuedConnection);
    });
    g->worker->start();
}

// In step with the diary as far as this copy knows: the stamp lets the next start use the
// index at once. The diary is held in a read transaction meanwhile, so no commit can come
// between the check and the stamp.
void stampIfInStep(const IndexWorker::Status& st)
{
    if (st.phase != IndexWorker::Phase::Ready || !st.usable || st.passDone < g->wantedPass ||
        !g->dirty.isEmpty() || !own::openKeys().isEmpty() || !sqlite3_get_autocommit(g->diary) ||
        !sql::quietRun(g->diary, sql::kBeginRead))
        return;
    bool ok = false;
    sql::quietNumber(g->diary, sql::kTouch, &ok);
    const qint64 v = sql::quietNumber(g->diary, sql::kDataVersion);
    if (ok && v == g->dataVersion)
        index::writeStamp(g->indexPath, st.generation, index::stampOf(g->diary, g->diaryPath));
    sql::quietRun(g->diary, sql::kCommit);
}

void stopSearchIndex()
{
    if (!g) return;
    searchIndexStatementDone();
    dropCountWaiters();
    if (g->worker) {
        g->worker->stop();
        g->worker->wait();
        const IndexWorker::Status st = g->worker->status();
        pruneDirty(st.applied);
        stampIfInStep(st);
    }
    const IndexWorker::Phase phase =
        g->worker ? g->worker->status().phase : IndexWorker::Phase::Failed;
    // A build cut short is kept too: the next start goes on from it. One that is just as
    // its sealed file (a terminal's search) is not written again.
    const bool kept =
        (phase == IndexWorker::Phase::Ready || phase == IndexWorker::Phase::Building) &&
        !(g->worker && g->worker->sealedUnchanged());
    sqlite3* anchor = g->worker ? g->worker->takeAnchor() : nullptr;
    g->worker.reset();
    g->notifier.reset();
    closeIndexReader();
    if (anchor) {
        // With its stamp, when it is in step: the next start uses it at once.
        if (kept) index::saveSealed(anchor, g->sealedPath, *g->keys);
        sqlite3_close(anchor);
    }
    index::settle(g->indexPath);
    own::unwatch(g->diary);
    g.reset();
}

void searchIndexStatementDone()
{
    if (!g) return;
    QList<OwnChange> changes;
    bool unknown = false;
    if (!own::takeFinished(
            g->diary, [] { return sql::quietNumber(g->diary, sql::kSchemaVersion); }, changes,
            unknown))
        return;
    if (unknown) {
        // The table changed its columns under this connection: learn them again, and have
        // every row compared.
        watchDiary();
        if (g->worker) g->wantedPass = g->worker->requestPass();
        changes.clear(); // their keys may be read from the wrong column
    }
    if (!g->worker) return;
    for (OwnChange& c : changes) {
        c.seq = ++g->seq;
        g->dirty.insert(c.key, c.seq);
    }
    g->worker->post(changes);
}

class FollowDiary final : public DiaryListener {
public:
    bool diaryOpened(const QString& path, sqlite3* diary) override
    {
        // The old tokenizer lets the triggers of an earlier version's index run until they
        // are taken out.
        if (!registerWordMatch(diary) || !terms::registerRetiredTokenizer(diary)) return false;
        retireOldIndex(diary);
        // The index is built or checked in the background; until it is ready, searches
        // read every body.
        startSearchIndex(path, diary);
        return true;
    }
    void statementDone() override { searchIndexStatementDone(); }
    void diaryClosing() override { stopSearchIndex(); }
};

FollowDiary g_follow;
[[maybe_unused]] const bool g_following = [] {
    addDiaryListener(&g_follow);
    return true;
}();

} // namespace

} // namespace drv
