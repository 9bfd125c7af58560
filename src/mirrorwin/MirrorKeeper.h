#pragma once
// The mirror folder beside the main window: a pass at start, the day's file right after
// each save, a pass when the folder changes (a watcher on its year folders), a rescan
// when the window is activated again (watchers miss events) and a last pass at the end.
//
// A pass never holds the window: its scan (the files' stamps, the diary's rows on a
// read-only connection of the store's, each row's digest) runs on a thread of its own,
// and so do many files' writes, with their progress in the status bar. Only what needs
// the window or the store's connection runs on its thread: the questions (the import's
// choice and the dialog seam) and the diary's one transaction, which checks each day
// against what the scan read, so a save made meanwhile is never overwritten. While the
// thread has the Mirror, saves and other changes are noted and taken once the pass is
// over, as if made then.

#include "Mirror.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QFileSystemWatcher;
class QMainWindow;
class QProgressBar;

namespace drv::mirror {

class MirrorKeeper final : public QObject {
    Q_OBJECT

public:
    // shown is called after a pass wrote into the diary, for the window to read it again.
    MirrorKeeper(QMainWindow* window, std::function<void()> shown);
    ~MirrorKeeper() override;
    Q_DISABLE_COPY_MOVE(MirrorKeeper)

    // The diary is open: reads the setting of its data folder and runs the first pass.
    void start();
    // The day was saved: its file is written at once when the file is as last agreed,
    // else a pass decides.
    void saved(const QString& key);
    // Something else changed the diary (delete, move, correction, import): a pass soon.
    void changed();
    // The window was activated again: a rescan.
    void activated();
    // Before the diary closes: waits for the pass under way, then a last pass.
    void finish();

    // The setting: on with a folder, or off. Turning it on starts a pass.
    bool isOn() const;
    QString folder() const;
    void turnOn(const QString& folder);
    void turnOff();
    // Why the mirror cannot be used for this diary (an encrypted one); empty when it can.
    static QString unavailableReason();

    // Starts a pass now (the timers call it too); it goes on while the window's events
    // run. False when none could start (off, or one is under way: another follows it).
    bool passNow();
    // A pass is under way.
    bool busy() const { return stage_ != Stage::Idle; }
    // Waits for the pass under way to end, its questions asked on this thread.
    void waitForFiles();
    // How long a changed file must be still before it is read (tests make it 0).
    void setStillMs(qint64 ms);

Q_SIGNALS:
    // A pass's scan has ended and its questions and writes are next; a save made now is
    // one made while the pass runs.
    void scanned();

private:
    enum class Stage { Idle, Scanning, Writing };

    void later(int ms);
    void watchFolders();
    void startStage(Stage stage, std::function<void()> work);
    void scanDone();
    void filesDone();
    void endPass();
    void tellMeanwhile();
    void showProgress();

    QMainWindow* window_;
    std::function<void()> shown_;
    std::unique_ptr<Mirror> mirror_;
    QTimer timer_;
    QFileSystemWatcher* watcher_ = nullptr;
    bool again_ = false;   // another pass after this one
    bool waiting_ = false; // for a file to be still: the next pass after stillMs_
    bool rescan_ = false;  // the next pass is a rescan
    qint64 stillMs_ = 2000;

    // What changed while the thread had the Mirror.
    QSet<QString> savedMeanwhile_;
    bool changedMeanwhile_ = false;

    // The pass under way; the thread owns mirror_, pass_ and work_ until it is over.
    Stage stage_ = Stage::Idle;
    std::thread worker_;
    std::atomic<bool> workerOver_{false};
    std::unique_ptr<diary::DiaryReader> reader_;
    Pass pass_;
    Work work_;
    bool scanOk_ = false;
    std::atomic<qint64> done_{0}, total_{0};
    QElapsedTimer stageTime_;
    QTimer poll_;
    QProgressBar* bar_ = nullptr;
};

} // namespace drv::mirror
