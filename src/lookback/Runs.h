#pragma once
// Runs of consecutive written days.

#include "DiaryDays.h"

#include <QDate>

namespace drv::lookback {

struct Runs {
    int longest = 0;
    // The run that reaches today, or yesterday while today holds no entry yet.
    int current = 0;
    bool operator==(const Runs&) const = default;
};

// Over the days from `from` to `to` (both included; an invalid bound leaves that side
// open). A run across the year's end is one run; the current run counts only its days
// within the bounds.
Runs runsOf(const DiaryDays& days, const QDate& from = {}, const QDate& to = {});

} // namespace drv::lookback
