#pragma once
// The thread that keeps the search index: it builds the index of a diary that has none,
// catches up with changes that other programs made, and applies the program's own saves,
// deletes and moves, all on connections of its own. The diary is read in short read
// transactions, so a save of this program or of a second running copy never waits long.

#include "OwnChanges.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <memory>

struct sqlite3;

namespace drv {

namespace vault {
class KeySet;
}

class IndexWorker final : public QThread {
public:
    enum class Phase { Starting, Building, Ready, Failed };
    struct Status {
        Phase phase = Phase::Starting;
        bool usable = true;      // false when the diary holds keys the index cannot order
        quint64 passDone = 0;    // the last catch-up request answered
        quint64 applied = 0;     // own changes up to this number are in the index
        qint64 generation = 0;   // of the index file the worker keeps
        bool compacting = false; // merging a new build's terms, the index answering meanwhile
    };

    // progress(done, total) is called on the worker's thread while it reads the diary.
    // An encrypted diary's index is in memory (IndexFile.h): the worker reads its sealed
    // file first, and writes it again after each catch-up that answers.
    IndexWorker(const QString& diaryPath, const QString& indexPath,
                std::function<void(int done, int total)> progress, const QString& sealedPath = {},
                std::shared_ptr<const vault::KeySet> keys = {});
    ~IndexWorker() override;
    Q_DISABLE_COPY_MOVE(IndexWorker)

    void post(const QList<OwnChange>& changes);
    // Asks for a catch-up with the diary as it is now; returns the request's number. The
    // first request (number 1) is made by starting.
    quint64 requestPass();
    Status status() const;
    // Waits until the request is answered and the own changes up to `applied` are in (and,
    // when settled, no compaction runs), or the worker cannot answer; false on time-out.
    bool waitForPass(quint64 request, int ms, quint64 applied = 0, bool settled = false);
    // Applies what was posted, leaves any catch-up and ends the thread.
    void stop();
    // The connection that keeps a memory index alive, made by the worker once it starts (so
    // the program's start does not wait for it); handed over after the worker ended.
    sqlite3* takeAnchor();
    // Whether the memory index holds just what its sealed file holds: read from it or
    // written to it, and no commit since. Asked after the worker ended, before takeAnchor.
    bool sealedUnchanged() const;
    // Starts now instead of after the pause that leaves the start of the program to itself.
    void hurry();
    // Called on the worker's thread after each change of its status; set before start().
    void setStatusChanged(std::function<void()> told) { told_ = std::move(told); }

    static constexpr int kFirstPassAfterMs = 300;

protected:
    void run() override;

private:
    bool takeWork(QList<OwnChange>& changes, quint64& pass, bool wait);
    // The memory index is now as its sealed file (read, or just written).
    void markSealed();
    void publish(const std::function<void(Status&)>& change);

    const QString diaryPath_, indexPath_, sealedPath_;
    const std::shared_ptr<const vault::KeySet> keys_;
    const std::function<void(int, int)> progress_;
    std::function<void()> told_;
    mutable QMutex mutex_;
    QWaitCondition wake_, answered_;
    QList<OwnChange> changes_;
    quint64 passWanted_ = 1;
    bool stopping_ = false;
    bool hurried_ = false;
    Status status_;
    sqlite3* compacting_ = nullptr; // the index's connection while it is compacted
    sqlite3* anchor_ = nullptr;     // under mutex_
    // The anchor's count of other connections' commits when the index was last as its
    // sealed file; -1 when it is not known to be.
    qint64 sealedVersion_ = -1;
};

} // namespace drv
