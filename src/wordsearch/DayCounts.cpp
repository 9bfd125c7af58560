#include "DayCounts.h"

#include "CharCount.h"
#include "DateKey.h"
#include "Diary.h"
#include "DiaryKeys.h"
#include "OwnChanges.h"
#include "SearchState.h"
#include "SearchStatements.h"
#include "SqlQuery.h"
#include "Statements.h"

#include <QHash>
#include <QSet>

#include <utility>

#include <sqlite3.h>

namespace drv {

namespace {

constexpr int kWalkPage = 500;
constexpr int kMostInList = 400;

// The index's counts as one read of it; false when it is not the worker's complete index.
bool readIndexed(QHash<QString, int>& counts)
{
    auto& g = searchState();
    const IndexWorker::Status st = g->worker->status();
    sqlite3* reader = openIndexReader(st.generation);
    if (!reader || !sql::quietRun(reader, sql::kBeginRead)) return false;
    bool ok = false;
    {
        sql::Query meta(reader, sql::kMetaGen);
        ok = meta.next() && meta.number(0) == st.generation && meta.number(1) == 1;
    }
    if (ok) {
        sql::Query q(reader, sql::kCounts);
        while (q.next())
            counts.insert(DateKey::fromNumber(q.number(0)), int(q.number(1)));
        ok = q.ok();
    }
    sql::quietRun(reader, sql::kCommit);
    return ok;
}

// The days this copy changed that the worker may not have taken yet, read as they are now.
bool recount(const QStringList& keys, QHash<QString, int>& counts)
{
    for (qsizetype from = 0; from < keys.size(); from += kMostInList) {
        const QStringList part = keys.mid(from, kMostInList);
        Statement st{sql::inList(sql::kCountBodiesOf, part.size()), {}};
        for (const QString& k : part) {
            st.values << k;
            counts.remove(k);
        }
        ColumnTable t;
        int n = 0;
        if (!DbGetRows(st, t, n)) return false;
        for (int i = 0; i < n; ++i)
            counts.insert(t[0][i].toString(), int(jp::countCharacters(t[1][i].toString())));
    }
    return true;
}

bool countEveryBody(QHash<QString, int>& counts)
{
    return diary::walk(kWalkPage, [&](const QList<DiaryEntry>& page) {
        for (const DiaryEntry& e : page)
            counts.insert(e.skYmn, int(jp::countCharacters(e.szDoc)));
        return true;
    });
}

QList<DayCount> daysOf(const QHash<QString, int>& counts)
{
    QList<DayCount> days;
    days.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (DateKey::isKey(it.key())) days.append({it.key(), it.value()});
    return days;
}

// The index's counts with the days this copy changed meanwhile counted from their bodies,
// when the index is in step with the diary.
bool fromIndex(bool wait, QHash<QString, int>& counts)
{
    if (!indexCurrent(wait) || !readIndexed(counts)) {
        counts.clear();
        return false;
    }
    auto& g = searchState();
    QSet<QString> own(g->dirty.keyBegin(), g->dirty.keyEnd());
    for (const QString& k : own::openKeys())
        own.insert(k);
    return recount(QStringList(own.cbegin(), own.cend()), counts);
}

// Whether the worker is catching up with another program's change and will answer soon:
// that reads digests, where counting every body reads the whole diary.
bool indexWillAnswer()
{
    auto& g = searchState();
    if (!g->worker || !g->caughtUpOnce) return false;
    const IndexWorker::Status st = g->worker->status();
    return st.phase != IndexWorker::Phase::Failed && st.usable;
}

void deliver(const QList<DayCount>& days, bool ok)
{
    const auto waiters = std::exchange(searchState()->countWaiters, {});
    for (const SearchState::CountWaiter& w : waiters)
        if (w.context) w.done(days, ok);
}

// Every body counted on a connection of its own, the answer posted to the store's thread.
void countBodiesAside()
{
    auto& g = searchState();
    if (g->bodyCounter) return;
    QObject* to = g->notifier.get();
    // An encrypted diary's keys stay for as long as the thread reads with them.
    g->bodyCounter.reset(QThread::create([path = g->diaryPath, to, keys = heldDiaryKeys()] {
        QHash<QString, int> counts;
        bool ok = false;
        sql::Connection db;
        QString reason;
        if (db.open(path, SQLITE_OPEN_READONLY, reason, 5000) && registerDiaryText(db.handle())) {
            sql::Query q(db.handle(), sql::kCountEveryBody);
            int n = 0;
            while (q.next()) {
                counts.insert(q.text(0), int(jp::countCharacters(q.text(1))));
                if (++n % 1000 == 0 && QThread::currentThread()->isInterruptionRequested()) return;
            }
            ok = q.ok();
        }
        QMetaObject::invokeMethod(
            to,
            [days = daysOf(counts), ok] {
                auto& g = searchState();
                if (g && g->bodyCounter) {
                    g->bodyCounter->wait();
                    g->bodyCounter.reset();
                }
                if (g && !g->countWaiters.isEmpty()) deliver(days, ok);
            },
            Qt::QueuedConnection);
    }));
    g->bodyCounter->start(QThread::LowPriority);
}

} // namespace

bool diary::dayCounts(QList<DayCount>& days)
{
    QHash<QString, int> counts;
    const bool ok = fromIndex(true, counts) || countEveryBody(counts);
    days = daysOf(counts);
    return ok;
}

bool diary::requestDayCounts(QObject* context,
                             std::function<void(const QList<DayCount>&, bool ok)> done)
{
    auto& g = searchState();
    if (!g) {
        done({}, false);
        return true;
    }
    QHash<QString, int> counts;
    if (fromIndex(false, counts)) {
        done(daysOf(counts), true);
        return true;
    }
    g->countWaiters.append({context, std::move(done)});
    if (!indexWillAnswer()) countBodiesAside();
    return false;
}

void answerCountWaiters()
{
    auto& g = searchState();
    if (!g || g->countWaiters.isEmpty()) return;
    QHash<QString, int> counts;
    if (fromIndex(false, counts))
        deliver(daysOf(counts), true);
    else if (!indexWillAnswer())
        countBodiesAside();
}

void dropCountWaiters()
{
    auto& g = searchState();
    g->countWaiters.clear();
    if (g->bodyCounter) {
        g->bodyCounter->requestInterruption();
        g->bodyCounter->wait();
        g->bodyCounter.reset();
    }
}

} // namespace drv
