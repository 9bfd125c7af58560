#include "MirrorKeeper.h"

#include "DateKey.h"
#include "DayText.h"
#include "Globals.h"
#include "KeepAsk.h"
#include "MirrorNames.h"
#include "Platform.h"
#include "ProgressBox.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

#include <optional>

namespace drv::mirror {

namespace {

// More files than this in one pass are written on a thread of their own.
constexpr int kAwayFromWindow = 200;
// A stage shows its progress once it has run this long.
constexpr int kShowAfterMs = 300;
// Changes come in bursts (a sync tool writes many files): one pass after they settle.
constexpr int kSettleMs = 500;

QDate today()
{
    return services().clock->today();
}

} // namespace

MirrorKeeper::MirrorKeeper(QMainWindow* window, std::function<void()> shown)
    : QObject(window), window_(window), shown_(std::move(shown))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { passNow(); });
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, [this] { showProgress(); });
}

MirrorKeeper::~MirrorKeeper()
{
    if (worker_.joinable()) worker_.join();
}

void MirrorKeeper::start()
{
    waitForFiles();
    mirror_ = std::make_unique<Mirror>(sUsrFld);
    mirror_->setStillMs(stillMs_);
    if (!isOn()) return;
    watchFolders();
    later(0);
}

bool MirrorKeeper::isOn() const
{
    return mirror_ && mirror_->state().on && unavailableReason().isEmpty();
}

QString MirrorKeeper::folder() const
{
    return mirror_ ? mirror_->state().folder : QString();
}

QString MirrorKeeper::unavailableReason()
{
    return mirror::unavailableReason();
}

void MirrorKeeper::setStillMs(qint64 ms)
{
    waitForFiles();
    stillMs_ = ms;
    if (mirror_) mirror_->setStillMs(ms);
}

void MirrorKeeper::turnOn(const QString& folder)
{
    if (!mirror_) return;
    waitForFiles();
    mirror_->choose(folder);
    QString why;
    const Mirror::LinkOutcome link =
        mirror_->link([](const QString& q) { return services().dialogs->confirm(q); }, why);
    if (link != Mirror::LinkOutcome::Ready) {
        mirror_->setOn(false);
        mirror_->saveState();
        if (link != Mirror::LinkOutcome::Declined) services().dialogs->message(why);
        return;
    }
    mirror_->saveState();
    watchFolders();
    passNow();
}

void MirrorKeeper::turnOff()
{
    if (!mirror_) return;
    waitForFiles();
    mirror_->setOn(false);
    mirror_->saveState();
    if (watcher_) {
        delete watcher_;
        watcher_ = nullptr;
    }
    timer_.stop();
}

void MirrorKeeper::later(int ms)
{
    if (!isOn()) return;
    if (!timer_.isActive() || timer_.remainingTime() > ms) timer_.start(ms);
}

void MirrorKeeper::changed()
{
    if (busy()) {
        changedMeanwhile_ = true;
        return;
    }
    if (mirror_) mirror_->diaryChanged();
    later(kSettleMs);
}

void MirrorKeeper::activated()
{
    rescan_ = true;
    later(0);
}

void MirrorKeeper::saved(const QString& key)
{
    if (!isOn()) return;
    if (busy()) {
        // The thread has the Mirror: the save is taken as soon as the pass is over.
        savedMeanwhile_.insert(key);
        return;
    }
    const QDate day = DateKey::toDate(key, today());
    QString title, body;
    if (!diary::read(key, title, body)) {
        mirror_->diaryChanged();
        later(0);
        return;
    }
    mirror_->dayChanged(day, {key, title, body});
    // The file is as both last agreed (or there is none, and none was agreed): the save
    // alone decides it. Anything else is the pass's to decide.
    const QString text = dayFileText({key, title, body});
    if (text.isEmpty() || !mirror_->fileAsAgreed(day)) {
        later(0); // an emptied day is a deletion: asked in a pass
        return;
    }
    const QString path = mirror_->state().folder + u'/' + dayFilePath(day);
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    Work work;
    FileJob job{FileJob::Write, day, path, text.toUtf8(), digestOf(text), {}, false, {}, 0};
    job.statedNs = QDateTime::currentMSecsSinceEpoch() * 1'000'000;
    job.done = writeSynced(path, job.bytes);
    if (job.done) job.stamp = stampOf(path);
    work.jobs << job;
    mirror_->record(work);
    // The state follows with a pass shortly, written on its thread: lost, the day would
    // only be agreed on again.
    later(1000);
}

