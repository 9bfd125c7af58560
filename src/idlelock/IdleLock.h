#pragma once
// The idle lock of an encrypted diary: after the chosen minutes without a key, a click or
// a move of the mouse, every window of the program is hidden (the entry and its title, the
// listings, the correction windows, the year at a glance and the figures), a small window
// saying that the diary is locked takes their place and the diary's password is asked
// again; the right one shows them as they were. Nothing is saved or written meanwhile:
// text not yet saved stays in its widgets, in memory. Cancel keeps the lock (the small
// window asks again on its button); ending the program from it ends as the close box does,
// saving the entry (sealed, as every write of an encrypted diary). Off by default; a plain
// diary has no password and is never locked. While a modal dialog is open (a question, a
// progress box) the lock waits for it to close, so that it never answers one.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace drv {

class LockWindow;

class IdleLock final : public QObject {
public:
    static IdleLock& instance();

    // The setting, in minutes (0: off), as the per-user store keeps it.
    static int storedMinutes();
    static void storeMinutes(int minutes);

    // Watches the application's input from now on and locks after `idle` without it;
    // zero stops watching (a lock in force stays until it is unlocked).
    void start(std::chrono::milliseconds idle);
    std::chrono::milliseconds idleTime() const { return idle_; }
    // How the program ends from the lock window: as its close box, false when the user
    // kept it open.
    void setEnd(std::function<bool()> end) { end_ = std::move(end); }

    bool locked() const { return locked_; }
    // Hides the windows and asks the password (a wrong one says so and asks again; Cancel
    // leaves the lock window).
    void lock();
    // The lock window in front (a second start of the program asks for the window).
    void raise();
    LockWindow* lockWindow() const { return window_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IdleLock();
    ~IdleLock() override;
    void timedOut();
    void askToUnlock();
    void unlock();
    bool endProgram();

    QTimer timer_;
    std::chrono::milliseconds idle_{0};
    bool locked_ = false;
    bool asking_ = false;
    bool watching_ = false;
    QList<QPointer<QWidget>> hidden_;
    QPointer<QWidget> focus_;
    std::unique_ptr<LockWindow> window_;
    std::function<bool()> end_;
};

} // namespace drv
