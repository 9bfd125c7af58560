#pragma once
// The mirror folder: one plain file a day ("YYYY/YYYY-MM-DD.md", see DayText.h) kept in
// step with the diary both ways, by content, for the user's own sync tool to carry to
// other machines. A pass has three stages, so that a window can ask its questions in
// between and write many files away from its thread:
//
//   Mirror m(sUsrFld);                  // reads "mirror.state" in the data folder
//   m.link(confirm, why);               // the marker: refuses another diary's folder
//   auto r = m.prepareScan();           // the store's thread: a reader for the scan
//   Pass p; m.scan(p, today, *r);       // any thread: the diary's rows and the files
//                                       // that changed
//   Answers a = …;                      // p.choose through the import's keep / replace /
//                                       // append choice, p's deletions through confirm
//   Work w; m.planFiles(p, today, w);   // the files the diary's changes need (any thread)
//   m.applyToDiary(p, a, today, w);     // snapshot, then one transaction (store's thread)
//   runFileWork(w, progress);           // writes and moves files (any thread)
//   m.record(w);                        // remembers what both sides now agree on
//
// or syncOnce() for all of it at once. Deletions are never carried across without a
// question; conflict copies of sync tools are read, offered when the diary does not hold
// their text, and moved out of the folder into "mirror-aside/" of the data folder, as is
// any file whose text a choice replaced. A changed file is read only once its size and
// time have been still for a moment; until then the pass says `again`. A file is written
// only over the version the scan saw (or where it saw none): one that changed meanwhile
// is left for the next pass, and so is a day of the diary that changed meanwhile (the
// batch checks each day against what the scan read).
//
// Between passes a file is taken as agreed by its stamp (size, times, inode) alone, and
// the diary by the engine's data version and the days this program told. A stamp taken
// less than two seconds after the file's modification time is not trusted (a write in the
// same tick of a coarse clock would keep it): such a file is read again until a pass sees
// it settled. A rescan (the window activated again) also reads every file modified within
// the last hour by its time, for a folder whose clock runs behind this machine's.
//
// A year folder whose own stamp is as it was when every file in it was found as agreed
// is not looked into at all by a pass (sync tools and most editors write a new file and
// rename it, which changes the folder); an edit written in place into an existing file
// leaves the folder as it is and is found by the next rescan, when the window is
// activated again.

#include "DiaryReader.h"
#include "Import.h"
#include "MirrorState.h"
#include "Progress.h"

#include <QDateTime>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace drv::mirror {

// The folder the mirror keeps files it moved out of the way in, below the data folder.
inline constexpr char kAsideName[] = "mirror-aside";

// A day file or conflict copy as read.
struct FoundFile {
    QDate day;
    QString path;
    QString text; // normalised
    QByteArray digest;
    FileStamp stamp;
    qint64 statedNs = 0;           // when stamp was taken, by this machine's clock
    std::optional<DiaryEntry> row; // what the diary held for the day when it was read
    bool known = true;             // false: text not read (the file is as agreed)
};

struct Pass {
    QList<DiaryEntry> toFiles;    // the diary changed: write these days' files
    QList<FoundFile> fromFiles;   // the file changed: read it into the diary
    keep::ImportPlan choose;      // both changed or never agreed: incoming is the file's
    QList<FoundFile> chooseFiles; // the file or copy of each of choose.conflicts
    QList<FoundFile> copiesAdded; // copies of days the diary does not hold (choose.added)
    QList<DiaryEntry> filesGone;  // the file was deleted: delete the row?
    QList<FoundFile> rowsGone;    // the row was deleted: delete the file?
    QList<FoundFile> copiesHeld;  // conflict copies whose text the diary holds
    QList<std::pair<QDate, FoundFile>> agree; // both hold the same text
    QList<QDate> forget;                      // neither side holds the day any more
    QStringList unreadable;                   // files that are not UTF-8: left as they are
    QHash<QDate, FileStamp> seen;             // each day file's stamp as the scan saw it
    bool again = false;                       // some file was not still yet: scan again in a moment
    // Whether anything would change on either side or a question is due.
    bool isEmpty() const;
};

struct Answers {
    bool chosen = false;             // false: the choice was cancelled, those days wait
    QList<keep::Resolution> choices; // one per choose.conflicts
    bool removeRows = false;         // delete the rows of filesGone (else write them back)
    bool removeFiles = false;        // move rowsGone's files aside (else read them back)
};

// What the diary side leaves for the files.
struct FileJob {
    enum Kind { Write, Aside };
    Kind kind = Write;
    QDate day;
    QString path;     // the file's place in the mirror
    QByteArray bytes; // Write: the file's bytes
    QByteArray digest;
    FileStamp stamp; // after the job, for record()
    bool done = false;
    FileStamp expect; // Write: the file as the scan saw it (null: none); else left alone
    qint64 statedNs = 0;
};
struct Work {
    QList<FileJob> jobs;
    QString asideFolder; // where Aside puts files
    QList<std::pair<QDate, FoundFile>> agree;
    QList<QDate> forget;
    QSet<QDate> changedDays; // the days written into the diary
    bool diaryFailed = false;
    bool again = false; // a day or a file changed since the scan: a pass again soon
    QString failure;    // why the diary or a file could not be written
};

class Mirror {
public:
    // Reads the state in dataFolder (with its trailing "/").
    explicit Mirror(const QString& dataFolder);

    MirrorState& state() { return state_; }
    const MirrorState& state() const { return state_; }
    QString statePath() const;
    QString asideFolder() const;
    // Writes the state when it changed.
    bool saveState();
    bool stateChanged() const { return dirty_; }
    // Turns the mirror off (what was agreed stays for turning it on again) or on again.
    void setOn(bool on);
    // Turns the mirror on for a folder; a folder other than the last forgets what was
    // agreed with that one.
    void choose(const QString& folder);

