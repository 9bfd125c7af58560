#pragma once
// What the word search keeps of the open diary, shared by its parts inside this library:
// the lifecycle that follows the diary (SearchIndex.cpp), the listing's query
// (IndexQuery.cpp) and the cleaning of an earlier version's index (RetiredIndex.cpp).

#include "DayCounts.h"
#include "IndexWorker.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>

struct sqlite3;

namespace drv {

namespace vault {
class KeySet;
}

struct SearchState {
    QString diaryPath, indexPath;
    // An encrypted diary's: its keys and the index's sealed file.
    std::shared_ptr<const vault::KeySet> keys;
    QString sealedPath;
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
    // Asked for the day counts and not answered yet: answered when the index is in step,
    // or by the count of every body on a thread of its own.
    struct CountWaiter {
        QPointer<QObject> context;
        std::function<void(const QList<DayCount>&, bool)> done;
    };
    QList<CountWaiter> countWaiters;
    std::unique_ptr<QThread> bodyCounter;
};

// The open diary's; null while none is open.
std::unique_ptr<SearchState>& searchState();

// Whether the index answers for the diary as it is now: built, of a diary it can order,
// caught up with every other program's change seen so far. Another program's commit is
// seen by the diary's data version; a search (wait) then gives the worker a little time.
bool indexCurrent(bool wait);

// Answers those waiting for the day counts when the index can; on the store's thread after
// each change of the worker's status.
void answerCountWaiters();
// Stops counting bodies for them, and forgets them, as the diary closes.
void dropCountWaiters();

// drv_match(text, word) on the diary's connection: the plain scan's match.
bool registerWordMatch(sqlite3* diary);
// The listing's own connection on the index (of that generation), opened when it is not;
// null when it cannot be. Closed when the diary closes.
sqlite3* openIndexReader(qint64 generation);
void closeIndexReader();
// Takes out what an earlier version kept inside the diary, in one transaction and leaving
// every row of tbDoc as it was. Quiet: a diary that cannot be written keeps them for now.
void retireOldIndex(sqlite3* diary);

} // namespace drv
