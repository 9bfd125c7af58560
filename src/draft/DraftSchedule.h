#pragma once
// When the next draft is due. Typing should cost at most the last two seconds of text,
// including the time the write itself takes: a draft is due one second after the last
// change, and never later than one and a half seconds after the first change it does not
// hold yet, so that steady typing is written every one and a half seconds too.
// Times are milliseconds of a monotonic clock.

#include <QtGlobal>

#include <optional>

namespace drv {

class DraftSchedule {
public:
    static constexpr qint64 kIdleMs = 1000;
    static constexpr qint64 kLongestMs = 1500;

    void changed(qint64 now);
    // Nothing pending: nullopt.
    std::optional<qint64> due() const;
    // A draft was taken: it holds every change so far.
    void taken();

private:
    std::optional<qint64> first_; // the first change not yet in a draft
    qint64 last_ = 0;
};

} // namespace drv
