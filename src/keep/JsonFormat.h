#pragma once
// The JSON file of a diary: an array of entries, one a line, each an object with the
// day's "key", its "date" in ISO form through the century window (null when the key is
// not a real day), "title" and "body".
//
//   [
//   {"key":"261207","date":"2026-12-07","title":"…","body":"…"},
//   ]
//
// Reading takes any JSON of that shape: members in any order, others ignored, a day
// given by "key" or "date" or both (then they must agree).

#include "EntrySource.h"
#include "Progress.h"

#include <QStringView>

namespace drv::keep {

QStringView jsonOpening();
QStringView jsonClosing();
// One entry's line; every entry after the first is preceded by a comma.
void appendJsonEntry(QString& out, const DiaryEntry& entry, const QDate& today, bool first);

SourceResult parseJsonEntries(QStringView text, const QDate& today, const Progress& progress);

} // namespace drv::keep
