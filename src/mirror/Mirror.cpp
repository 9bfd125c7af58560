#include "Mirror.h"

#include "Agreement.h"
#include "DateKey.h"
#include "DayText.h"
#include "DiaryFiles.h"
#include "DiaryKeys.h"
#include "KeepReports.h"
#include "MirrorNames.h"
#include "Snapshots.h"
#include "Store.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace drv::mirror {

namespace {

// A stamp taken this soon after its file's modification time may not tell a later write
// in the same tick of the file system's clock (whole seconds, or two, on some).
constexpr qint64 kSettledNs = 2'000'000'000;
// A rescan reads files modified this recently by their time, whatever their stamps.
constexpr qint64 kRecentNs = 3'600'000'000'000;

qint64 nowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}

bool settled(const FileStamp& stamp, qint64 statedNs)
{
    return statedNs - stamp.mtimeNs >= kSettledNs;
}

// Each entry of a folder that may be a folder (or else a file), unsorted, with the
// folder's descriptor for a look at it: one read of the folder, and no look at an entry
// whose kind the file system tells.
void eachIn(const QString& folder, bool folders,
            const std::function<void(int dirFd, const char* name)>& visit)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue; // ".", "..", hidden and temporary files
        const bool maybe = e->d_type == DT_UNKNOWN || e->d_type == DT_LNK;
        if (maybe || e->d_type == (folders ? DT_DIR : DT_REG)) visit(::dirfd(dir), e->d_name);
    }
    ::closedir(dir);
}

