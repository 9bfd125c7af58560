#pragma once
// The diary's figures per year and per month: entries, characters (as the status line
// counts them), the share of days written and the longest run, and the figures as text.

#include "DiaryDays.h"

#include <QList>
#include <QString>

#include <array>

namespace drv::lookback {

struct PeriodFigures {
    int entries = 0;
    qint64 chars = 0;
    int days = 0;       // days of the period that count for the share (see figuresOf)
    int longestRun = 0; // within the period
    double share() const { return days > 0 ? double(entries) / days : 0.0; }
    bool operator==(const PeriodFigures&) const = default;
};

struct YearFigures {
    int year = 0;
    PeriodFigures total;
    std::array<PeriodFigures, 12> months;
};

struct DiaryFigures {
    QList<YearFigures> years; // from the first written year to the last or today's
    PeriodFigures total;
    int currentRun = 0;
};

// Per year and month. A period's days run to today, or to its last written day when that
// is later; a period wholly after today counts its written days only.
DiaryFigures figuresOf(const DiaryDays& days);

// The figures as tab-separated text with a heading line, one line per year and below it
// one per month of it, then the whole diary: for pasting into a spreadsheet.
QString figuresText(const DiaryFigures& f);

} // namespace drv::lookback
