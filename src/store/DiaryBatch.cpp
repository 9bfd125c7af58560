#include "DiaryBatch.h"

#include "DiaryKeys.h"
#include "Statements.h"

namespace drv::diary {

namespace {

// Keys per look-up: well below the engine's limit of bound values and the store's 500 rows.
constexpr qsizetype kKeysPerQuery = 400;

bool exec(const QString& text)
{
    int n = 0;
    return DbExec(Statement{text, {}}, n);
}

bool entriesIn(const QStringList& keys, QHash<QString, DiaryEntry>& found)
{
    QString marks;
    for (qsizetype i = 0; i < keys.size(); ++i)
        marks += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    Statement st{sql::kEntriesOf + marks + u')', {}};
    for (const QString& k : keys)
        st.values << k;
    ColumnTable t;
    int n = 0;
    if (!DbGetRows(st, t, n)) return false;
    for (const DiaryEntry& e : entriesOf(t, n))
        found.insert(e.skYmn, e);
    return true;
}

// Whether every day still holds what the plan saw.
BatchOutcome check(const QList<BatchRow>& rows, const std::function<bool(qint64, qint64)>& progress)
{
    const qint64 total = 2 * rows.size();
    for (qsizetype from = 0; from < rows.size(); from += kKeysPerQuery) {
        const qsizetype to = std::min(rows.size(), from + kKeysPerQuery);
        QStringList keys;
        for (qsizetype i = from; i < to; ++i)
            keys << rows.at(i).after.skYmn;
        QHash<QString, DiaryEntry> now;
        if (!entriesIn(keys, now)) return BatchOutcome::Failed;
        for (qsizetype i = from; i < to; ++i) {
            const BatchRow& r = rows.at(i);
            const auto it = now.constFind(r.after.skYmn);
            const bool holds = it != now.constEnd();
            if (holds != r.before.has_value() || (holds && *it != *r.before))
                return BatchOutcome::Changed;
        }
        if (progress && !progress(to, total)) return BatchOutcome::Stopped;
    }
    return BatchOutcome::Written;
}

BatchOutcome write(const QList<BatchRow>& rows, const std::function<bool(qint64, qint64)>& progress)
{
    QList<QList<StoreValue>> inserts, updates, deletes;
    for (const BatchRow& r : rows) {
        if (r.remove) {
            deletes << QList<StoreValue>{r.after.skYmn};
            continue;
        }
        // Into an encrypted diary, imported entries go sealed like any other.
        const QList<StoreValue> values{
            storedValue(r.after.skYmn, QStringLiteral("szTtl"), r.after.szTtl),
            storedValue(r.after.skYmn, QStringLiteral("szDoc"), r.after.szDoc), r.after.skYmn};
        (r.before ? updates : inserts) << values;
    }
    const qint64 total = 2 * rows.size();
    qint64 done = rows.size();
    // Progress is told now and then: it may process the window's events.
    auto every = [&](qsizetype n) { return n % 64 != 0 || !progress || progress(done + n, total); };
    bool stopped = false;
    if (!DbExecEach(sql::kInsert + sql::kValues, inserts, every, stopped))
        return stopped ? BatchOutcome::Stopped : BatchOutcome::Failed;
    done += inserts.size();
    if (!DbExecEach(sql::kUpdate + sql::kWhereKey, updates, every, stopped))
        return stopped ? BatchOutcome::Stopped : BatchOutcome::Failed;
    done += updates.size();
    if (!DbExecEach(sql::kDelete, deletes, every, stopped))
        return stopped ? BatchOutcome::Stopped : BatchOutcome::Failed;
    if (progress && !progress(total, total)) return BatchOutcome::Stopped;
    return BatchOutcome::Written;
}

} // namespace

BatchOutcome writeBatch(const QList<BatchRow>& rows,
                        const std::function<bool(qint64 done, qint64 total)>& progress)
{
    if (!exec(sql::kBeginWrite)) return BatchOutcome::Failed;
    BatchOutcome outcome = check(rows, progress);
    if (outcome == BatchOutcome::Written) outcome = write(rows, progress);
    // The commit cannot be stopped any more; progress only keeps the window answering.
    const qint64 total = 2 * rows.size();
    if (outcome == BatchOutcome::Written && !DbCommitAway([&] {
            if (progress) progress(total, total);
        }))
        outcome = BatchOutcome::Failed;
    if (outcome != BatchOutcome::Written) DbRollback();
    return outcome;
}

bool entriesOfDays(const QStringList& keys, QHash<QString, DiaryEntry>& found,
                   const std::function<bool(qint64 done, qint64 total)>& progress)
{
    found.clear();
    for (qsizetype from = 0; from < keys.size(); from += kKeysPerQuery) {
        if (!entriesIn(keys.mid(from, kKeysPerQuery), found)) return false;
        if (progress && !progress(from + kKeysPerQuery, keys.size())) return false;
    }
    return true;
}

bool entryCount(int& n)
{
    n = 0;
    return DbGetRec(Statement{sql::kCountAll, {}}, n);
}

} // namespace drv::diary
