#include "IndexWorker.h"

#include "DateKey.h"
#include "IndexFile.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "TextMatch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>

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

quint64 lastSeq(const QList<OwnChange>& changes)
{
    quint64 top = 0;
    for (const OwnChange& c : changes)
        top = std::max(top, c.seq);
    return top;
}

// What the index holds for a key: the digest of the body its terms were last made from.
// (Terms of a body before that may still be there too, when that body was not known.)
struct Stored {
    bool exists = false;
    QByteArray digest;
};

// A row of the diary as the index reads it.
struct Row {
    qint64 key = 0;
    QByteArray digest;
    QString body;
};

bool execute(QSqlQuery& q, const QString& text, const QVariantList& values = {})
{
    q.setForwardOnly(true);
    if (!q.prepare(text)) return false;
    for (const QVariant& v : values)
        q.addBindValue(v);
    return q.exec();
}

} // namespace

// The index and the diary as the worker's thread sees them, through connections of its own.
class IndexWorker::Builder {
public:
    enum class Result { Done, Stopped, Failed, Replaced };

    Builder(const QString& diaryPath, const QString& indexPath, const QString& tag)
        : diaryPath_(diaryPath), indexPath_(indexPath), indexName_(tag + QStringLiteral("-index")),
          diaryName_(tag + QStringLiteral("-diary"))
    {
    }
    ~Builder() { end(); }
    Q_DISABLE_COPY_MOVE(Builder)

    // Opens both files and takes the index as it is, or makes it anew when it is of
    // another diary or another maker, or cannot be read (fresh: always anew).
    bool start(bool fresh)
    {
        end();
        if (!index::openDiary(diaryName_, diaryPath_, kBusyMs)) return false;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (fresh || attempt > 0) {
                for (const char* part : {"", "-wal", "-shm", "-journal"})
                    QFile::remove(indexPath_ + QLatin1String(part));
            }
            if (index::open(indexName_, indexPath_, kBusyMs) && adopt()) {
                struct stat st;
                ino_ = ::stat(QFile::encodeName(indexPath_).constData(), &st) == 0 ? st.st_ino : 0;
                QSqlQuery q(idx());
                q.exec(sql::kIndexBuildCache);
                return true;
            }
            index::close(indexName_);
        }
        return false;
    }

    void end()
    {
        if (inTxn_) rollback();
        prepared_.clear();
        index::close(indexName_);
        index::close(diaryName_);
    }

    qint64 generation() const { return gen_; }
    quint64 committedSeq() const { return committedSeq_; }

    // Whether the index was complete and the diary file is as it was when that was last
    // known (its stamp).
    bool upToDate()
    {
        QSqlQuery m(idx());
        if (!execute(m, sql::kMetaGet) || !m.next()) return false;
        const bool complete = m.value(3).toInt() == 1;
        const QString stored = m.value(4).toString();
        m = QSqlQuery();
        if (!complete || stored.isEmpty()) return false;
        QSqlQuery q(diary());
        if (!execute(q, sql::kBeginRead) || !execute(q, sql::kTouch)) return false;
        while (q.next()) {
        }
        const QString now = index::stampOf(sql::handleOf(diary()), diaryPath_);
        execute(q, sql::kCommit);
        return !now.isEmpty() && now == stored;
    }

    // A catch-up: every row of the diary compared with the index by its digest, the
    // changed ones indexed again. between() hands over own changes to apply first and says
    // whether to stop.
    Result pass(const std::function<bool(QList<OwnChange>&)>& between,
                const std::function<void(int, int)>& progress, bool& usable)
    {
        if (!begin()) return Result::Replaced;
        int total = 0, odd = 0, repeated = 0, live = 0;
        if (!count(diary(), sql::kIrregularKeys, odd) ||
            !count(diary(), sql::kRepeatedKeys, repeated) ||
            !count(diary(), sql::kCountAll, total) || !count(idx(), sql::kKeyCount, live))
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
                if (!seen.contains(it.key()) && !remove(it.key(), it.value(), nullptr))
                    return fail();
            if (!bodies && !changed.isEmpty() && !readBodies(changed)) return fail();
            for (const Row& r : changed) {
                const Stored s = stored.value(r.key);
                if (!(r.digest.isNull() ? remove(r.key, s, nullptr)
                                        : replace(r.key, s, r, nullptr)))
                    return fail();
            }
            done += raw;
            progress(done, std::max(total, done));
            if (!commitIfDue()) return fail();
            if (last) break;
            lower = upper;
        }
        if (!begin()) return Result::Replaced;
        QSqlQuery q(idx());
        if (!execute(q, sql::kMetaComplete, {1}) || (bodies && !execute(q, sql::kMetaMerge, {1})) ||
            !commit())
            return fail();
        mergeDue_ = mergeDue_ || bodies;
        return Result::Done;
    }

    bool mergeDue() const { return mergeDue_; }

    // A build leaves the terms in many segments, which a search reads one after the other;
    // merged into one, they answer a common word faster. Run once the index answers, so
    // nobody waits for it; `running` holds the connection meanwhile, under `lock`, so that
    // stopping can cut it short (the index then stays as it was). Not begun once stopping.
    void compact(QMutex& lock, sqlite3*& running, const bool& stopping)
    {
        if (!mergeDue_ || inTxn_) return;
        mergeDue_ = false; // the file says whether it is due at the next start
        QSqlDatabase db = idx();
        {
            QMutexLocker hold(&lock);
            if (stopping) return;
            running = sql::handleOf(db);
        }
        // The merged terms are written beside the old ones; the file is then written anew
        // without the space they leave, and the log emptied.
        QSqlQuery q(db);
        for (const QString& step : sql::kIndexCompact)
            if (!q.exec(step)) break;
        QMutexLocker hold(&lock);
        running = nullptr;
    }

    // The program's own changes, each row read again as it is now.
    Result apply(const QList<OwnChange>& changes, bool& usable)
    {
        if (!begin()) return Result::Replaced;
        if (!applyIn(changes, usable)) return fail();
        return commit() ? Result::Done : fail();
    }

    bool commit()
    {
        if (!inTxn_) return true;
        QSqlQuery q(idx());
        const bool ok = execute(q, sql::kMetaGarbage, {garbage_}) && execute(q, sql::kCommit);
        q = QSqlQuery();
        if (!ok) {
            rollback();
            return false;
        }
        inTxn_ = false;
        committedSeq_ = std::max(committedSeq_, seqInTxn_);
        return true;
    }

