#pragma once
// Reading entries into the diary: a source gives the entries (a file of one of the
// formats here, or another program's diary), a plan sorts them into new days, days
// that already hold the same entry and days that hold another one, the user decides
// for each of those, and one transaction writes the result: all of it or nothing.

#include "DiaryBatch.h"
#include "EntrySource.h"
#include "Formats.h"
#include "Progress.h"

namespace drv::keep {

// Reads a file of one of the formats. Text files may be UTF-8 (with or without a byte
// order mark) or CP932; Markdown and JSON are UTF-8.
SourceResult readDiaryFile(const QString& path, Format format, const QDate& today,
                           const Progress& progress);

// A day that holds an entry other than the one imported.
struct Conflict {
    DiaryEntry incoming;
    DiaryEntry existing;
    int line = 0;
};

struct ImportPlan {
    QList<DiaryEntry> added; // days without an entry
    QList<Conflict> conflicts;
    int unchanged = 0; // days that hold exactly the imported entry
};

// Sorts the entries by what their days hold now. False when the diary could not be read
// (the store showed why) or progress said stop.
bool planImport(const QList<ImportedEntry>& entries, ImportPlan& plan,
                const Progress& progress = {});

enum class Resolution { Keep, Replace, Append };

// The day's entry with the imported one after it: its body follows the existing body
// after a blank line; its title becomes the entry's title when that is empty, and
// otherwise, when it differs, the first line of what is appended.
DiaryEntry appended(const DiaryEntry& existing, const DiaryEntry& incoming);

struct ImportCounts {
    int added = 0, replaced = 0, appended = 0, kept = 0, unchanged = 0;
};

// The writes the plan and the choices (one for each conflict, Keep where missing) make.
QList<diary::BatchRow> resolveImport(const ImportPlan& plan, const QList<Resolution>& choices,
                                     ImportCounts& counts);

// The end of an import once the choices are made: the writes in one transaction, and
// the words that tell the user what became of them.
struct ImportEnd {
    bool written = false; // the diary changed
    bool failed = false;  // something was to be written and nothing was
    QString text;
};
ImportEnd writeImport(const ImportPlan& plan, const QList<Resolution>& choices,
                      const Progress& progress = {});

} // namespace drv::keep