void MirrorKeeper::startStage(Stage stage, std::function<void()> work)
{
    stage_ = stage;
    workerOver_ = false;
    done_ = 0;
    total_ = 0;
    stageTime_.start();
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        workerOver_ = true;
        QMetaObject::invokeMethod(
            this, [this] { stage_ == Stage::Scanning ? scanDone() : filesDone(); },
            Qt::QueuedConnection);
    });
    poll_.start();
}

bool MirrorKeeper::passNow()
{
    if (!isOn()) return false;
    if (busy()) {
        again_ = true;
        return false;
    }
    again_ = waiting_ = false;
    QString why;
    if (mirror_->link([](const QString& q) { return services().dialogs->confirm(q); }, why) !=
        Mirror::LinkOutcome::Ready) {
        if (!why.isEmpty()) {
            mirror_->setOn(false);
            mirror_->saveState();
            services().dialogs->message(why);
        }
        return false;
    }
    reader_ = mirror_->prepareScan();
    const bool rescan = std::exchange(rescan_, false);
    startStage(Stage::Scanning, [this, rescan, day = today()] {
        const keep::Progress progress = [this](qint64 done, qint64 total) {
            done_ = done;
            total_ = total;
            return true;
        };
        scanOk_ = mirror_->scan(pass_, day, *reader_, rescan, progress);
        reader_.reset();
        if (scanOk_) mirror_->planFiles(pass_, day, work_);
    });
    return true;
}

void MirrorKeeper::scanDone()
{
    if (stage_ != Stage::Scanning || !workerOver_) return;
    if (worker_.joinable()) worker_.join();
    poll_.stop();
    Q_EMIT scanned();
    if (!scanOk_) {
        // The diary could not be read now (a long write of another program): later.
        again_ = waiting_ = true;
        endPass();
        return;
    }
    Pass& pass = pass_;
    Answers answers;
    if (!pass.choose.conflicts.isEmpty() || !pass.choose.added.isEmpty()) {
        answers.choices =
            QList<keep::Resolution>(pass.choose.conflicts.size(), keep::Resolution::Keep);
        answers.chosen = keep::keepAsk().resolveConflicts(window_, pass.choose, answers.choices);
        if (!answers.chosen) mirror_->decline(pass);
    }
    if (!pass.filesGone.isEmpty())
        answers.removeRows =
            services().dialogs->confirm(removedFilesQuestion(pass.filesGone, today()));
    if (!pass.rowsGone.isEmpty())
        answers.removeFiles = services().dialogs->confirm(removedRowsQuestion(pass.rowsGone));
    // Saves made since the scan (while the questions were open, too) are in the diary:
    // the batch checks each day against what the scan read.
    // Many rows (a second machine's first link) take seconds: the window stays painted
    // under a box that shows when it takes longer than a moment.
    std::optional<keep::ProgressBox> box;
    if (pass.fromFiles.size() + pass.rowsGone.size() + pass.filesGone.size() +
            pass.choose.added.size() >
        kAwayFromWindow)
        box.emplace(window_, QStringLiteral("写しのファイルを日記に読み込んでいます…"));
    mirror_->applyToDiary(pass, answers, today(), work_, box ? box->progress() : keep::Progress{});
    if (box) box->done();
    if (!work_.failure.isEmpty()) services().dialogs->message(work_.failure);
    if (!work_.changedDays.isEmpty() && shown_) shown_();
    waiting_ = pass.again;
    // Many files, or a state file to write (many lines, synced).
    if (work_.jobs.size() > kAwayFromWindow || mirror_->stateChanged() || !work_.agree.isEmpty() ||
        !work_.forget.isEmpty()) {
        // The many entries and files are let go of there too.
        startStage(Stage::Writing, [this] {
            pass_ = {};
            runFileWork(work_, [this](qint64 done, qint64 total) {
                done_ = done;
                total_ = total;
                return true;
            });
            mirror_->record(work_);
            mirror_->saveState();
            work_.jobs = {};
        });
        return;
    }
    pass_ = {};
    runFileWork(work_);
    mirror_->record(work_);
    mirror_->saveState();
    again_ |= work_.again;
    work_ = {};
    endPass();
}

