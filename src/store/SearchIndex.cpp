#include "SearchIndex.h"

#include "DateKey.h"
#include "IndexFile.h"
#include "IndexWorker.h"
#include "OwnChanges.h"
#include "Platform.h"
#include "SearchTerms.h"
#include "Statements.h"
#include "TextMatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace drv {

namespace {

const QString kReader = QStringLiteral("drvesk-index-reader");
const QString kStamper = QStringLiteral("drvesk-index-stamp");
constexpr int kReaderBusyMs = 2000;
// After another program changed a diary whose index was in step, a search waits this long
// for the worker to catch up: that reads every digest, well under a second, while reading
// every body to match it takes seconds on a large diary.
constexpr int kCatchUpWaitMs = 3000;
// Candidates asked for at a time: as many as are listed first (a common word's candidates
// nearly all match), more after.
constexpr int kCandidatePage = 200;
constexpr int kMostInList = 400;
constexpr int kListed = 50;
constexpr qint64 kAboveEveryKey = 999999;
// The format number an earlier version wrote into the diary with its index.
constexpr qint64 kOldIndexVersion = 1;

struct Index {
    QString diaryPath, indexPath;
    sqlite3* diary = nullptr;
    std::unique_ptr<QObject> notifier; // lives on the store's thread, for progress
    std::unique_ptr<IndexWorker> worker;
    qint64 dataVersion = 0; // the diary's, as of the last catch-up asked for
    quint64 wantedPass = 1;
    bool caughtUpOnce = false;
    quint64 seq = 0;
    QHash<QString, quint64> dirty; // own changes the worker has not yet committed
    bool readerOpen = false;
    qint64 readerGen = 0;
};

std::unique_ptr<Index> g;
std::function<void(int, int)> g_progress;

// Statements run quietly on a raw connection: pragmas, and taking out the old index. A
// failure there is no failure of what the user asked for.
qint64 quietInt(sqlite3* db, const QString& text, bool* ok = nullptr)
{
    sqlite3_stmt* st = nullptr;
    qint64 v = 0;
    bool good = false;
    if (sqlite3_prepare16_v2(db, text.utf16(), -1, &st, nullptr) == SQLITE_OK) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) v = sqlite3_column_int64(st, 0);
        good = rc == SQLITE_ROW || rc == SQLITE_DONE;
    }
    sqlite3_finalize(st);
    if (ok) *ok = good;
    return v;
}

bool quietExec(sqlite3* db, const QString& text)
{
    bool ok = false;
    quietInt(db, text, &ok);
    return ok;
}

void watchDiary()
{
    int key = -1, body = -1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare16_v2(g->diary, sql::kColumns.utf16(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            if (!name) continue;
            if (sqlite3_stricmp(name, "skYmn") == 0) key = sqlite3_column_int(st, 0);
            if (sqlite3_stricmp(name, "szDoc") == 0) body = sqlite3_column_int(st, 0);
        }
    }
    sqlite3_finalize(st);
    own::watch(g->diary, key, body, quietInt(g->diary, sql::kSchemaVersion));
}

void pruneDirty(quint64 applied)
{
    for (auto it = g->dirty.begin(); it != g->dirty.end();)
        it = it.value() <= applied ? g->dirty.erase(it) : std::next(it);
}