bool isYearName(const QString& name)
{
    return name.size() == 4 &&
           std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A quick fingerprint of a row as read, to reuse its digest while the row is unchanged.
size_t fingerprint(const DiaryEntry& e)
{
    return qHash(e.szDoc, qHash(e.szTtl, 0x6d6972));
}

// Whether the day can be a key of the diary: within its century window.
bool holdsDay(const QDate& day, const QDate& today)
{
    return DateKey::toDate(DateKey::fromDate(day), today) == day;
}

bool readText(FoundFile& f)
{
    QFile file(f.path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (!decodeDayFile(file.readAll(), f.text)) return false;
    f.digest = digestOf(f.text);
    f.known = true;
    return true;
}

// Whether a conflict copy's text is in the day's entry already: the same, or appended.
bool holdsCopy(const DiaryEntry& entry, const QString& entryText, const FoundFile& copy)
{
    if (copy.text.isEmpty() || copy.text == entryText) return true;
    const DiaryEntry c = entryOfText(copy.text, entry.skYmn);
    if (c.szDoc.trimmed().isEmpty() || !entry.szDoc.contains(c.szDoc.trimmed())) return false;
    return c.szTtl.isEmpty() || entry.szTtl == c.szTtl || entry.szDoc.contains(c.szTtl);
}

// The day's file written with the entry, over the file the scan saw (or where it saw none).
FileJob writeJob(const QString& folder, const DiaryEntry& e, const QDate& day, const Pass& pass)
{
    const QString text = dayFileText(e);
    return {FileJob::Write,
            day,
            folder + u'/' + dayFilePath(day),
            text.toUtf8(),
            digestOf(text),
            {},
            false,
            pass.seen.value(day),
            0};
}

FileJob asideJob(const FoundFile& f)
{
    return {FileJob::Aside, f.day, f.path, {}, {}, {}, false, {}, 0};
}

QByteArray pairOf(const QByteArray& a, const QByteArray& b)
{
    return a + '/' + b;
}

} // namespace

bool Pass::isEmpty() const
{
    return toFiles.isEmpty() && fromFiles.isEmpty() && choose.conflicts.isEmpty() &&
           choose.added.isEmpty() && filesGone.isEmpty() && rowsGone.isEmpty() &&
           copiesHeld.isEmpty() && agree.isEmpty() && forget.isEmpty();
}

Mirror::Mirror(const QString& dataFolder) : dataFolder_(dataFolder)
{
    state_.load(statePath());
}

QString Mirror::statePath() const
{
    return dataFolder_ + QLatin1String(kStateName);
}

QString Mirror::asideFolder() const
{
    return dataFolder_ + QLatin1String(kAsideName);
}

bool Mirror::saveState()
{
    if (!dirty_) return true;
    if (!state_.save(statePath())) return false;
    dirty_ = false;
    return true;
}

void Mirror::setOn(bool on)
{
    dirty_ |= state_.on != on;
    state_.on = on;
    diaryChanged(); // saves made while it is off are not told
}

void Mirror::choose(const QString& folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (clean != state_.folder) {
        state_.folder = clean;
        state_.days.clear();
        cleanFolders_.clear();
        firstSeen_.clear();
        declined_.clear();
    }
    state_.on = true;
    dirty_ = true;
    diaryChanged();
}

QString unavailableReason()
{
    // Another machine holds the diary: its files and the agreements are that machine's to
    // write. (A file this machine merely cannot write keeps its mirror: the files follow it.)
    if (DbIsHeldElsewhere())
        return QStringLiteral("この日記はほかのパソコンが使っているので、読み取り専用で"
                              "開いています。\n写しのフォルダーは、そのパソコンが書きます");
    if (!DbIsEncrypted()) return {};
    return QStringLiteral("この日記は暗号化してあるので、写しのフォルダーは使えません。\n"
                          "写しのファイルは暗号化されず、日記の中身が平文のまま同期先にも"
                          "残るからです。\n前に写したファイルが残っていれば、手で消してください");
}

Mirror::LinkOutcome Mirror::link(const std::function<bool(const QString&)>& ask, QString& why)
{
    why = unavailableReason();
    if (!why.isEmpty()) return LinkOutcome::Failed;
    if (state_.folder.isEmpty() || !QDir().mkpath(state_.folder)) {
        why = QStringLiteral("写しのフォルダー %1 を作れません").arg(state_.folder);
        return LinkOutcome::Failed;
    }
    Marker marker;
    if (readMarker(state_.folder, marker)) {
        if (marker.diaryId == state_.diaryId) return LinkOutcome::Ready;
        if (!state_.diaryId.isEmpty() && !state_.days.isEmpty()) {
            why = QStringLiteral("フォルダー %1 は別の日記 (%2) の写しです。\n"
                                 "この日記の写しには、別のフォルダーを選んでください")
                      .arg(state_.folder, marker.label);
            return LinkOutcome::Refused;
        }
        if (!ask || !ask(QStringLiteral("フォルダー %1 には、ほかのパソコンの日記 (%2) の写しが"
                                        "あります。\nこの日記と一つにして、両方で同じ日記を"
                                        "つけますか")
                             .arg(state_.folder, marker.label))) {
            why = QStringLiteral("写しのフォルダーをつなぎませんでした");
            return LinkOutcome::Declined;
        }
        state_.diaryId = marker.diaryId;
        dirty_ = true;
        return saveState() ? LinkOutcome::Ready : LinkOutcome::Failed;
    }
    if (state_.diaryId.isEmpty())
        state_.diaryId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    dirty_ = true;
    const QString label = qEnvironmentVariable("USER") + u'@' + QSysInfo::machineHostName() + u':' +
                          QDir::cleanPath(dataFolder_);
    if (!writeMarker(state_.folder, {state_.diaryId, label}) || !saveState()) {
        why = QStringLiteral("写しのフォルダー %1 に書けません").arg(state_.folder);
        return LinkOutcome::Failed;
    }
    return LinkOutcome::Ready;
}

bool Mirror::stillEnough(const QString& path, const FileStamp& stamp)
{
    if (stillMs_ <= 0) return true;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 mtimeMs = stamp.mtimeNs / 1000000;
    if (mtimeMs <= now - stillMs_) return true;
    // A time in the future (another machine's clock) is judged by how long it stays.
    auto it = firstSeen_.find(path);
    if (it == firstSeen_.end() || it->first != stamp) {
        firstSeen_.insert(path, {stamp, now});
        return false;
    }
    return now - it->second >= stillMs_;
}

void Mirror::dayChanged(const QDate& day, const DiaryEntry& entry)
{
    if (!rowsRead_) return;
    if (dayFileText(entry).isEmpty())
        rows_.remove(day);
    else
        rows_.insert(day, digestOf(dayFileText(entry)));
}

std::unique_ptr<diary::DiaryReader> Mirror::prepareScan()
{
    qint64 version = -1;
    versionNow_ = diary::dataVersion(version) ? version : -1;
    return std::make_unique<diary::DiaryReader>();
}

bool Mirror::trusted(const DayAgreement& agreed, const FileStamp& now, bool rescan) const
{
    if (agreed.stamp != now || !settled(agreed.stamp, agreed.statedNs)) return false;
    return !rescan || nowNs() - now.mtimeNs >= kRecentNs;
}

bool Mirror::fileAsAgreed(const QDate& day) const
{
    const QString path = state_.folder + u'/' + dayFilePath(day);
    const FileStamp stamp = stampOf(path);
    const auto agreed = state_.days.constFind(day);
    if (agreed == state_.days.constEnd()) return stamp.isNull();
    if (agreed->stamp != stamp) return false;
    if (settled(agreed->stamp, agreed->statedNs)) return true;
    FoundFile f;
    f.path = path;
    return readText(f) && f.digest == agreed->digest;
}

bool Mirror::readDiary(const QDate& today, diary::DiaryReader& reader,
                       const QHash<QDate, FoundFile>& files, QHash<QDate, DiaryEntry>& fresh,
                       const keep::Progress& progress)
{
    if (rowsRead_ && versionNow_ >= 0 && versionNow_ == dataVersion_) {
        // As read before, with the days told since: only the days whose files differ
        // are read again, one by one, when the scan needs their entries.
        return true;
    }
    int total = 0;
    if (!reader.count(total)) return false;
    QHash<QDate, QByteArray> rows;
    rows.reserve(std::max<qsizetype>(rows_.size(), total) + 64);
    bool stopped = false;
    const bool read = reader.walk(500, [&](const QList<DiaryEntry>& page) {
        for (const DiaryEntry& e : page) {
            const QDate day = DateKey::toDate(e.skYmn, today);
            if (!day.isValid()) continue;
            const size_t print = fingerprint(e);
            auto known = digests_.find(day);
            if (known == digests_.end() || known->first != print)
                known = digests_.insert(day, {print, digestOf(dayFileText(e))});
            if (known->second.isEmpty()) continue; // an empty row holds no entry
            rows.insert(day, known->second);
            const auto file = files.constFind(day);
            if (file == files.constEnd() || file->digest != known->second) fresh.insert(day, e);
        }
        stopped = progress && !progress(rows.size(), std::max<qint64>(total, rows.size()));
        return !stopped;
    });
    if (!read || stopped) {
        fresh.clear();
        return false;
    }
    for (auto it = digests_.begin(); it != digests_.end();)
        it = rows.contains(it.key()) ? std::next(it) : digests_.erase(it);
    rows_ = std::move(rows);
    rowsRead_ = versionNow_ >= 0;
    dataVersion_ = versionNow_;
    return true;
}

bool Mirror::scan(Pass& pass, const QDate& today, diary::DiaryReader& reader, bool rescan,
                  const keep::Progress& progress)
{
    pass = {};
    scanFailure_.clear();
    // The files first, so that the rows the files need are kept as the diary is read.
    const qint64 statedNs = nowNs(); // before any stamp is taken
    QHash<QDate, FoundFile> files;
    QSet<QDate> unsettled; // not still or not readable: decided in a later pass
    QList<FoundFile> copies;
    files.reserve(state_.days.size() + 64);
    pass.seen.reserve(state_.days.size() + 64);
    QStringList years;
    eachIn(state_.folder, true, [&](int, const char* name) { years << QFile::decodeName(name); });
    QSet<int> skipped; // year folders as they were when every file in them was as agreed
    for (const QString& year : std::as_const(years)) {
        // Whether the diary's century window holds the year (a key has two digits of it).
        if (!isYearName(year) || !holdsDay(QDate(year.toInt(), 1, 1), today)) continue;
        const QString yearPath = state_.folder + u'/' + year;
        const FileStamp folderNow = folderStampOf(yearPath);
        if (!rescan && !folderNow.isNull() && cleanFolders_.value(year) == folderNow) {
            skipped.insert(year.toInt());
            continue;
        }
        // Clean: every file as agreed by its stamp, and the folder's own stamp settled.
        bool clean = !folderNow.isNull() && settled(folderNow, statedNs);
        eachIn(yearPath, false, [&](int dirFd, const char* fileName) {
            const QString name = QFile::decodeName(fileName);
            const NameInfo info = classifyName(name);
            if (info.kind == NameKind::Other || info.day.year() != year.toInt()) return;
            FoundFile f;
            f.day = info.day;
            f.stamp = stampAt(dirFd, fileName);
            f.statedNs = statedNs;
            f.path = yearPath + u'/' + name;
            const auto agreed = state_.days.constFind(f.day);
            const bool asAgreed = info.kind == NameKind::Day && !f.stamp.isNull() &&
                                  agreed != state_.days.constEnd() &&
                                  trusted(*agreed, f.stamp, rescan);
            clean = clean && asAgreed;
            if (f.stamp.isNull()) return;
            if (info.kind == NameKind::ConflictCopy) {
                copies << f;
                return;
            }
            pass.seen.insert(f.day, f.stamp);
            if (asAgreed) {
                f.digest = agreed->digest;
                f.known = false;
            } else if (!stillEnough(f.path, f.stamp)) {
                pass.again = true;
                unsettled.insert(f.day);
                return;
            } else if (!readText(f)) {
                pass.unreadable << f.path;
                unsettled.insert(f.day);
                return;
            }
            files.insert(f.day, f);
        });
        if (clean)
            cleanFolders_.insert(year, folderNow);
        else
            cleanFolders_.remove(year);
    }
    // A folder unchanged since then holds its agreed files as they were (their paths are
    // made when needed).
    if (!skipped.isEmpty()) {
        for (auto it = state_.days.cbegin(); it != state_.days.cend(); ++it) {
            if (!skipped.contains(it.key().year())) continue;
            FoundFile f;
            f.day = it.key();
            f.stamp = it->stamp;
            f.statedNs = it->statedNs;
            f.digest = it->digest;
            f.known = false;
            pass.seen.insert(f.day, f.stamp);
            files.insert(f.day, f);
        }
    }
    QHash<QDate, DiaryEntry> fresh;
    if (!readDiary(today, reader, files, fresh, progress)) {
        scanFailure_ = reader.failure();
        return false;
    }
    const QHash<QDate, QByteArray>& rows = rows_;
    // The day's entry as the diary holds it (as read, or now); nullopt when it holds none.
    auto entryOfDay = [&](const QDate& day) -> std::optional<DiaryEntry> {
        const auto it = fresh.constFind(day);
        if (it != fresh.constEnd()) return *it;
        std::optional<DiaryEntry> e;
        reader.read(DateKey::fromDate(day), e);
        return e;
    };

    QSet<QDate> days;
    days.reserve(rows.size() + files.size());
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        days.insert(it.key());
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        days.insert(it.key());
    for (auto it = state_.days.cbegin(); it != state_.days.cend(); ++it)
        days.insert(it.key());
    QSet<QDate> inStep;
    for (const QDate& day : std::as_const(days)) {
        if (unsettled.contains(day)) continue;
        const auto row = rows.constFind(day);
        const auto file = files.find(day);
        const QByteArray d = row != rows.constEnd() ? *row : QByteArray();
        const QByteArray f = file != files.end() ? file->digest : QByteArray();
        const auto agreed = state_.days.constFind(day);
        const QByteArray a = agreed != state_.days.constEnd() ? agreed->digest : QByteArray();
        switch (decide(d, f, a)) {
        case Step::Nothing:
            inStep.insert(day);
            // A file read again as agreed: its new stamp (or its stamp, now settled) is
            // remembered, so that the next pass need not read it.
            if (file != files.end() && file->known && agreed != state_.days.constEnd() &&
                (agreed->stamp != file->stamp ||
                 (!settled(agreed->stamp, agreed->statedNs) && settled(file->stamp, statedNs))))
                pass.agree << std::pair{day, *file};
            break;
        case Step::Agree:
            inStep.insert(day);
            pass.agree << std::pair{day, *file};
            break;
        case Step::Forget:
            inStep.insert(day);
            pass.forget << day;
            break;
        case Step::WriteFile:
            if (const auto e = entryOfDay(day)) pass.toFiles << *e;
            break;
        case Step::ReadFile:
            file->row = entryOfDay(day);
            pass.fromFiles << *file;
            break;
        case Step::Choose:
            if (declined_.contains(pairOf(d, f))) break;
            file->row = entryOfDay(day);
            if (!file->row) break;
            pass.choose.conflicts << keep::Conflict{entryOfText(file->text, file->row->skYmn),
                                                    *file->row, 0};
            pass.chooseFiles << *file;
            break;
        case Step::AskRemoveRow:
            if (const auto e = entryOfDay(day)) pass.filesGone << *e;
            break;
        case Step::AskRemoveFile:
            if (file->path.isEmpty()) file->path = state_.folder + u'/' + dayFilePath(day);
            if (!file->known && !readText(*file)) {
                pass.unreadable << file->path;
                break;
            }
            pass.rowsGone << *file;
            break;
        }
    }

    // Copies wait until their day is in step, and are taken one a day per pass.
    QSet<QDate> copyDays;
    for (FoundFile& c : copies) {
        if (!inStep.contains(c.day) || copyDays.contains(c.day)) {
            pass.again = true;
            continue;
        }
        if (!stillEnough(c.path, c.stamp)) {
            pass.again = true;
            continue;
        }
        if (!readText(c)) {
            pass.unreadable << c.path;
            continue;
        }
        const auto row = rows.constFind(c.day);
        const QByteArray held = row != rows.constEnd() ? *row : QByteArray();
        if (declined_.contains(pairOf(held, c.digest))) continue;
        copyDays.insert(c.day);
        c.row = row != rows.constEnd() ? entryOfDay(c.day) : std::nullopt;
        if (c.row ? holdsCopy(*c.row, dayFileText(*c.row), c) : c.text.isEmpty()) {
            pass.copiesHeld << c;
        } else if (c.row) {
            pass.choose.conflicts << keep::Conflict{entryOfText(c.text, c.row->skYmn), *c.row, 0};
            pass.chooseFiles << c;
        } else {
            pass.choose.added << entryOfText(c.text, DateKey::fromDate(c.day));
            pass.copiesAdded << c;
        }
    }
    if (progress) progress(1, 1);
    return true;
}

bool Mirror::yearInStep(const QString& yearFolder) const
{
    const int year = yearFolder.section(u'/', -1).toInt();
    int files = 0;
    for (const QString& name : QDir(yearFolder).entryList(QDir::Files)) {
        const NameInfo info = classifyName(name);
        if (info.kind == NameKind::Other) continue;
        if (info.kind == NameKind::ConflictCopy || info.day.year() != year) return false;
        const auto agreed = state_.days.constFind(info.day);
        if (agreed == state_.days.constEnd() || agreed->stamp != stampOf(yearFolder + u'/' + name))
            return false;
        ++files;
    }
    int agreed = 0;
    for (auto it = state_.days.cbegin(); it != state_.days.cend(); ++it)
        agreed += it.key().year() == year;
    return agreed == files;
}

void Mirror::decline(const Pass& pass)
{
    for (qsizetype i = 0; i < pass.chooseFiles.size(); ++i) {
        const FoundFile& f = pass.chooseFiles.at(i);
        declined_.insert(pairOf(f.row ? digestOf(dayFileText(*f.row)) : QByteArray(), f.digest));
    }
    for (const FoundFile& f : pass.copiesAdded)
        declined_.insert(pairOf({}, f.digest));
}

void Mirror::planFiles(const Pass& pass, const QDate& today, Work& work) const
{
    work = {};
    work.asideFolder = asideFolder();
    work.jobs.reserve(pass.toFiles.size() + pass.copiesHeld.size());
    for (const DiaryEntry& e : pass.toFiles)
        work.jobs << writeJob(state_.folder, e, DateKey::toDate(e.skYmn, today), pass);
    work.agree = pass.agree;
    work.forget = pass.forget;
    for (const FoundFile& c : pass.copiesHeld)
        work.jobs << asideJob(c);
}

namespace {

// Progress that keeps the caller's window going but cannot stop the work: a snapshot is
// taken whole or not at all.
keep::Progress painted(const keep::Progress& progress)
{
    if (!progress) return {};
    return [progress](qint64 done, qint64 total) {
        progress(done, total);
        return true;
    };
}

} // namespace

void Mirror::applyToDiary(const Pass& pass, const Answers& answers, const QDate& today, Work& work,
                          const keep::Progress& progress)
{
    const QString& folder = state_.folder;

    // What depends on the diary's transaction.
    QList<diary::BatchRow> rows;
    QList<FileJob> after;
    QList<std::pair<QDate, FoundFile>> agreeAfter;
    QList<QDate> forgetAfter;
    // The day's file holds `entry` once the batch is written.
    auto fileHolds = [&](const FoundFile& f, const DiaryEntry& entry) {
        if (dayFileText(entry) != f.text)
            after << writeJob(folder, entry, f.day, pass);
        else
            agreeAfter << std::pair{f.day, f};
    };
    // Reading a whole mirror's texts takes a while too: the caller's window is kept going.
    const keep::Progress reading = keep::part(progress, 0, 150);
    for (qsizetype i = 0; i < pass.fromFiles.size(); ++i) {
        const FoundFile& f = pass.fromFiles.at(i);
        const DiaryEntry e = entryOfText(f.text, f.row ? f.row->skYmn : DateKey::fromDate(f.day));
        rows << diary::BatchRow{e, f.row};
        fileHolds(f, e);
        if (reading && i % 256 == 255 && !reading(i, pass.fromFiles.size())) return;
    }
    if (answers.chosen) {
        for (qsizetype i = 0; i < pass.choose.conflicts.size(); ++i) {
            const keep::Conflict& c = pass.choose.conflicts.at(i);
            const FoundFile& f = pass.chooseFiles.at(i);
            const bool copy = classifyName(f.path.section(u'/', -1)).kind == NameKind::ConflictCopy;
            DiaryEntry result = c.existing;
            switch (answers.choices.value(i, keep::Resolution::Keep)) {
            case keep::Resolution::Keep:
                break;
            case keep::Resolution::Replace:
                result = c.incoming;
                break;
            case keep::Resolution::Append:
                result = keep::appended(c.existing, c.incoming);
                break;
            }
            if (result != c.existing) rows << diary::BatchRow{result, c.existing};
            // The text that loses is kept aside, never overwritten.
            if (copy || dayFileText(result) != f.text) after << asideJob(f);
            if (copy) {
                if (result != c.existing) after << writeJob(folder, result, f.day, pass);
            } else if (dayFileText(result) != f.text) {
                after << writeJob(folder, result, f.day, pass);
            } else {
                agreeAfter << std::pair{f.day, f};
            }
        }
        for (qsizetype i = 0; i < pass.choose.added.size(); ++i) {
            const FoundFile& f = pass.copiesAdded.at(i);
            rows << diary::BatchRow{pass.choose.added.at(i), std::nullopt};
            after << asideJob(f) << writeJob(folder, pass.choose.added.at(i), f.day, pass);
        }
    }
    for (const DiaryEntry& e : pass.filesGone) {
        const QDate day = DateKey::toDate(e.skYmn, today);
        if (answers.removeRows) {
            diary::BatchRow r{e, e};
            r.remove = true;
            rows << r;
            forgetAfter << day;
        } else {
            work.jobs << writeJob(folder, e, day, pass);
        }
    }
    for (const FoundFile& f : pass.rowsGone) {
        if (answers.removeFiles) {
            work.jobs << asideJob(f);
            work.forget << f.day;
        } else {
            const DiaryEntry e = entryOfText(f.text, DateKey::fromDate(f.day));
            rows << diary::BatchRow{e, std::nullopt};
            fileHolds(f, e);
        }
    }
    if (rows.isEmpty()) {
        work.jobs << after;
        work.agree << agreeAfter;
        work.forget << forgetAfter;
        return;
    }
    QString made, reason;
    const keep::SnapshotOutcome snap = keep::takeSnapshot(
        keep::diaryPath(), keep::snapshotFolder(), QDateTime::currentDateTime(), false, CopyPace{},
        painted(keep::part(progress, 150, 300)), made, reason);
    if (snap != keep::SnapshotOutcome::Made) {
        work.diaryFailed = true;
        work.failure = QStringLiteral("バックアップを作れないので、写しのファイルを日記に"
                                      "読み込んでいません (%1)")
                           .arg(reason);
        return;
    }
    const diary::BatchOutcome outcome = diary::writeBatch(rows, keep::part(progress, 300, 1000));
    if (outcome == diary::BatchOutcome::Stopped) return; // the user's cancel: files wait
    if (outcome == diary::BatchOutcome::Changed) {
        // A day was saved since the scan read it: decided again against what it holds now.
        diaryChanged();
        work.again = true;
        return;
    }
    if (outcome != diary::BatchOutcome::Written) {
        work.diaryFailed = true;
        work.failure = keep::batchFailureText(outcome);
        return;
    }
    diaryChanged();
    for (const diary::BatchRow& r : std::as_const(rows))
        work.changedDays.insert(DateKey::toDate(r.after.skYmn, today));
    work.jobs << after;
    work.agree << agreeAfter;
    work.forget << forgetAfter;
}

namespace {

// Many files at once: renamed into place whole, flushed together at the end.
bool writeUnsynced(const QString& path, const QByteArray& bytes)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString temp =
        path.left(slash + 1) + u'.' + path.mid(slash + 1) + QStringLiteral(".drvesk-tmp");
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    if (!written ||
        ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

void syncFileSystemOf(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

// Moves a file out of the mirror, below `aside`, under the name it had, in a folder of
// the moment so that nothing there is ever replaced.
bool moveAside(const QString& path, const QString& aside)
{
    if (!QFile::exists(path)) return true;
    const QString name = path.section(u'/', -1);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target;
    for (int n = 0;; ++n) {
        const QString folder =
            aside + u'/' + stamp + (n ? QStringLiteral("-%1").arg(n) : QString());
        target = folder + u'/' + name;
        if (QFile::exists(target)) continue;
        if (!QDir().mkpath(folder)) return false;
        break;
    }
    if (!QFile::rename(path, target)) return false;
    syncFolder(path.left(path.lastIndexOf(u'/')));
    return true;
}

} // namespace

void runFileWork(Work& work, const keep::Progress& progress)
{
    const bool many = work.jobs.size() > 32;
    QString root;
    QSet<QString> movedAside, folders;
    qsizetype done = 0;
    for (FileJob& job : work.jobs) {
        if (job.kind == FileJob::Aside) {
            job.done = moveAside(job.path, work.asideFolder);
            if (job.done) movedAside.insert(job.path);
        } else if (stampOf(job.path) !=
                   (movedAside.contains(job.path) ? FileStamp{} : job.expect)) {
            // Changed since the scan (a sync tool, an editor): the next pass decides it.
            work.again = true;
            ++done;
            continue;
        } else {
            const QString folder = job.path.left(job.path.lastIndexOf(u'/'));
            if (root.isEmpty()) root = folder;
            if (!folders.contains(folder)) {
                QDir().mkpath(folder);
                folders.insert(folder);
            }
            job.done = many ? writeUnsynced(job.path, job.bytes) : writeSynced(job.path, job.bytes);
            if (job.done) {
                job.statedNs = nowNs();
                job.stamp = stampOf(job.path);
            }
        }
        if (!job.done && work.failure.isEmpty())
            work.failure = QStringLiteral("写しのファイル %1 を書けません").arg(job.path);
        ++done;
        if (progress && done % 64 == 0) progress(done, work.jobs.size());
    }
    if (many && !root.isEmpty()) syncFileSystemOf(root);
}

void Mirror::record(const Work& work)
{
    for (const auto& [day, f] : work.agree) {
        state_.days.insert(day, {f.digest, f.stamp, f.statedNs});
        dirty_ = true;
    }
    for (const FileJob& job : work.jobs) {
        if (job.kind != FileJob::Write || !job.done) continue;
        state_.days.insert(job.day, {job.digest, job.stamp, job.statedNs});
        dirty_ = true;
    }
    for (const QDate& day : work.forget)
        dirty_ |= state_.days.remove(day);
}

QString removedFilesQuestion(const QList<DiaryEntry>& rows, const QDate& today)
{
    QStringList days;
    for (const DiaryEntry& e : rows.mid(0, 10))
        days << DateKey::toDate(e.skYmn, today).toString(Qt::ISODate);
    if (rows.size() > 10) days << QStringLiteral("ほか %1 日").arg(rows.size() - 10);
    return QStringLiteral("写しのフォルダーから次の %1 日のファイルが消されました:\n%2\n\n"
                          "日記からも消しますか。\n(キャンセルすると、ファイルを書き戻します)")
        .arg(rows.size())
        .arg(days.join(QStringLiteral("、")));
}

QString removedRowsQuestion(const QList<FoundFile>& files)
{
    QStringList days;
    for (const FoundFile& f : files.mid(0, 10))
        days << f.day.toString(Qt::ISODate);
    if (files.size() > 10) days << QStringLiteral("ほか %1 日").arg(files.size() - 10);
    return QStringLiteral("日記から次の %1 日が消されました:\n%2\n\n"
                          "写しのフォルダーのファイルも片付けますか。\n"
                          "(キャンセルすると、ファイルから日記に読み戻します)")
        .arg(files.size())
        .arg(days.join(QStringLiteral("、")));
}

SyncResult syncOnce(Mirror& mirror, const Questions& ask, const QDate& today,
                    const keep::Progress& progress)
{
    SyncResult r;
    if (!mirror.state().on || mirror.state().folder.isEmpty()) {
        r.why = QStringLiteral("写しのフォルダーは使っていません");
        return r;
    }
    if (mirror.link(ask.confirm, r.why) != Mirror::LinkOutcome::Ready) return r;
    Pass pass;
    const std::unique_ptr<diary::DiaryReader> reader = mirror.prepareScan();
    if (!mirror.scan(pass, today, *reader, true, keep::part(progress, 0, 300))) {
        r.why = QStringLiteral("日記を読めませんでした");
        return r;
    }
    r.again = pass.again;
    Answers answers;
    if (!pass.choose.conflicts.isEmpty() || !pass.choose.added.isEmpty()) {
        answers.choices =
            QList<keep::Resolution>(pass.choose.conflicts.size(), keep::Resolution::Keep);
        answers.chosen = ask.choose && ask.choose(pass.choose, answers.choices);
        if (!answers.chosen) mirror.decline(pass);
    }
    if (!pass.filesGone.isEmpty())
        answers.removeRows =
            ask.confirm && ask.confirm(removedFilesQuestion(pass.filesGone, today));
    if (!pass.rowsGone.isEmpty())
        answers.removeFiles = ask.confirm && ask.confirm(removedRowsQuestion(pass.rowsGone));
    Work work;
    mirror.planFiles(pass, today, work);
    mirror.applyToDiary(pass, answers, today, work);
    runFileWork(work, keep::part(progress, 300, 1000));
    mirror.record(work);
    for (const FileJob& j : std::as_const(work.jobs))
        r.filesWritten += j.kind == FileJob::Write && j.done;
    r.daysRead = int(work.changedDays.size());
    r.again |= work.again;
    r.ok = work.failure.isEmpty() && mirror.saveState();
    if (!work.failure.isEmpty()) r.why = work.failure;
    return r;
}

} // namespace drv::mirror