private:
    QSqlDatabase idx() const { return QSqlDatabase::database(indexName_, false); }
    QSqlDatabase diary() const { return QSqlDatabase::database(diaryName_, false); }

    Result fail()
    {
        rollback();
        return Result::Failed;
    }

    void rollback()
    {
        QSqlQuery q(idx());
        q.exec(sql::kRollback);
        inTxn_ = false;
        seqInTxn_ = committedSeq_;
    }

    bool count(const QSqlDatabase& db, const QString& text, int& n)
    {
        QSqlQuery q(db);
        if (!execute(q, text) || !q.next()) return false;
        n = q.value(0).toInt();
        return true;
    }

    // Takes the index as it is when it is this diary's and of this maker, else makes it.
    bool adopt()
    {
        if (readMeta()) return true;
        QSqlQuery q(idx());
        if (!execute(q, sql::kBeginWrite)) return false;
        if (readMeta()) return execute(q, sql::kCommit); // made meanwhile by another copy
        bool ok = true;
        for (const QString& step : sql::kIndexCreate)
            ok = ok && execute(q, step);
        const qint64 gen = qint64(QRandomGenerator::system()->generate64() >> 2);
        ok = ok && execute(q, sql::kMetaCreate, {index::makerVersion(), diaryPath_, gen}) &&
             execute(q, sql::kCommit);
        if (!ok) {
            q.exec(sql::kRollback);
            return false;
        }
        gen_ = gen;
        garbage_ = 0;
        mergeDue_ = false;
        return true;
    }

    bool readMeta()
    {
        int tables = 0;
        if (!count(idx(), sql::kIndexTables, tables) || tables != 3) return false;
        QSqlQuery q(idx());
        if (!execute(q, sql::kMetaGet) || !q.next()) return false;
        if (q.value(0).toString() != index::makerVersion() || q.value(1).toString() != diaryPath_)
            return false;
        gen_ = q.value(2).toLongLong();
        garbage_ = q.value(5).toLongLong();
        mergeDue_ = q.value(6).toInt() == 1;
        return true;
    }

    // Opens an index transaction unless one is open. False when the file was replaced or
    // made anew by another copy since this one took it.
    bool begin()
    {
        if (inTxn_) return true;
        struct stat st;
        if (::stat(QFile::encodeName(indexPath_).constData(), &st) != 0 || st.st_ino != ino_)
            return false;
        QSqlQuery q(idx());
        if (!execute(q, sql::kBeginWrite)) return false;
        if (!execute(q, sql::kMetaGen) || !q.next() || q.value(0).toLongLong() != gen_) {
            q = QSqlQuery();
            rollback();
            return false;
        }
        q = QSqlQuery();
        // From the first change on, the stamp no longer tells the index is current; it is
        // written again when the program closes in step with the diary.
        QSqlQuery w(idx());
        if (!execute(w, sql::kMetaStamp, {QStringLiteral("")})) {
            w = QSqlQuery();
            rollback();
            return false;
        }
        inTxn_ = true;
        age_.start();
        return true;
    }

    bool commitIfDue() { return !inTxn_ || age_.elapsed() < kCommitAfterMs || commit(); }

    bool reset()
    {
        QSqlQuery q(idx());
        garbage_ = 0;
        return execute(q, sql::kTermsClear) && execute(q, sql::kKeysClear) &&
               execute(q, sql::kMetaComplete, {0});
    }

    // A page of the diary in key order after `after`; raw counts every row read, rows holds
    // the day keys; `after` becomes the last key read.
    bool readAfter(const QString& from, int page, bool bodies, QList<Row>& rows, int& raw,
                   QString& after)
    {
        QSqlQuery q(diary());
        if (!execute(q, bodies ? sql::kBodiesAfter : sql::kDigestsAfter, {from, page}))
            return false;
        while (q.next()) {
            ++raw;
            after = q.value(0).toString();
            Row r;
            if (!keyNumber(after, r.key)) continue;
            r.digest = q.value(1).toByteArray();
            if (bodies) r.body = q.value(2).toString();
            rows << r;
        }
        // Ends the read transaction at once.
        q.finish();
        return q.lastError().type() == QSqlError::NoError;
    }

    // Fills in the bodies of rows read by their digests; a row gone meanwhile keeps no
    // digest.
    bool readBodies(QList<Row>& rows)
    {
        QHash<qint64, Row> now;
        for (qsizetype from = 0; from < rows.size(); from += kMostInList) {
            const qsizetype n = std::min<qsizetype>(kMostInList, rows.size() - from);
            QVariantList keys;
            for (qsizetype i = from; i < from + n; ++i)
                keys << DateKey::fromNumber(rows.at(i).key);
            QSqlQuery q(diary());
            if (!execute(q, sql::inList(sql::kBodiesOf, n), keys)) return false;
            while (q.next()) {
                Row r;
                if (!keyNumber(q.value(0).toString(), r.key)) continue;
                r.digest = q.value(1).toByteArray();
                r.body = q.value(2).toString();
                now.insert(r.key, r);
            }
            q.finish();
        }
        for (Row& r : rows) {
            const auto it = now.constFind(r.key);
            r.digest = it == now.cend() ? QByteArray() : it->digest;
            r.body = it == now.cend() ? QString() : it->body;
        }
        return true;
    }

    bool storedBetween(qint64 lower, qint64 upper, QHash<qint64, Stored>& out)
    {
        QSqlQuery q(idx());
        if (!execute(q, sql::kKeysBetween, {lower, upper})) return false;
        while (q.next())
            out.insert(q.value(0).toLongLong(), {true, q.value(1).toByteArray()});
        return true;
    }

    bool storedOf(qint64 key, Stored& s)
    {
        QSqlQuery q(idx());
        if (!execute(q, sql::kKeyOf, {key})) return false;
        s = {};
        if (q.next()) s = {true, q.value(0).toByteArray()};
        return true;
    }

    // A statement on the index prepared once for the many rows of a build.
    QSqlQuery& prepared(const QString& text)
    {
        auto it = prepared_.find(text);
        if (it == prepared_.end()) {
            it = prepared_.emplace(text, QSqlQuery(idx())).first;
            it->second.prepare(text);
        }
        return it->second;
    }

    bool executePrepared(const QString& text, const QVariantList& values)
    {
        QSqlQuery& q = prepared(text);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        const bool ok = q.exec();
        q.finish();
        return ok;
    }

    bool terms(const QString& statement, qint64 key, const QString& body)
    {
        const QByteArray t = terms::ofBody(fold(body));
        return t.isEmpty() || executePrepared(statement, {key, t});
    }

    // The body's terms replace the key's: exactly, when the body they came from is known;
    // else the earlier terms stay beside the new ones, and a search that finds the key by
    // them reads its body and passes it over.
    bool replace(qint64 key, const Stored& s, const Row& now, const OwnChange* before)
    {
        if (s.exists && before) {
            if (!terms(sql::kTermsRemove, key, before->bodyBefore)) return false;
        } else if (s.exists) {
            ++garbage_;
        }
        return terms(sql::kTermsAdd, key, now.body) &&
               executePrepared(sql::kKeyPut, {key, now.digest});
    }

    bool remove(qint64 key, const Stored& s, const OwnChange* before)
    {
        if (!s.exists) return true;
        if (before) {
            if (!terms(sql::kTermsRemove, key, before->bodyBefore)) return false;
        } else {
            ++garbage_;
        }
        return executePrepared(sql::kKeyDrop, {key});
    }

    bool applyIn(const QList<OwnChange>& changes, bool& usable)
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

    const QString diaryPath_, indexPath_, indexName_, diaryName_;
    qint64 gen_ = 0;
    qint64 garbage_ = 0;
    ino_t ino_ = 0;
    bool inTxn_ = false;
    bool mergeDue_ = false;
    QElapsedTimer age_;
    quint64 seqInTxn_ = 0, committedSeq_ = 0;
    std::map<QString, QSqlQuery> prepared_;
};

