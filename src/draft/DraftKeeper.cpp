#include "DraftKeeper.h"

#include "DraftSource.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <utility>

namespace drv {

namespace {

DraftKeeper* g_active = nullptr;

QString slotName(int n, const char* ending)
{
    return (n == 0 ? QStringLiteral("draft") : QStringLiteral("draft-%1").arg(n)) +
           QLatin1String(ending);
}

// A copy killed while it wrote leaves the unfinished file under a temporary name.
void removeUnfinished(const QString& folder, const QString& name)
{
    QDir dir(folder);
    for (const QString& f :
         dir.entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        dir.remove(f);
}

} // namespace

DraftKeeper::DraftKeeper(const QString& folder, QObject* parent) : QObject(parent)
{
    for (int n = 0; n < kSlots; ++n) {
        auto lock = std::make_unique<QLockFile>(folder + slotName(n, ".lock"));
        // A copy runs for hours without touching its lock; only a dead one loses it.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) continue;
        const QString path = folder + slotName(n, ".txt");
        removeUnfinished(folder, slotName(n, ".txt"));
        QFile f(path);
        const bool left = f.open(QIODevice::ReadOnly);
        if (left) {
            const QByteArray bytes = f.readAll();
            leftovers_.append({path, bytes, parseDrafts(bytes)});
        }
        if (!own_) {
            own_ = std::move(lock);
            ownPath_ = path;
            fileHolds_ = left;
        } else if (left) {
            // Held until the offer is over, so that a copy starting meanwhile leaves it be.
            others_.emplace_back(std::move(lock), path);
        }
    }
    if (own_) writer_ = std::make_unique<DraftWriter>(ownPath_);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &DraftKeeper::writeNow);
    clock_.start();
}

DraftKeeper::~DraftKeeper()
{
    if (g_active == this) g_active = nullptr;
}

DraftKeeper* DraftKeeper::active()
{
    return g_active;
}

QString DraftKeeper::path() const
{
    return ownPath_;
}

void DraftKeeper::arm()
{
    for (auto& [lock, path] : others_) {
        removeSynced(path);
        lock->unlock();
    }
    others_.clear();
    leftovers_.clear();
    if (!writer_) return;
    armed_ = true;
    g_active = this;
    writeNow();
}

void DraftKeeper::changed()
{
    if (!armed_) return;
    const qint64 now = clock_.elapsed();
    schedule_.changed(now);
    timer_.start(int(std::max<qint64>(0, *schedule_.due() - now)));
}

void DraftKeeper::settled()
{
    if (armed_) writeNow();
}

void DraftKeeper::writeNow()
{
    timer_.stop();
    schedule_.taken();
    if (!armed_) return;
    QList<Draft> drafts;
    for (const DraftSource* s : DraftSource::all())
        if (s->dirty()) drafts.append(s->draft());
    if (drafts.isEmpty() && !fileHolds_) return;
    writer_->submit(drafts);
    fileHolds_ = !drafts.isEmpty();
}

bool DraftKeeper::flush()
{
    return !writer_ || writer_->flush();
}

void DraftKeeper::finish()
{
    timer_.stop();
    if (g_active == this) g_active = nullptr;
    // Before arm the file still holds what the last run left: it is not ours to remove.
    if (std::exchange(armed_, false)) {
        writer_->submit({});
        writer_->flush();
    }
    writer_.reset();
    fileHolds_ = false;
    if (own_) own_->unlock();
}

} // namespace drv
