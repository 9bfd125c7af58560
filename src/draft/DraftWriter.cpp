#include "DraftWriter.h"

#include "SyncedFile.h"

#include <QDebug>

namespace drv {

DraftWriter::DraftWriter(QString path) : path_(std::move(path)), worker_([this] { run(); }) {}

DraftWriter::~DraftWriter()
{
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    worker_.join();
}

void DraftWriter::submit(QList<Draft> drafts)
{
    {
        std::lock_guard lock(m_);
        pending_ = std::move(drafts);
    }
    cv_.notify_all();
}

bool DraftWriter::flush()
{
    std::unique_lock lock(m_);
    cv_.wait(lock, [this] { return !pending_ && !busy_; });
    return lastOk_;
}

void DraftWriter::run()
{
    std::unique_lock lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return pending_ || stop_; });
        if (!pending_) return; // stopping, and nothing left to write
        const QList<Draft> drafts = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        const bool ok =
            drafts.isEmpty() ? removeSynced(path_) : writeSynced(path_, serializeDrafts(drafts));
        if (!ok) qWarning().noquote() << "could not write the draft file" << path_;
        lock.lock();
        busy_ = false;
        lastOk_ = ok;
        cv_.notify_all();
    }
}

} // namespace drv
