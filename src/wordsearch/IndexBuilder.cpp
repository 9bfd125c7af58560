#include "IndexBuilder.h"

#include "CharCount.h"
#include "DateKey.h"
#include "IndexFile.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"
#include "TextMatch.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>

#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>

namespace drv {

namespace {

// Rows read in one read transaction: bodies when they are to be indexed, digests when
// they are only compared. Either takes a few milliseconds.
constexpr int kBodyPage = 300;
constexpr int kDigestPage = 1000;
constexpr int kBusyMs = 10000;
// An index transaction is committed at least this often, so another copy's worker and
// the stamp at closing are not kept waiting.
constexpr qint64 kCommitAfterMs = 400;
constexpr qint64 kAboveEveryKey = 999999;
constexpr int kMostInList = 500;

bool keyNumber(const QString& key, qint64& n)
{
    if (!DateKey::isKey(key)) return false;
    n = key.toLongLong();
    return true;
}

ino_t fileNumber(const QString& path)
{
    // A memory index is no file that another copy could make anew.
    if (index::inMemory(path)) return 1;
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

IndexBuilder::IndexBuilder(const QString& diaryPath, const QString& indexPath, const QString& tag)
    : diaryPath_(diaryPath), indexPath_(indexPath), indexName_(tag + QStringLiteral("-index")),
      diaryName_(tag + QStringLiteral("-diary"))
{
}

IndexBuilder::~IndexBuilder()
{
    end();
}

bool IndexBuilder::start(bool fresh)
{
    end();
    if (!index::openDiary(diaryName_, diaryPath_, kBusyMs)) return false;
    diary_ = sql::handleOf(QSqlDatabase::database(diaryName_, false));
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fresh || attempt > 0) {
            // Synced: an old index that came back after a power cut would be taken for
            // the new one's start.
            for (const char* part : {"", "-wal", "-shm", "-journal"})
                removeSynced(indexPath_ + QLatin1String(part));
        }
        if (index::open(indexName_, indexPath_, kBusyMs)) {
            idx_ = sql::handleOf(QSqlDatabase::database(indexName_, false));
            // Made anew in memory: emptied where a file would be removed.
            if ((fresh || attempt > 0) && index::inMemory(indexPath_) && !empty()) {
                idx_ = nullptr;
                index::close(indexName_);
                return false;
            }
            if (adopt()) {
                ino_ = fileNumber(indexPath_);
                sql::quietRun(idx_, sql::kIndexBuildCache);
                return true;
            }
        }
        idx_ = nullptr;
        index::close(indexName_);
    }
    return false;
}

bool IndexBuilder::empty()
{
    return sqlite3_db_config(idx_, SQLITE_DBCONFIG_RESET_DATABASE, 1, nullptr) == SQLITE_OK &&
           sql::quietRun(idx_, sql::kIndexVacuum) &&
           sqlite3_db_config(idx_, SQLITE_DBCONFIG_RESET_DATABASE, 0, nullptr) == SQLITE_OK;
}

bool IndexBuilder::seal(const QString& sealedPath, const vault::KeySet& keys)
{
    return idx_ && !inTxn_ && index::saveSealed(idx_, sealedPath, keys);
}

void IndexBuilder::end()
{
    if (inTxn_) rollback();
    prepared_.clear();
    idx_ = diary_ = nullptr;
    index::close(indexName_);
    index::close(diaryName_);
}

bool IndexBuilder::upToDate()
{
    bool complete = false;
    QString stored;
    {
        sql::Query m(idx_, sql::kMetaGet);
        if (!m.next()) return false;
        complete = m.number(3) == 1;
        stored = m.text(4);
    }
    if (!complete || stored.isEmpty()) return false;
    if (!sql::quietRun(diary_, sql::kBeginRead) || !sql::quietRun(diary_, sql::kTouch))
        return false;
    const QString now = index::stampOf(diary_, diaryPath_);
    sql::quietRun(diary_, sql::kCommit);
    return !now.isEmpty() && now == stored;
}

IndexBuilder::Result IndexBuilder::catchUp(const std::function<bool(QList<OwnChange>&)>& between,
                                           const std::function<void(int, int)>& progress,
                                           bool& usable)
{
    if (!begin()) return Result::Replaced;
    int total = 0, odd = 0, repeated = 0, live = 0;
    if (!count(diary_, sql::kIrregularKeys, odd) || !count(diary_, sql::kRepeatedKeys, repeated) ||
        !count(diary_, sql::kCountAll, total) || !count(idx_, sql::kKeyCount, live))
        return fail();
    // Keys that are no days, or a day twice, cannot be ordered by the index as the word
    // search orders them: such a diary is searched by reading it.
    usable = odd == 0 && repeated == 0;
    if (!usable) return commit() ? Result::Done : fail();
    if (garbage_ > std::max(1000, total / 5)) {
        if (!reset()) return fail();
        live = 0;
    }
    const bool bodies = live == 0;
    const int page = bodies ? kBodyPage : kDigestPage;
    QString after = QStringLiteral("");
    qint64 lower = -1;
    int done = 0;
    progress(0, total);
    for (;;) {
        if (!begin()) return Result::Replaced;
        QList<OwnChange> own;
        const bool stop = between(own);
        if (!own.isEmpty() && !applyIn(own, usable)) return fail();
        if (stop) return commit() ? Result::Stopped : fail();
        QList<Row> rows;
        int raw = 0;
        if (!readAfter(after, page, bodies, rows, raw, after)) return fail();
        const bool last = raw < page;
        const qint64 upper = last ? kAboveEveryKey : rows.isEmpty() ? lower : rows.last().key;
        QHash<qint64, Stored> stored;
        if (!storedBetween(lower, upper, stored)) return fail();
        QList<Row> changed;
        QSet<qint64> seen;
        for (const Row& r : rows) {
            seen.insert(r.key);
            const Stored s = stored.value(r.key);
            if (!s.exists || s.digest != r.digest) changed << r;
        }
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            if (!seen.contains(it.key()) && !remove(it.key(), it.value(), nullptr)) return fail();
        if (!bodies && !changed.isEmpty() && !readBodies(changed)) return fail();
        for (const Row& r : changed) {
            const Stored s = stored.value(r.key);
            if (!(r.digest.isNull() ? remove(r.key, s, nullptr) : replace(r.key, s, r, nullptr)))
                return fail();
        }
        done += raw;
        progress(done, std::max(total, done));
        if (!commitIfDue()) return fail();
        if (last) break;
        lower = upper;
    }
    if (!begin()) return Result::Replaced;
    if (!sql::Query(idx_, sql::kMetaComplete, {1}).run() ||
        (bodies && !sql::Query(idx_, sql::kMetaMerge, {1}).run()) || !commit())
        return fail();
    mergeDue_ = mergeDue_ || bodies;
    return Result::Done;
}

void IndexBuilder::compact(QMutex& lock, sqlite3*& running, const bool& stopping)
{
    if (!mergeDue_ || inTxn_) return;
    mergeDue_ = false; // the file says whether it is due at the next start
    {
        QMutexLocker hold(&lock);
        if (stopping) return;
        running = idx_;
    }
    // The merged terms are written beside the old ones; the file is then written anew
    // without the space they leave, and the log emptied.
    for (const QString& step : sql::kIndexCompact)
        if (!sql::quietRun(idx_, step)) break;
    QMutexLocker hold(&lock);
    running = nullptr;
}

IndexBuilder::Result IndexBuilder::apply(const QList<OwnChange>& changes, bool& usable)
{
    if (!begin()) return Result::Replaced;
    if (!applyIn(changes, usable)) return fail();
    return commit() ? Result::Done : fail();
}

bool IndexBuilder::commit()
{
    if (!inTxn_) return true;
    const bool ok =
        sql::Query(idx_, sql::kMetaGarbage, {garbage_}).run() && sql::quietRun(idx_, sql::kCommit);
    if (!ok) {
        rollback();
        return false;
    }
    inTxn_ = false;
    committedSeq_ = std::max(committedSeq_, seqInTxn_);
    return true;
}

IndexBuilder::Result IndexBuilder::fail()
{
    rollback();
    return Result::Failed;
}

void IndexBuilder::rollback()
{
    // Statements still stepping would keep the transaction from ending.
    for (auto& [text, q] : prepared_)
        q->reset();
    sql::quietRun(idx_, sql::kRollback);
    inTxn_ = false;
    seqInTxn_ = committedSeq_;
}

bool IndexBuilder::count(sqlite3* db, const QString& text, int& n)
{
    sql::Query q(db, text);
    if (!q.next()) return false;
    n = int(q.number(0));
    return true;
}

// Takes the index as it is when it is this diary's and of this maker, else makes it.
bool IndexBuilder::adopt()
{
    if (readMeta()) return true;
    if (!sql::quietRun(idx_, sql::kBeginWrite)) return false;
    if (readMeta()) return sql::quietRun(idx_, sql::kCommit); // made meanwhile by another copy
    bool ok = true;
    for (const QString& step : sql::kIndexCreate)
        ok = ok && sql::quietRun(idx_, step);
    const qint64 gen = qint64(QRandomGenerator::system()->generate64() >> 2);
    ok = ok && sql::Query(idx_, sql::kMetaCreate, {index::makerVersion(), diaryPath_, gen}).run() &&
         sql::quietRun(idx_, sql::kCommit);
    if (!ok) {
        sql::quietRun(idx_, sql::kRollback);
        return false;
    }
    gen_ = gen;
    garbage_ = 0;
    mergeDue_ = false;
    return true;
}

bool IndexBuilder::readMeta()
{
    int tables = 0;
    if (!count(idx_, sql::kIndexTables, tables) || tables != sql::kIndexTableCount) return false;
    sql::Query q(idx_, sql::kMetaGet);
    if (!q.next()) return false;
    if (q.text(0) != index::makerVersion() || q.text(1) != diaryPath_) return false;
    gen_ = q.number(2);
    garbage_ = q.number(5);
    mergeDue_ = q.number(6) == 1;
    return true;
}

// Opens an index transaction unless one is open. False when the file was replaced or
// made anew by another copy since this one took it.
bool IndexBuilder::begin()
{
    if (inTxn_) return true;
    if (fileNumber(indexPath_) != ino_ || ino_ == 0) return false;
    if (!sql::quietRun(idx_, sql::kBeginWrite)) return false;
    bool same = false;
    {
        sql::Query q(idx_, sql::kMetaGen);
        same = q.next() && q.number(0) == gen_;
    }
    // From the first change on, the stamp no longer tells the index is current; it is
    // written again when the program closes in step with the diary.
    if (!same || !sql::Query(idx_, sql::kMetaStamp, {QStringLiteral("")}).run()) {
        rollback();
        return false;
    }
    inTxn_ = true;
    age_.start();
    return true;
}

bool IndexBuilder::commitIfDue()
{
    return !inTxn_ || age_.elapsed() < kCommitAfterMs || commit();
}

bool IndexBuilder::reset()
{
    garbage_ = 0;
    return sql::quietRun(idx_, sql::kTermsClear) && sql::quietRun(idx_, sql::kKeysClear) &&
           sql::quietRun(idx_, sql::kCountsClear) &&
           sql::Query(idx_, sql::kMetaComplete, {0}).run();
}

// A page of the diary in key order after `after`; raw counts every row read, rows holds
// the day keys; `after` becomes the last key read. The read transaction ends with it.
bool IndexBuilder::readAfter(const QString& from, int page, bool bodies, QList<Row>& rows, int& raw,
                             QString& after)
{
    sql::Query q(diary_, bodies ? sql::kBodiesAfter : sql::kDigestsAfter, {from, page});
    while (q.next()) {
        ++raw;
        after = q.text(0);
        Row r;
        if (!keyNumber(after, r.key)) continue;
        r.digest = q.blob(1);
        if (bodies) r.body = q.text(2);
        rows << r;
    }
    return q.ok();
}

// Fills in the bodies of rows read by their digests; a row gone meanwhile keeps no
// digest.
bool IndexBuilder::readBodies(QList<Row>& rows)
{
    QHash<qint64, Row> now;
    for (qsizetype from = 0; from < rows.size(); from += kMostInList) {
        const qsizetype n = std::min<qsizetype>(kMostInList, rows.size() - from);
        sql::Query q(diary_, sql::inList(sql::kBodiesOf, n));
        for (qsizetype i = from; i < from + n; ++i)
            q.bind(DateKey::fromNumber(rows.at(i).key));
        while (q.next()) {
            Row r;
            if (!keyNumber(q.text(0), r.key)) continue;
            r.digest = q.blob(1);
            r.body = q.text(2);
            now.insert(r.key, r);
        }
        if (!q.ok()) return false;
    }
    for (Row& r : rows) {
        const auto it = now.constFind(r.key);
        r.digest = it == now.cend() ? QByteArray() : it->digest;
        r.body = it == now.cend() ? QString() : it->body;
    }
    return true;
}

bool IndexBuilder::storedBetween(qint64 lower, qint64 upper, QHash<qint64, Stored>& out)
{
    sql::Query q(idx_, sql::kKeysBetween, {lower, upper});
    while (q.next())
        out.insert(q.number(0), {true, q.blob(1)});
    return q.ok();
}

bool IndexBuilder::storedOf(qint64 key, Stored& s)
{
    sql::Query q(idx_, sql::kKeyOf, {key});
    s = {};
    if (q.next()) s = {true, q.blob(0)};
    return q.ok();
}

bool IndexBuilder::runPrepared(const QString& text, std::initializer_list<QVariant> values)
{
    auto it = prepared_.find(text);
    if (it == prepared_.end())
        it = prepared_.emplace(text, std::make_unique<sql::Query>(idx_, text)).first;
    sql::Query& q = *it->second;
    q.reset();
    for (const QVariant& v : values)
        q.bind(v);
    const bool ok = q.run();
    q.reset();
    return ok;
}

bool IndexBuilder::terms(const QString& statement, qint64 key, const QString& body)
{
    const QByteArray t = terms::ofBody(fold(body));
    return t.isEmpty() || runPrepared(statement, {key, t});
}

// The body's terms replace the key's: exactly, when the body they came from is known;
// else the earlier terms stay beside the new ones, and a search that finds the key by
// them reads its body and passes it over.
bool IndexBuilder::replace(qint64 key, const Stored& s, const Row& now, const OwnChange* before)
{
    if (s.exists && before) {
        if (!terms(sql::kTermsRemove, key, before->bodyBefore)) return false;
    } else if (s.exists) {
        ++garbage_;
    }
    return terms(sql::kTermsAdd, key, now.body) && runPrepared(sql::kKeyPut, {key, now.digest}) &&
           runPrepared(sql::kCountPut, {key, qint64(jp::countCharacters(now.body))});
}

bool IndexBuilder::remove(qint64 key, const Stored& s, const OwnChange* before)
{
    if (!s.exists) return true;
    if (before) {
        if (!terms(sql::kTermsRemove, key, before->bodyBefore)) return false;
    } else {
        ++garbage_;
    }
    return runPrepared(sql::kKeyDrop, {key}) && runPrepared(sql::kCountDrop, {key});
}

bool IndexBuilder::applyIn(const QList<OwnChange>& changes, bool& usable)
{
    QList<qint64> keys;
    QHash<qint64, QList<const OwnChange*>> byKey;
    for (const OwnChange& c : changes) {
        qint64 k = 0;
        if (!keyNumber(c.key, k)) {
            usable = false;
            continue;
        }
        if (!byKey.contains(k)) keys << k;
        byKey[k] << &c;
    }
    seqInTxn_ = std::max(seqInTxn_, lastSeq(changes));
    QList<Row> rows;
    for (const qint64 k : keys)
        rows << Row{k, {}, {}};
    if (rows.isEmpty()) return true;
    if (!readBodies(rows)) return false;
    for (const Row& r : rows) {
        Stored s;
        if (!storedOf(r.key, s)) return false;
        if (!r.digest.isNull() && s.exists && s.digest == r.digest) continue;
        // The change whose body before is the one the index holds, if any.
        const OwnChange* before = nullptr;
        for (const OwnChange* c : byKey.value(r.key))
            if (s.exists && c->hadBody && c->digestBefore == s.digest) before = c;
        if (!(r.digest.isNull() ? remove(r.key, s, before) : replace(r.key, s, r, before)))
            return false;
    }
    return true;
}

} // namespace drv
