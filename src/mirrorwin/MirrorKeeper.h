#pragma once
// The mirror folder beside the main window: a pass at start, the day's file right after
// each save, a pass when the folder changes (a watcher on its year folders), when the
// window is activated again (watchers miss events) and at the end. A first mirror of
// many days writes its files on a thread of its own with its progress in the status bar;
// the window goes on meanwhile. Questions go through the import's choice and the
// dialog seam.

#include "Mirror.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QFileSystemWatcher;
class QLabel;
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
    // The window was activated again.
    void activated();
    // Before the diary closes: waits for files being written, then a last pass.
    void finish();

    // The setting: on with a folder, or off. Turning it on runs a pass.
    bool isOn() const;
    QString folder() const;
    void turnOn(const QString& folder);
    void turnOff();
    // Why the mirror cannot be used for this diary (an encrypted one); empty when it can.
    static QString unavailableReason();

    // Runs a pass now (tests; the timers call it too). False when it could not.
    bool passNow();
    bool busy() const { return worker_.joinable(); }
    // The first pass's files are written: for tests.
    void waitForFiles();
    // How long a changed file must be still before it is read (tests make it 0).
    void setStillMs(qint64 ms);

private:
    void later(int ms);
    void watchFolders();
    void filesDone();
    void showProgress(int done, int total);

    QMainWindow* window_;
    std::function<void()> shown_;
    std::unique_ptr<Mirror> mirror_;
    QTimer timer_;
    QFileSystemWatcher* watcher_ = nullptr;
    bool running_ = false; // a pass is asking or writing: another one waits
    bool again_ = false;
    qint64 stillMs_ = 2000;

    // A first mirror's files, written away from the window.
    std::thread worker_;
    Work work_;
    std::atomic<int> filesDone_{0};
    std::atomic<bool> workerOver_{false};
    QTimer poll_;
    QProgressBar* bar_ = nullptr;
};

} // namespace drv::mirror
