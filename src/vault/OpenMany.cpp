#include "OpenMany.h"

#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <vector>

namespace drv::vault {

namespace {

// Below this much to open, waking a thread costs about what it saves.
constexpr qsizetype kShareBytes = 32 * 1024;

// A pool of its own, so that a long job on the global pool never holds up a listing. Its
// threads stay, as starting one costs about as much as a share of the work.
QThreadPool& helpers()
{
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount() - 1));
        pool.setExpiryTimeout(-1);
        return true;
    }();
    Q_UNUSED(once);
    return pool;
}

// Owned by the call and by every helper it started, so that a helper still busy with its
// last value when the call returns touches nothing of the caller's.
struct Job {
    std::shared_ptr<const KeySet> keys;
    QList<SealedValue> values;
    std::vector<QString> texts;
    std::unique_ptr<std::atomic<bool>[]> done; // opened by a helper, and texts[i] set
    std::unique_ptr<std::atomic<bool>[]> opened;
    std::atomic<qsizetype> next{0};

    bool openOne(qsizetype i, QString& text) const
    {
        const SealedValue& v = values.at(i);
        return keys && keys->openValue(v.day, v.column, v.sealed, text);
    }
};

void help(Job& job)
{
    const qsizetype n = job.values.size();
    for (qsizetype i = job.next.fetch_add(1); i < n; i = job.next.fetch_add(1)) {
        job.opened[i].store(job.openOne(i, job.texts[size_t(i)]), std::memory_order_relaxed);
        job.done[i].store(true, std::memory_order_release);
    }
}

} // namespace

QList<std::optional<QString>> openMany(std::shared_ptr<const KeySet> keys,
                                       QList<SealedValue> values)
{
    const qsizetype n = values.size();
    qsizetype bytes = 0;
    for (const SealedValue& v : values)
        bytes += v.sealed.size();
    auto job = std::make_shared<Job>();
    job->keys = std::move(keys);
    job->values = std::move(values);
    job->texts.resize(size_t(n));
    job->done.reset(new std::atomic<bool>[size_t(n)]());
    job->opened.reset(new std::atomic<bool>[size_t(n)]());
    const qsizetype wanted = qMin<qsizetype>(helpers().maxThreadCount(), bytes / kShareBytes);
    for (qsizetype h = 0; h < qMin(wanted, n - 1); ++h)
        helpers().start([job] { help(*job); });

    QList<std::optional<QString>> out(n);
    std::vector<bool> mine(static_cast<size_t>(n));
    for (qsizetype i = job->next.fetch_add(1); i < n; i = job->next.fetch_add(1)) {
        mine[size_t(i)] = true;
        QString text;
        if (job->openOne(i, text)) out[i] = std::move(text);
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (mine[size_t(i)]) continue;
        if (job->done[i].load(std::memory_order_acquire)) {
            if (job->opened[i].load(std::memory_order_relaxed))
                out[i] = std::move(job->texts[size_t(i)]);
            continue;
        }
        // Still with a helper (or with one that lost the CPU): opened here instead.
        QString text;
        if (job->openOne(i, text)) out[i] = std::move(text);
    }
    return out;
}

} // namespace drv::vault
