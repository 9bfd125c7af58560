#include "MirrorKeeper.h"

#include "DateKey.h"
#include "DayText.h"
#include "Globals.h"
#include "KeepAsk.h"
#include "MirrorNames.h"
#include "Platform.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

namespace drv::mirror {

namespace {

// More files than this in one pass are written on a thread of their own.
constexpr int kAwayFromWindow = 200;
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
    connect(&poll_, &QTimer::timeout, this, [this] {
        showProgress(filesDone_, int(work_.jobs.size()));
        if (workerOver_) filesDone();
    });
}

MirrorKeeper::~MirrorKeeper()
{
    if (worker_.joinable()) worker_.join();
}

void MirrorKeeper::start()
{
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
    stillMs_ = ms;
    if (mirror_) mirror_->setStillMs(ms);
}

void MirrorKeeper::turnOn(const QString& folder)
{
    if (!mirror_) return;
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
    if (mirror_) mirror_->diaryChanged();
    later(kSettleMs);
}

void MirrorKeeper::activated()
{
    later(0);
}

void MirrorKeeper::saved(const QString& key)
{
    if (!isOn()) return;
    const QDate day = DateKey::toDate(key, today());
    QString title, body;
    if (!diary::read(key, title, body)) {
        mirror_->diaryChanged();
        later(0);
        return;
    }
    mirror_->dayChanged(day, {key, title, body});
    if (running_) {
        again_ = true;
        return;
    }
    const auto agreed = mirror_->state().days.constFind(day);
    const QString path = mirror_->state().folder + u'/' + dayFilePath(day);
    const FileStamp stamp = stampOf(path);
    // The file is as both last agreed (or there is none, and none was agreed): the save
    // alone decides it. Anything else is the pass's to decide.
    const bool asAgreed =
        agreed == mirror_->state().days.constEnd() ? stamp.isNull() : agreed->stamp == stamp;
    if (!asAgreed) {
        later(0);
        return;
    }
    Work work;
    const QString text = dayFileText({key, title, body});
    if (text.isEmpty()) {
        later(0); // an emptied day is a deletion: asked in a pass
        return;
    }
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    FileJob job{FileJob::Write, day, path, text.toUtf8(), digestOf(text), {}, false};
    job.done = writeSynced(path, job.bytes);
    if (job.done) job.stamp = stampOf(path);
    work.jobs << job;
    mirror_->record(work);
    // The state follows shortly: lost, the day would only be agreed on again.
    QTimer::singleShot(1000, this, [this] {
        if (mirror_) mirror_->saveState();
    });
}

bool MirrorKeeper::passNow()
{
    if (!isOn() || worker_.joinable()) return false;
    if (running_) {
        again_ = true;
        return false;
    }
    running_ = true;
    again_ = false;
    QString why;
    bool ok = false;
    if (mirror_->link([](const QString& q) { return services().dialogs->confirm(q); }, why) ==
        Mirror::LinkOutcome::Ready) {
        Pass pass;
        if (mirror_->scan(pass, today())) {
            Answers answers;
            if (!pass.choose.conflicts.isEmpty() || !pass.choose.added.isEmpty()) {
                answers.choices =
                    QList<keep::Resolution>(pass.choose.conflicts.size(), keep::Resolution::Keep);
                answers.chosen =
                    keep::keepAsk().resolveConflicts(window_, pass.choose, answers.choices);
                if (!answers.chosen) mirror_->decline(pass);
            }
            if (!pass.filesGone.isEmpty())
                answers.removeRows =
                    services().dialogs->confirm(removedFilesQuestion(pass.filesGone, today()));
            if (!pass.rowsGone.isEmpty())
                answers.removeFiles =
                    services().dialogs->confirm(removedRowsQuestion(pass.rowsGone));
            mirror_->applyToDiary(pass, answers, today(), work_);
            if (!work_.failure.isEmpty()) services().dialogs->message(work_.failure);
            if (!work_.changedDays.isEmpty() && shown_) shown_();
            if (pass.again) again_ = true;
            ok = true;
            if (work_.jobs.size() > kAwayFromWindow) {
                // The files go on a thread of their own; the window goes on meanwhile.
                filesDone_ = 0;
                workerOver_ = false;
                worker_ = std::thread([this] {
                    runFileWork(work_, [this](qint64 done, qint64) {
                        filesDone_ = int(done);
                        return true;
                    });
                    workerOver_ = true;
                });
                poll_.start();
                return true;
            }
            runFileWork(work_);
            mirror_->record(work_);
            mirror_->saveState();
            work_ = {};
        }
    } else if (!why.isEmpty()) {
        mirror_->setOn(false);
        mirror_->saveState();
        services().dialogs->message(why);
    }
    running_ = false;
    if (again_) later(int(std::max<qint64>(stillMs_, 100)));
    watchFolders();
    return ok;
}

void MirrorKeeper::filesDone()
{
    poll_.stop();
    if (worker_.joinable()) worker_.join();
    mirror_->record(work_);
    mirror_->saveState();
    if (!work_.failure.isEmpty()) services().dialogs->message(work_.failure);
    work_ = {};
    showProgress(0, 0);
    running_ = false;
    watchFolders();
    if (again_) later(0);
}

void MirrorKeeper::waitForFiles()
{
    if (!worker_.joinable()) return;
    worker_.join();
    filesDone();
}

void MirrorKeeper::showProgress(int done, int total)
{
    if (total <= 0) {
        if (bar_) {
            bar_->deleteLater();
            bar_ = nullptr;
        }
        return;
    }
    if (!bar_) {
        bar_ = new QProgressBar(window_);
        bar_->setObjectName(QStringLiteral("mirrorProgress"));
        bar_->setFormat(QStringLiteral("写しのファイル %v / %m"));
        bar_->setMaximumWidth(260);
        window_->statusBar()->addPermanentWidget(bar_);
    }
    bar_->setRange(0, total);
    bar_->setValue(done);
}

void MirrorKeeper::watchFolders()
{
    if (!isOn()) return;
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        // The program's own writes change the year folders too: those need no pass.
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& d) {
            if (d == mirror_->state().folder || !mirror_->yearInStep(d)) later(kSettleMs);
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
    if (isOn()) passNow();
    if (mirror_) mirror_->saveState();
    if (watcher_) {
        delete watcher_;
        watcher_ = nullptr;
    }
}

} // namespace drv::mirror
