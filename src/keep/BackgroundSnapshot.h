#pragma once
// The day's snapshot, taken at start on a thread of its own once the window is up, so
// that neither the start nor a save waits for it.

namespace drv::keep {

class BackgroundSnapshot {
public:
    // After delayMs of the event loop, snapshots sUsrFld's diary unless the day has its
    // snapshot already, then rotates the snapshots.
    static void startLater(int delayMs = 1500);
    // Asks a running snapshot to stop (it leaves no file), or one not begun yet not to
    // begin, and waits for its thread. Called before the program ends.
    static void stop();
    // Waits until a started snapshot is done.
    static void wait();
};

} // namespace drv::keep