// Whether the index answers for the diary as it is now: built, of a diary it can order,
// caught up with every other program's change seen so far. Another program's commit is
// seen by the diary's data version; a search (wait) then gives the worker a little time.
bool indexCurrent(bool wait)
{
    if (!g || !g->worker) return false;
    searchIndexStatementDone();
    bool ok = false;
    const qint64 v = quietInt(g->diary, sql::kDataVersion, &ok);
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

bool openReader(qint64 generation)
{
    if (g->readerOpen && g->readerGen == generation) return true;
    index::close(kReader);
    g->readerOpen = index::open(kReader, g->indexPath, kReaderBusyMs);
    g->readerGen = generation;
    return g->readerOpen;
}

QString ordOf(const QString& key)
{
    return (key.left(2) <= orderPivot() ? u'1' : u'0') + key;
}

struct Hit {
    QString ord;
    QList<StoreValue> row; // skYmn, szTtl, szDoc
};

QString inList(const QString& head, qsizetype n)
{
    QString marks = head;
    for (qsizetype i = 0; i < n; ++i)
        marks += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return marks + u')';
}

// Whether the body holds the word exactly as drv_match decides it: a text body is read by
// the driver as the engine's UTF-16, which is what drv_match is handed; any other value
// is left to the engine's own conversion.
bool hit(const QString& word, const QString& key, const StoreValue& body, bool& ok)
{
    if (body.typeId() == QMetaType::QString) return matches(body.toString(), word);
    if (body.isNull()) return false;
    Statement st{sql::kHitOf, {word, key}};
    int n = 0;
    ok = ok && DbGetRec(st, n);
    return n == 1;
}

// The entries of the keys whose body holds the word, in the order of the keys.
bool matching(const QString& word, const QStringList& keys, QList<Hit>& hits)
{
    for (qsizetype from = 0; from < keys.size(); from += kMostInList) {
        const QStringList part = keys.mid(from, kMostInList);
        Statement st{inList(sql::kEntriesOf, part.size()), {}};
        for (const QString& k : part)
            st.values << k;
        ColumnTable t;
        int n = 0;
        if (!DbGetRows(st, t, n)) return false;
        QHash<QString, int> at;
        for (int i = 0; i < n; ++i)
            at.insert(t[0][i].toString(), i);
        bool ok = true;
        for (const QString& k : part) {
            const auto it = at.constFind(k);
            if (it != at.cend() && hit(word, k, t[2][*it], ok))
                hits << Hit{ordOf(k), {t[0][*it], t[1][*it], t[2][*it]}};
        }
        if (!ok) return false;
    }
    return true;
}

// The newest entries that hold the word among those the index names, leaving out the
// keys whose changes it may not hold yet. False when the index cannot be read (then
// nothing was shown); failed is set when reading the diary failed (that was shown).
bool indexedHits(const QString& word, const QString& query, const QSet<QString>& skip,
                 QList<Hit>& hits, bool& failed)
{
    const IndexWorker::Status st = g->worker->status();
    if (!openReader(st.generation)) return false;
    QSqlDatabase db = QSqlDatabase::database(kReader, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // One read of the index from its facts to its last candidate.
    if (!q.exec(sql::kBeginRead)) return false;
    bool ok = q.exec(sql::kMetaGen) && q.next() && q.value(0).toLongLong() == st.generation &&
              q.value(1).toInt() == 1;
    q.finish();
    // Made anew by another copy since the worker took it: the worker is to take it again.
    if (!ok) g->wantedPass = g->worker->requestPass();
    const qint64 pivot = (orderPivot() + QStringLiteral("9999")).toLongLong();
    const std::pair<qint64, qint64> ranges[] = {{pivot, -1}, {kAboveEveryKey, pivot}};
    int page = kListed;
    for (const auto& [top, bottom] : ranges) {
        qint64 upper = top;
        while (ok && hits.size() < kListed) {
            ok = q.prepare(sql::kCandidates);
            q.addBindValue(query);
            q.addBindValue(upper);
            q.addBindValue(bottom);
            q.addBindValue(page);
            ok = ok && q.exec();
            QStringList keys;
            int rows = 0;
            qint64 last = 0;
            while (ok && q.next()) {
                ++rows;
                last = q.value(0).toLongLong();
                const QString key = QString::number(last).rightJustified(6, u'0');
                if (!skip.contains(key)) keys << key;
            }
            q.finish();
            if (!ok) break;
            if (!matching(word, keys, hits)) {
                failed = true;
                break;
            }
            if (rows < page) break;
            upper = last - 1;
            page = kCandidatePage;
        }
        if (!ok || failed) break;
    }
    q.exec(sql::kCommit);
    return ok;
}

} // namespace

QString searchIndexQuery(const QString& word)
{
    const auto wanted = terms::ofWord(word);
    return wanted ? terms::matchExpression(*wanted) : QString();
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

void setSearchIndexProgress(std::function<void(int done, int total)> progress)
{
    g_progress = std::move(progress);
}

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
    g = std::make_unique<Index>();
    g->diaryPath = diaryPath;
    g->diary = diary;
    g->dataVersion = quietInt(diary, sql::kDataVersion);
    watchDiary();
    g->indexPath = index::pathFor(diaryPath);
    // Without a cache folder there is no index, and searches read every body.
    if (g->indexPath.isEmpty()) return;
    g->notifier = std::make_unique<QObject>();
    QObject* to = g->notifier.get();
    g->worker = std::make_unique<IndexWorker>(diaryPath, g->indexPath, [to](int done, int total) {
        QMetaObject::invokeMethod(
            to,
            [done, total] {
                if (g_progress) g_progress(done, total);
            },
            Qt::QueuedConnection);
    });
    g->worker->start();
}

void stopSearchIndex()
{
    if (!g) return;
    searchIndexStatementDone();
    if (g->worker) {
        g->worker->stop();
        g->worker->wait();
        const IndexWorker::Status st = g->worker->status();
        pruneDirty(st.applied);
        // In step with the diary as far as this copy knows: the stamp lets the next start
        // use the index at once. The diary is held in a read transaction meanwhile, so no
        // commit can come between the check and the stamp.
        if (st.phase == IndexWorker::Phase::Ready && st.usable && st.passDone >= g->wantedPass &&
            g->dirty.isEmpty() && own::openKeys().isEmpty() && sqlite3_get_autocommit(g->diary) &&
            quietExec(g->diary, sql::kBeginRead)) {
            bool ok = false;
            quietInt(g->diary, sql::kTouch, &ok);
            const qint64 v = quietInt(g->diary, sql::kDataVersion);
            const QString stamp =
                ok && v == g->dataVersion ? index::stampOf(g->diary, g->diaryPath) : QString();
            if (!stamp.isEmpty() && index::open(kStamper, g->indexPath, 1000)) {
                {
                    QSqlQuery q(QSqlDatabase::database(kStamper, false));
                    if (q.exec(sql::kBeginWrite)) {
                        const bool same = q.exec(sql::kMetaGen) && q.next() &&
                                          q.value(0).toLongLong() == st.generation &&
                                          q.value(1).toInt() == 1;
                        q.finish();
                        if (same && q.prepare(sql::kMetaStamp)) {
                            q.addBindValue(stamp);
                            q.exec();
                        }
                        q.exec(sql::kCommit);
                    }
                }
                index::close(kStamper);
            }
            quietExec(g->diary, sql::kCommit);
        }
    }
    g->worker.reset();
    g->notifier.reset();
    index::close(kReader);
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
            g->diary, [] { return quietInt(g->diary, sql::kSchemaVersion); }, changes, unknown))
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

