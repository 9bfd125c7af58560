#include "SearchIndex.h"

#include "DateKey.h"
#include "DiaryListener.h"
#include "IndexFile.h"
#include "IndexWorker.h"
#include "OwnChanges.h"
#include "Platform.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
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

void startSearchIndex(const QString& diaryPath, sqlite3* diary);
void stopSearchIndex();
void searchIndexStatementDone();
void retireOldIndex(sqlite3* diary);

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

// Whether the index answers for the diary as it is now: built, of a diary it can order,
// caught up with every other program's change seen so far. Another program's commit is
// seen by the diary's data version; a search (wait) then gives the worker a little time.
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
        Statement st{sql::inList(sql::kEntriesOf, part.size()), {}};
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
                const QString key = DateKey::fromNumber(last);
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
    g = std::make_unique<Index>();
    g->diaryPath = diaryPath;
    g->diary = diary;
    g->dataVersion = sql::quietNumber(diary, sql::kDataVersion);
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
            sql::quietRun(g->diary, sql::kBeginRead)) {
            bool ok = false;
            sql::quietNumber(g->diary, sql::kTouch, &ok);
            const qint64 v = sql::quietNumber(g->diary, sql::kDataVersion);
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
            sql::quietRun(g->diary, sql::kCommit);
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

void retireOldIndex(sqlite3* diary)
{
    bool ok = false;
    const qint64 objects = sql::quietNumber(diary, sql::kOldIndexObjects, &ok);
    if (!ok || objects == 0 || sqlite3_db_readonly(diary, "main") == 1) return;
    if (!sql::quietRun(diary, sql::kBeginWrite)) return;
    const qint64 version = sql::quietNumber(diary, sql::kUserVersion);
    bool done = sql::quietRun(diary, sql::kDropOldTriggerIns) &&
                sql::quietRun(diary, sql::kDropOldTriggerDel) &&
                sql::quietRun(diary, sql::kDropOldTriggerUpd) &&
                sql::quietRun(diary, sql::kDropOldIndex) &&
                (version != kOldIndexVersion || sql::quietRun(diary, sql::kClearUserVersion));
    done = done && sql::quietRun(diary, sql::kCommit);
    if (!done) sql::quietRun(diary, sql::kRollback);
}

// drv_match(text, word): the word search, "*" any run, case- and width-insensitive.
void sqlMatch(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* t = static_cast<const char16_t*>(sqlite3_value_text16(argv[0]));
    const auto* w = static_cast<const char16_t*>(sqlite3_value_text16(argv[1]));
    if (!t || !w) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const QString text = QString::fromUtf16(t, sqlite3_value_bytes16(argv[0]) / 2);
    const QString word = QString::fromUtf16(w, sqlite3_value_bytes16(argv[1]) / 2);
    sqlite3_result_int(ctx, matches(text, word) ? 1 : 0);
}

class FollowDiary final : public DiaryListener {
public:
    bool diaryOpened(const QString& path, sqlite3* diary) override
    {
        // The old tokenizer lets the triggers of an earlier version's index run until they
        // are taken out.
        if (!diary ||
            sqlite3_create_function(diary, "drv_match", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC,
                                    nullptr, sqlMatch, nullptr, nullptr) != SQLITE_OK ||
            !terms::registerRetiredTokenizer(diary))
            return false;
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

bool diary::search(const QString& word, QList<DiaryEntry>& rows)
{
    ColumnTable t;
    int n = 0;
    const bool ok = SearchWord(word, t, n);
    rows = entriesOf(t, n);
    return ok;
}

} // namespace drv
