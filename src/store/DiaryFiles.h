#pragma once
// Whole diary files apart from the open diary: consistent copies through the engine's
// backup, a check that reads every page, and what a file holds. Each call opens its
// own connections, so any thread may use them.

#include <QString>

#include <functional>

namespace drv {

// How a copy shares the source with its other users: it reads a few pages at a time,
// holding the source's read lock only while it does, pauses between steps, and waits
// while another connection writes.
struct CopyPace {
    int pagesPerStep = 1024;
    int pauseMs = 0;      // after each step
    int busyPauseMs = 20; // while the source or the target is locked by another writer
    int giveUpMs = 120000;
};

// Copies the diary file `from` into the file `to` as one consistent state: a new file,
// or an existing diary, which then changes in one transaction. A change of the source
// meanwhile starts the copy again. keepGoing hears pages done out of all and may stop
// the copy (stopped set, `to` unchanged when it was a diary). False with a reason on
// failure; shows nothing.
bool copyDiaryFile(const QString& from, const QString& to, const CopyPace& pace,
                   const std::function<bool(qint64 done, qint64 total)>& keepGoing, bool& stopped,
                   QString& reason);

// Reads every page of the file and its table of entries without writing to it.
bool checkDiaryFile(const QString& path, QString& reason);

struct DiarySummary {
    int entries = 0;
    QString newestKey; // by date in the century window; empty when there is no entry
    QString newestTitle;
};
// How many entries a diary file holds and which is the newest, read without writing.
bool summarizeDiaryFile(const QString& path, DiarySummary& summary, QString& reason);

} // namespace drv
