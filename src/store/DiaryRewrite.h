#pragma once
// A diary file written anew in one pass, its titles and bodies sealed with other keys (or
// opened into plain text): how a diary, and each of its snapshots, is switched between
// encrypted and plain. The new file holds no page of the old one, so no plain text is
// left in its free space; it takes the old one's place by a rename, so a kill or a power
// cut at any moment leaves the old file or the new one, whole.

#include "KeySet.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>
#include <future>

namespace drv {

struct RewriteKeys {
    const vault::KeySet* from = nullptr; // opens the old file's sealed values; null: plain
    const vault::KeySet* to = nullptr;   // seals the new file's values; null: plain
    // The new file's key slots (with `to`), taken once the rows are written: a password's
    // derivation (half a second, more on a busy machine) runs beside the copy. Empty, or
    // a slot empty, when they could not be made.
    std::shared_future<QMap<QString, QByteArray>> slots;
};

// The name the new file is written under, beside the old one.
QString rewritePartOf(const QString& path);

// Writes the diary file `from` anew as `to`: the same tables (the key slots excepted) and
// every row, its title and body opened with keys.from and sealed with keys.to; then reads
// every row of the new file back and compares it with the old one, and syncs the file.
// A value that does not open fails the whole rewrite, naming its day. progress hears
// rows done out of all (twice the rows: written, then checked) and may stop it. False
// with a reason, the new file removed.
bool rewriteDiaryFile(const QString& from, const QString& to, const RewriteKeys& keys,
                      const std::function<bool(qint64 done, qint64 total)>& progress,
                      QString& reason);

// Puts the file `part` in place of `target` by a rename, and syncs the folder so that
// the rename is on disk.
bool replaceFile(const QString& part, const QString& target, QString& reason);

// Writes new key slots into a diary file that holds sealed values, in one transaction: a
// password change rewraps the key and leaves every row alone. A slot given empty is
// removed.
bool writeKeySlots(const QString& path, const QMap<QString, QByteArray>& slots, QString& reason);

} // namespace drv