void MirrorKeeper::filesDone()
{
    if (stage_ != Stage::Writing || !workerOver_) return;
    if (worker_.joinable()) worker_.join();
    poll_.stop();
    if (!work_.failure.isEmpty()) services().dialogs->message(work_.failure);
    again_ |= work_.again;
    work_ = {};
    endPass();
}

void MirrorKeeper::endPass()
{
    stage_ = Stage::Idle;
    showProgress();
    tellMeanwhile();
    watchFolders();
    if (again_) later(waiting_ ? int(std::max<qint64>(stillMs_, 100)) : 0);
}

void MirrorKeeper::tellMeanwhile()
{
    if (std::exchange(changedMeanwhile_, false)) changed();
    // As if saved now: the pass may have written the day's file with what it read.
    for (const QString& key : std::exchange(savedMeanwhile_, {}))
        saved(key);
}

void MirrorKeeper::waitForFiles()
{
    while (busy()) {
        if (worker_.joinable()) worker_.join();
        if (stage_ == Stage::Scanning)
            scanDone();
        else
            filesDone();
    }
}

void MirrorKeeper::showProgress()
{
    const qint64 total = total_;
    if (stage_ == Stage::Idle || total <= 0 || stageTime_.elapsed() < kShowAfterMs) {
        if (bar_ && stage_ == Stage::Idle) {
            bar_->deleteLater();
            bar_ = nullptr;
        }
        return;
    }
    if (!bar_) {
        bar_ = new QProgressBar(window_);
        bar_->setObjectName(QStringLiteral("mirrorProgress"));
        bar_->setMaximumWidth(260);
        window_->statusBar()->addPermanentWidget(bar_);
    }
    bar_->setFormat(stage_ == Stage::Scanning ? QStringLiteral("写しの準備 %p%")
                                              : QStringLiteral("写しのファイル %v / %m"));
    bar_->setRange(0, int(total));
    bar_->setValue(int(std::min(qint64(done_), total)));
}

void MirrorKeeper::watchFolders()
{
    if (!isOn()) return;
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        // The program's own writes change the year folders too: those need no pass.
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& d) {
            if (busy())
                again_ = true;
            else if (d == mirror_->state().folder || !mirror_->yearInStep(d))
                later(kSettleMs);
        });
    }
    QStringList want{mirror_->state().folder};
    for (const QString& y :
         QDir(mirror_->state().folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        want << mirror_->state().folder + u'/' + y;
    QStringList missing;
    const QStringList have = watcher_->directories();
    for (const QString& d : want)
        if (!have.contains(d)) missing << d;
    if (!missing.isEmpty()) watcher_->addPaths(missing);
}

void MirrorKeeper::finish()
{
    timer_.stop();
    waitForFiles();
    if (passNow()) waitForFiles();
    if (mirror_) mirror_->saveState();
    if (watcher_) {
        delete watcher_;
        watcher_ = nullptr;
    }
}

} // namespace drv::mirror
