#pragma once
// What the next start does with a draft that a run left behind: offer it back unless the
// diary already holds its text, say so when the day was changed since the text was begun,
// and put a draft that is turned down aside instead of throwing it away.

#include "Draft.h"

#include <QDateTime>

namespace drv {

enum class DraftState {
    Stored,          // the diary holds this text already: nothing to offer
    Unchanged,       // the day is as it was when the text was begun
    ChangedElsewhere // another program or copy changed the day meanwhile
};

DraftState judgeDraft(const Draft& draft, const QString& storedTitle, const QString& storedBody);
// The question whether to restore the draft, with its day and its first line.
QString offerText(const Draft& draft, DraftState state);
// Writes bytes into folder + "backup/" (made readable by its owner only) under a name
// that holds the date and time now. Returns the new file's path, empty on failure.
QString keepAside(const QByteArray& bytes, const QString& folder, const QDateTime& now);

} // namespace drv
