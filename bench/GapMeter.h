#pragma once
// How long the window went without seeing its events: the longest time the event loop
// went without running a 5 ms timer while some work ran on the interface thread.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace drv::bench {

class GapMeter {
public:
    GapMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, since_.restart()); });
    }
    // Runs work and returns the longest gap in milliseconds.
    qint64 around(const std::function<void()>& work)
    {
        longest_ = 0;
        since_.start();
        timer_.start();
        work();
        longest_ = std::max(longest_, since_.elapsed());
        timer_.stop();
        return longest_;
    }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

} // namespace drv::bench
