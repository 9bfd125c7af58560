#pragma once
// Lifeograph's diary file (".diary", file version 2000 as Lifeograph 2.0 writes it):
// a header, then elements each opened by an "ID" line; an entry's line "E" ends in its
// date (year, month, day and its order among the day's entries, packed in bits), and
// its text follows as one "Ep" line a paragraph. The first paragraph is its title.
// A diary with a password is encrypted after the header and is not read.

#include "PeerDiary.h"
#include "Progress.h"

namespace drv::peers {

// True when the file starts with Lifeograph's mark.
bool isLifeographFile(const QString& path);

// The message for a diary with a password.
QString lifeographEncryptedText();

PeerResult readLifeograph(const QString& path, const QDate& today, const keep::Progress& progress);

// One paragraph with Lifeograph's markup reduced to its words: *bold*, _italic_,
// =struck=, #highlighted#, links "<address\tlabel>" (an address other than an entry's
// follows its label), a leading ".\t" that turns the markup off, heading spaces.
QString lifeographPlain(const QString& paragraph);

} // namespace drv::peers