IndexWorker::IndexWorker(const QString& diaryPath, const QString& indexPath,
                         std::function<void(int, int)> progress)
    : diaryPath_(diaryPath), indexPath_(indexPath), progress_(std::move(progress))
{
}

IndexWorker::~IndexWorker()
{
    stop();
    wait();
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
    QMutexLocker lock(&mutex_);
    change(status_);
    answered_.wakeAll();
}

void IndexWorker::run()
{
    // The program's window comes up first: opening the index and reading the diary now
    // would slow it down.
    bool stopped = false;
    {
        QDeadlineTimer pause(kFirstPassAfterMs);
        QMutexLocker lock(&mutex_);
        while (!hurried_ && !stopping_ && !pause.hasExpired())
            wake_.wait(&mutex_, pause);
        stopped = stopping_;
    }
    if (!stopped) index::forgetVanished(indexPath_);
    Builder b(diaryPath_, indexPath_, QStringLiteral("drvesk-index-%1").arg(quintptr(this)));
    bool ok = b.start(false);
    bool usable = true;
    const bool current = ok && b.upToDate();
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
    auto recover = [&](Builder::Result r) {
        // Made anew by another copy, or unreadable: start over on the file as it is now,
        // or on a new one, and catch up again.
        const bool fresh = r == Builder::Result::Failed;
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
            const Builder::Result r = b.apply(changes, usable);
            // A key that is no day: whether the diary still holds one when it is searched
            // next is for a catch-up to say.
            if (wasUsable && !usable) requestPass();
            publish([&](Status& s) {
                s.applied = std::max(s.applied, b.committedSeq());
                s.usable = usable;
            });
            if (r != Builder::Result::Done) recover(r);
        }
        if (stopping) break;
        if (!ok || wanted <= status().passDone) continue;
        publish([&](Status& s) { s.phase = Phase::Building; });
        auto between = [&](QList<OwnChange>& own) {
            quint64 ignored = 0;
            return takeWork(own, ignored, false);
        };
        const Builder::Result r = b.pass(between, progress, usable);
        publish([&](Status& s) {
            s.applied = std::max(s.applied, b.committedSeq());
            s.usable = usable;
            if (r == Builder::Result::Done) {
                s.passDone = std::max(s.passDone, wanted);
                s.phase = Phase::Ready;
                s.compacting = b.mergeDue();
            }
        });
        if (r == Builder::Result::Done) {
            if (progress_) progress_(1, 1);
            compact();
        } else if (r == Builder::Result::Stopped) {
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
