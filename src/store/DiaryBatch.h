#pragma once
// Many days written at once, in one write transaction: all of them or none.

#include "Diary.h"

#include <QHash>

#include <optional>

namespace drv::diary {

// A day's entry as the batch writes it, and what the day must hold when the batch
// starts: no entry, or exactly the entry that was read when the batch was planned.
struct BatchRow {
    DiaryEntry after;
    std::optional<DiaryEntry> before;
    bool remove = false; // the day's row is deleted instead (before must hold it)
};

enum class BatchOutcome {
    Written,
    Stopped, // progress said no: nothing was written
    Changed, // a day no longer holds what the plan saw: nothing was written
    Failed,  // a statement failed and showed its message: nothing was written
};

// Checks every day against its `before`, then writes every row, in one transaction.
// progress hears rows done out of all (each row counts once for the check and once
// for the write) and may stop the batch.
BatchOutcome writeBatch(const QList<BatchRow>& rows,
                        const std::function<bool(qint64 done, qint64 total)>& progress);

// The entries of those days that hold one, by key. progress hears keys done out of all
// and may stop the reading (the result is then false).
bool entriesOfDays(const QStringList& keys, QHash<QString, DiaryEntry>& found,
                   const std::function<bool(qint64 done, qint64 total)>& progress = {});

// How many entries the diary holds.
bool entryCount(int& n);

} // namespace drv::diary