void retireOldIndex(sqlite3* diary)
{
    bool ok = false;
    const qint64 objects = quietInt(diary, sql::kOldIndexObjects, &ok);
    if (!ok || objects == 0 || sqlite3_db_readonly(diary, "main") == 1) return;
    if (!quietExec(diary, sql::kBeginWrite)) return;
    const qint64 version = quietInt(diary, sql::kUserVersion);
    bool done = quietExec(diary, sql::kDropOldTriggerIns) &&
                quietExec(diary, sql::kDropOldTriggerDel) &&
                quietExec(diary, sql::kDropOldTriggerUpd) && quietExec(diary, sql::kDropOldIndex) &&
                (version != kOldIndexVersion || quietExec(diary, sql::kClearUserVersion));
    done = done && quietExec(diary, sql::kCommit);
    if (!done) quietExec(diary, sql::kRollback);
}

bool LatestUpTo(const QString& key, ColumnTable& table, int& count)
{
    if (!DateKey::isKey(key)) {
        Statement st{sql::kTop50 + sql::kUpTo + sql::kNewestFirst, {}};
        SqlSet(st, {key});
        return DbGetRows(st, table, count);
    }
    // Keys up to the pivot year belong to the later century, so the newest come first
    // from there, then from the earlier one; each part is a range of the key's index.
    const QString pivot = orderPivot() + QStringLiteral("9999");
    const bool laterCentury = key <= pivot;
    const QString& range = sql::kLatestInRange;
    count = 0;
    table.clear();
    Statement first{range, {}};
    SqlSet(first, {key, laterCentury ? QString() : pivot, 50});
    if (!DbGetRows(first, table, count)) return false;
    if (!laterCentury || count >= 50) return true;
    Statement earlier{range, {}};
    SqlSet(earlier, {QStringLiteral("999999"), pivot, 50 - count});
    ColumnTable more;
    int n = 0;
    if (!DbGetRows(earlier, more, n)) return false;
    if (n == 0) return true;
    if (table.isEmpty()) table = ColumnTable(3);
    for (int c = 0; c < 3; ++c)
        table[c] += more[c];
    count += n;
    return true;
}

bool ScanWord(const QString& word, ColumnTable& table, int& count)
{
    Statement st{sql::kTop50 + sql::kWithWord + sql::kNewestFirst, {}};
    SqlSet(st, {word});
    return DbGetRows(st, table, count);
}

bool SearchWord(const QString& word, ColumnTable& table, int& count)
{
    const auto wanted = terms::ofWord(word);
    if (!wanted || wanted->isEmpty() || !indexCurrent(true)) return ScanWord(word, table, count);
    // Keys changed by this copy that the index may not hold yet are read directly.
    QSet<QString> own(g->dirty.keyBegin(), g->dirty.keyEnd());
    for (const QString& k : own::openKeys())
        own.insert(k);
    QList<Hit> hits;
    bool failed = false;
    if (!indexedHits(word, terms::matchExpression(*wanted), own, hits, failed)) {
        if (!failed) return ScanWord(word, table, count);
    }
    count = 0;
    table.clear();
    if (failed || !matching(word, QStringList(own.cbegin(), own.cend()), hits)) return false;
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.ord > b.ord; });
    if (hits.size() > kListed) hits.resize(kListed);
    if (hits.isEmpty()) return true;
    table = ColumnTable(3);
    for (const Hit& h : hits)
        for (int c = 0; c < 3; ++c)
            table[c].append(h.row.at(c));
    count = int(hits.size());
    return true;
}

} // namespace drv
