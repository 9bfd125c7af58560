#pragma once
// Which diary program a file or folder comes from, and reading whatever "読み込み…"
// is given: another program's diary when it is one, a file of our formats otherwise.

#include "Formats.h"
#include "PeerDiary.h"
#include "Progress.h"

namespace drv::peers {

enum class Peer { None, RedNotebook, Almanah, Lifeograph };

// Recognised by name and first bytes: RedNotebook's journal folder or one of its month
// files, Almanah's diary.db (or diary.db.encrypted, or the folder of either),
// Lifeograph's diary file.
Peer peerOf(const QString& path);

PeerResult readPeer(Peer peer, const QString& path, const QDate& today,
                    const keep::Progress& progress);

// What could not be taken from a peer's diary (the days outside the keys' window, the
// entries of no day), as the user is told before the rest is imported; empty when
// everything was taken.
QString notTakenText(const PeerResult& r, const QDate& today);

// Reads path as a peer's diary or as a file of `format`; notice receives notTakenText.
keep::SourceResult readAnySource(const QString& path, keep::Format format, const QDate& today,
                                 const keep::Progress& progress, QString& notice);

} // namespace drv::peers
