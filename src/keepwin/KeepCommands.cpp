#include "KeepCommands.h"

#include "BackgroundSnapshot.h"
#include "DiaryBatch.h"
#include "KeepAsk.h"
#include "KeepReports.h"
#include "LockCommands.h"
#include "PeerDetect.h"
#include "Platform.h"
#include "ProgressBox.h"

#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace drv::keep {

namespace {

constexpr int kListedAtMost = 20;

QDate today()
{
    return services().clock->today();
}

void tell(const QString& text)
{
    services().dialogs->message(text);
}

QString takenText(const Snapshot& s)
{
    return s.taken.toString(s.daily ? QStringLiteral("yyyy/MM/dd")
                                    : QStringLiteral("yyyy/MM/dd HH:mm"));
}

QList<SnapshotChoice> snapshotChoices()
{
    QList<SnapshotChoice> list;
    for (const Snapshot& s : listSnapshots(snapshotFolder())) {
        SnapshotChoice c{s, {}, {}};
        QString reason;
        if (!summarizeDiaryFile(s.path, c.summary, reason))
            c.unreadable = QStringLiteral("読めません (%1)").arg(reason);
        list << c;
    }
    return list;
}

// Writes the shown entry and closes the other windows; false when one of them stayed.
bool readyForWholeDiary(const MainHooks& main)
{
    if (main.saveShown && !main.saveShown()) {
        tell(QStringLiteral("表示中の日記を保存できないので、取りやめました"));
        return false;
    }
    return !main.closeOthers || main.closeOthers();
}

// Runs work on a thread of its own while this thread hands its progress to `shown` (the
// progress box, which keeps the window painted and answering); when shown says stop,
// work's progress says so too. work touches nothing of the window's or the store's.
template <typename Result>
Result awayFromWindow(const Progress& shown, const std::function<Result(const Progress&)>& work)
{
    std::atomic<qint64> done{0}, total{0};
    std::atomic<bool> stop{false};
    std::mutex m;
    std::condition_variable over;
    bool finished = false;
    Result result;
    std::thread worker([&] {
        result = work([&](qint64 d, qint64 t) {
            total = t;
            done = d;
            return !stop;
        });
        const std::lock_guard lock(m);
        finished = true;
        over.notify_all();
    });
    std::unique_lock lock(m);
    while (!finished) {
        lock.unlock();
        if (shown && !stop && !shown(done, total)) stop = true;
        lock.lock();
        over.wait_for(lock, std::chrono::milliseconds(10), [&] { return finished; });
    }
    lock.unlock();
    worker.join();
    return result;
}

} // namespace

QString lossReport(const QList<Unencodable>& entries, const QDate& today)
{
    QString text = QStringLiteral("次の日記には Shift-JIS (CP932) で書けない文字があります。\n\n");
    text += lostCharactersList(entries, today, kListedAtMost);
    text += QStringLiteral("\nこれらの文字を「〓」にして書き出しますか。\n"
                           "文字をそのまま残すには UTF-8 で書き出してください。");
    return text;
}