    // How long a changed file must keep its size and time before it is read.
    void setStillMs(qint64 ms) { stillMs_ = ms; }

    enum class LinkOutcome { Ready, Refused, Declined, Failed };
    // Checks the folder's marker: a folder without one is made this diary's. A folder whose
    // marker names another diary is refused once this diary has agreed days with the
    // folder (someone put another diary's files there); before that, this diary may join
    // the one another machine linked to it, when ask says yes (the second machine's
    // first link). `why` says why it is not Ready.
    LinkOutcome link(const std::function<bool(const QString& question)>& ask, QString& why);

    // On the store's thread, before each scan: notes the diary's data version and gives
    // the scan its reader, so that the scan may run on another thread. The Mirror then
    // belongs to that thread until the scan returns.
    std::unique_ptr<diary::DiaryReader> prepareScan();
    // Reads the files whose stamps changed since they agreed, and the diary's rows when
    // it changed since the last scan. rescan: the thorough one (see above).
    bool scan(Pass& pass, const QDate& today, diary::DiaryReader& reader, bool rescan = false,
              const keep::Progress& progress = {});
    QString scanFailure() const { return scanFailure_; }

    // This program changed the diary: the next scan reads every row again. A saved day
    // alone is told with its entry (none when it was emptied).
    void diaryChanged() { rowsRead_ = false; }
    void dayChanged(const QDate& day, const DiaryEntry& entry);

    // Whether the day's file is as both sides last agreed (or missing, with no agreement):
    // then a save alone decides it. A stamp not yet settled is checked by the file's text.
    bool fileAsAgreed(const QDate& day) const;

    // Whether a year folder holds just the files last agreed on (as after the program's
    // own writes), by their stamps alone: a watcher's event then needs no pass.
    bool yearInStep(const QString& yearFolder) const;

    // The files a pass writes whatever the answers (the diary changed, copies it holds);
    // any thread, before the questions.
    void planFiles(const Pass& pass, const QDate& today, Work& work) const;
    // The diary's side of a pass, after the questions, added to planFiles' work: a
    // snapshot when rows change, then one transaction (the store's thread). A day that
    // changed since the scan leaves the diary as it is and sets work.again. progress hears
    // the rows (a second machine's first link reads a whole diary); stopped by it, nothing
    // is written and the files wait for the next pass.
    void applyToDiary(const Pass& pass, const Answers& answers, const QDate& today, Work& work,
                      const keep::Progress& progress = {});
    // What the files now hold is what both agree on.
    void record(const Work& work);
    // Days the user declined to choose for stay out of the next passes until a side changes.
    void decline(const Pass& pass);

private:
    bool stillEnough(const QString& path, const FileStamp& stamp);
    bool trusted(const DayAgreement& agreed, const FileStamp& now, bool rescan) const;

    QString dataFolder_;
    MirrorState state_;
    qint64 stillMs_ = 2000;
    QHash<QString, std::pair<FileStamp, qint64>> firstSeen_; // path: stamp, when seen
    QSet<QByteArray> declined_;
    // Year folders, with their stamps, in which every file was as agreed by its stamp: a
    // pass that finds a folder's stamp unchanged takes its files as agreed without a look
    // at each (an edit in place, which leaves the folder as it is, waits for a rescan).
    QHash<QString, FileStamp> cleanFolders_;
    // The diary as the last scan read it: read again when this program changed it (told)
    // or another program committed to it (the engine's data version). Rows read are kept
    // in `fresh` for the days whose files the scan found different.
    bool readDiary(const QDate& today, diary::DiaryReader& reader,
                   const QHash<QDate, FoundFile>& files, QHash<QDate, DiaryEntry>& fresh,
                   const keep::Progress& progress);
    QHash<QDate, QByteArray> rows_; // each day's digest
    bool rowsRead_ = false;
    qint64 dataVersion_ = -1;
    qint64 versionNow_ = -1; // as prepareScan saw it; -1: unknown
    QString scanFailure_;
    // Each row's digest with a quick fingerprint of the row it was made from.
    QHash<QDate, std::pair<size_t, QByteArray>> digests_;
    bool dirty_ = false; // the state changed since it was read or saved
};

// Writes and moves the files; any thread. Files are renamed into place whole; with many
// at once they are flushed together at the end instead of one by one.
void runFileWork(Work& work, const keep::Progress& progress = {});

// Why this diary keeps no mirror folder: another machine holds it (that machine keeps the
// files), or it is encrypted (its entries would lie there as plain text, and be carried to
// other machines so). Empty when it may.
QString unavailableReason();

// The questions of a pass: the choice for conflicts (false: cancelled) and yes or no.
struct Questions {
    std::function<bool(const keep::ImportPlan& plan, QList<keep::Resolution>& choices)> choose;
    std::function<bool(const QString& question)> confirm;
};

// The whole of one pass on this thread. False when it could not run (why says why).
struct SyncResult {
    bool ok = false;
    bool again = false; // scan again in a moment
    int filesWritten = 0;
    int daysRead = 0; // days the diary took from the files
    QString why;
};
SyncResult syncOnce(Mirror& mirror, const Questions& ask, const QDate& today,
                    const keep::Progress& progress = {});

// The questions' words, for the window and the terminal alike.
QString removedFilesQuestion(const QList<DiaryEntry>& rows, const QDate& today);
QString removedRowsQuestion(const QList<FoundFile>& files);

} // namespace drv::mirror
