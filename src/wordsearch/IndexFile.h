#pragma once
// The search index's own file and what it shares with the diary's connections: where the
// file lives, opening a connection on it, the digest that tells whether a body changed,
// and the stamp that tells whether the diary file changed at all.

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

struct sqlite3;

namespace drv::vault {
class KeySet;
}

namespace drv::index {

// The index of a diary: a file named for the diary in the user's cache folder, which is
// made readable by its owner only (the index holds the diary's words).
QString pathFor(const QString& diaryPath);

// An encrypted diary's index never lies on disk in plain: it is a database in this
// program's memory, shared by its connections under the name memoryPathFor gives (it
// lives while one of them is open), and stored as one sealed file (sealedPathFor) that is
// read into memory at unlock and written back after a build and at closing. Searches then
// run on the same tables as the plain index's, at the same speed. The sealed file is
// derived: one that does not open with the diary's key is dropped and the index built anew.
QString memoryPathFor(const QString& plainPath);
QString sealedPathFor(const QString& plainPath);
bool inMemory(const QString& path);
// A bare connection that keeps the memory index alive while the diary is open (it runs
// no statement of its own but the sealed file's writing); null when it cannot be made.
sqlite3* openAnchor(const QString& path);
// Fills the memory index `path` (empty until now) from its sealed file; false, leaving
// it empty, when the file is missing, damaged or sealed with another key.
bool loadSealed(const QString& path, const QString& sealedPath, const vault::KeySet& keys);
// Writes the memory index that `index` is a connection of, sealed, over its file. Run
// between transactions of the one connection that writes the index.
bool saveSealed(sqlite3* index, const QString& sealedPath, const vault::KeySet& keys);

// Opens a connection on the index file under a name of its own, creating the file (empty,
// readable by its owner only) when there is none. False when it cannot be opened or the
// engine lacks full-text search; the connection is then removed again.
bool open(const QString& connection, const QString& path, int busyMs);
// Opens a read-only connection on the diary for the index's reads, with drv_fp.
bool openDiary(const QString& connection, const QString& path, int busyMs);
void close(const QString& connection);
// Folds the index's log into its file and removes the log and its shared memory, so that
// a clean exit leaves the index alone in the cache folder. Called once every connection of
// this program on it is closed; while another copy still has it open, both stay for it.
void settle(const QString& path);

// Removes, with their logs, the index files beside `kept` whose diary is gone and which
// nobody has touched for kForgottenAfterDays: a diary on a medium that is only away for a
// while keeps its index. Files it cannot read as an index of ours are left alone.
inline constexpr int kForgottenAfterDays = 30;
void forgetVanished(const QString& kept);

// What the index was made with: a change of the terms, of the folding or of the Unicode
// tables that fold rebuilds it.
QString makerVersion();

// The digest of a body as drv_fp(body) gives it: BLAKE2b-160 of its UTF-8 text, a single
// zero byte for no body.
QByteArray digestOf(const char* utf8, int bytes);

// The diary file's stamp: device, file number, size, modification and status-change
// times, and the header's change counter as the connection's own file reads it. Taken
// inside a read transaction of `diary`, so no commit can come between. Empty when the file
// keeps changes outside itself (a write-ahead log), and the stamp would not see them.
QString stampOf(sqlite3* diary, const QString& path);
// Stores the stamp in the index file when it is still the one of that generation, and
// complete. Quiet: without a stamp the next start compares every row instead.
void writeStamp(const QString& indexPath, qint64 generation, const QString& stamp);

} // namespace drv::index