void restoreFromSnapshot(const MainHooks& main)
{
    const QList<SnapshotChoice> list = snapshotChoices();
    if (list.isEmpty()) {
        tell(QStringLiteral("バックアップはまだありません。\n"
                            "バックアップは起動したときに、1日に1回作られます"));
        return;
    }
    int index = -1;
    if (!keepAsk().chooseSnapshot(main.parent, list, index) || index < 0 || index >= list.size() ||
        !list.at(index).unreadable.isEmpty())
        return;
    const SnapshotChoice& chosen = list.at(index);
    if (!services().dialogs->confirm(
            QStringLiteral("日記を %1 のバックアップ (%2 件) の状態に戻します。\n"
                           "今の日記は、その前にバックアップに残します。よろしいですか")
                .arg(takenText(chosen.snapshot))
                .arg(chosen.summary.entries)))
        return;
    if (!readyForWholeDiary(main)) return;
    // The day's snapshot must not read the diary while it is replaced.
    BackgroundSnapshot::stop();
    QString before, reason;
    RestoreOutcome outcome;
    {
        ProgressBox box(main.parent, QStringLiteral("バックアップから戻しています…"));
        outcome = restoreSnapshot(chosen.snapshot, diaryPath(), snapshotFolder(),
                                  QDateTime(today(), QTime::currentTime()), box.progress(), before,
                                  reason);
    }
    if (main.showAgain) main.showAgain();
    switch (outcome) {
    case RestoreOutcome::Restored:
        tell(QStringLiteral("%1 の状態に戻しました。\n戻す前の日記はバックアップ %2 にあります")
                 .arg(takenText(chosen.snapshot), QFileInfo(before).fileName()));
        break;
    case RestoreOutcome::Stopped:
        tell(QStringLiteral("取りやめました。日記は元のままです"));
        break;
    case RestoreOutcome::Failed:
        if (!reason.isEmpty()) tell(QStringLiteral("戻せませんでした。\n%1").arg(reason));
        break;
    }
}

void exportDiary(const MainHooks& main)
{
    if (!confirmPlainExport()) return;
    ExportOptions options;
    QString path;
    if (!keepAsk().chooseExport(main.parent, options, path) || path.isEmpty()) return;
    if (main.saveShown && !main.saveShown()) {
        tell(QStringLiteral("表示中の日記を保存できないので、取りやめました"));
        return;
    }
    ExportResult r;
    {
        ProgressBox box(main.parent, QStringLiteral("書き出しています…"));
        r = keep::exportDiary(path, options, today(), box.progress(),
                              [&](const QList<Unencodable>& lost) {
                                  box.done();
                                  return services().dialogs->confirm(lossReport(lost, today()));
                              });
    }
    if (r.outcome == ExportResult::Cancelled) return;
    if (r.outcome == ExportResult::Failed) {
        if (!r.reason.isEmpty()) tell(exportFailureText(path, r.reason));
        return;
    }
    tell(exportedText(path, r));
}

void importDiary(const MainHooks& main)
{
    QString path;
    Format format = Format::Text;
    if (!keepAsk().chooseImport(main.parent, path, format) || path.isEmpty()) return;
    if (!readyForWholeDiary(main)) return;
    SourceResult source;
    ImportPlan plan;
    {
        ProgressBox box(main.parent, QStringLiteral("読み込んでいます…"));
        QString notTaken;
        // The file is read on a thread of its own: its reading and parsing keep the window
        // from nothing, however long a step takes.
        const QDate day = today();
        source = awayFromWindow<SourceResult>(part(box.progress(), 0, 800), [&](const Progress& p) {
            return peers::readAnySource(path, format, day, p, notTaken);
        });
        if (source.stopped) return;
        if (!source.ok()) {
            box.done();
            tell(sourceFailureText(path, source));
            return;
        }
        if (!notTaken.isEmpty()) {
            box.done();
            if (!services().dialogs->confirm(notTaken +
                                             QStringLiteral("\n\nほかの日記を読み込みますか")))
                return;
        }
        if (!planImport(source.entries, plan, part(box.progress(), 800, 1000))) return;
    }
    QList<Resolution> choices(plan.conflicts.size(), Resolution::Keep);
    if (!plan.conflicts.isEmpty()) {
        if (!keepAsk().resolveConflicts(main.parent, plan, choices)) return;
    } else if (plan.added.isEmpty()) {
        tell(nothingNewText(plan.unchanged));
        return;
    } else if (!services().dialogs->confirm(
                   QStringLiteral("%1 日分の日記を追加します。よろしいですか")
                       .arg(plan.added.size()))) {
        return;
    }
    ImportEnd end;
    {
        ProgressBox box(main.parent, QStringLiteral("日記に書き込んでいます…"));
        end = writeImport(plan, choices, box.progress());
    }
    if (end.written && main.showAgain) main.showAgain();
    tell(end.text);
}

} // namespace drv::keep
