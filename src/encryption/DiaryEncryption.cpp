#include "DiaryEncryption.h"

#include "DiaryKeys.h"
#include "DiaryRewrite.h"
#include "IndexFile.h"
#include "KeySlot.h"
#include "Platform.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <future>
#include <system_error>

#include <sqlite3.h>

namespace drv::encryption {

namespace {

QMap<QString, QByteArray> slotsOfFile(const QString& path)
{
    sql::Connection db;
    QString reason;
    if (!db.open(path, SQLITE_OPEN_READONLY, reason, 5000)) return {};
    return readKeySlots(db.handle());
}

// Whether a file's sealed values are these keys': its first sealed row opens with them.
bool sealedBy(const QString& path, const vault::KeySet& keys)
{
    sql::Connection db;
    QString reason;
    if (!db.open(path, SQLITE_OPEN_READONLY, reason, 5000)) return false;
    sql::Query q(db.handle(), sql::kFirstSealed);
    if (!q.next()) return q.ok(); // nothing sealed: nothing to tell them apart
    QString text;
    return keys.openValue(q.text(0), QStringLiteral("szDoc"), q.blob(1), text);
}

bool rewrite(const QString& path, const RewriteKeys& keys, const Progress& progress,
             QString& reason)
{
    const QString part = rewritePartOf(path);
    return rewriteDiaryFile(path, part, keys, progress, reason) && replaceFile(part, path, reason);
}

// A snapshot is switched like the diary; one that cannot be (damaged, or sealed with
// other keys) is left as it is: a restore from it still asks for its own password.
void rewriteSnapshots(const QString& diary, const RewriteKeys& keys)
{
    for (const QString& snapshot : snapshotsOf(diary)) {
        const bool sealed = !slotsOfFile(snapshot).isEmpty();
        if (sealed == (keys.to != nullptr)) continue; // already as wanted
        if (keys.from && !sealedBy(snapshot, *keys.from)) continue;
        QString reason;
        rewrite(snapshot, keys, {}, reason);
    }
}

void rewriteDrafts(const QString& diary, const vault::KeySet* from, const vault::KeySet* to)
{
    for (const QString& path : draftsOf(diary)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = f.readAll();
        f.close();
        QByteArray plain = bytes;
        if (vault::isSealedFile(bytes)) {
            if (!from || !from->openFile(vault::KeySet::Use::Drafts, bytes, plain)) continue;
        }
        writeSynced(path, to ? to->sealFile(vault::KeySet::Use::Drafts, plain) : plain);
    }
}

void forgetIndex(const QString& diary)
{
    const QString index = index::pathFor(diary);
    if (index.isEmpty()) return;
    // Synced, so that a power cut does not bring the words back beside a sealed diary.
    for (const char* part : {"", "-wal", "-shm"})
        removeSynced(index + QLatin1String(part));
    // Sealed with the keys going out: useless to the diary as it becomes.
    removeSynced(index::sealedPathFor(index));
}

// Removes the keyring's item of a keyring slot; false with a reason when it stays.
bool forgetKeyringItem(const QByteArray& slot, QString& reason)
{
    const QString account = keyringAccount(slot);
    Keyring* keyring = services().keyring;
    if (account.isEmpty() || !keyring) return true;
    if (keyring->remove(account, reason)) return true;
    reason = QStringLiteral("キーリングの項目を消せませんでした (%1)。"
                            "日記の側の鍵は消したので、その項目ではもう開けません")
                 .arg(reason);
    return false;
}

} // namespace

bool hasKeyringSlot(const QString& diary)
{
    return slotsOfFile(diary).contains(kKeyringSlot);
}

bool keyringOn(const QString& diary, const vault::KeySet& keys, QString& reason)
{
    Keyring* keyring = services().keyring;
    if (!keyring) {
        reason = QStringLiteral("キーリングを使えません");
        return false;
    }
    const auto secret = vault::newKeyringSecret();
    const QByteArray slot = secret ? vault::wrapWithKeyring(keys.dataKey(), *secret) : QByteArray();
    if (slot.isEmpty()) {
        reason = QStringLiteral("鍵を作れません (メモリが足りません)");
        return false;
    }
    const QByteArray before = slotsOfFile(diary).value(kKeyringSlot);
    QByteArray bytes(reinterpret_cast<const char*>(secret->data()), qsizetype(secret->size()));
    const bool kept = keyring->write(keyringAccount(slot), bytes, reason);
    vault::wipe(bytes);
    if (!kept) return false;
    if (!writeKeySlots(diary, {{kKeyringSlot, slot}}, reason)) {
        QString ignored;
        keyring->remove(keyringAccount(slot), ignored);
        return false;
    }
    // A slot made earlier (turned on twice) leaves no item behind.
    if (!before.isEmpty()) {
        QString ignored;
        forgetKeyringItem(before, ignored);
    }
    return true;
}

bool keyringOff(const QString& diary, const vault::KeySet& keys, QString& reason)
{
    const QByteArray slot = slotsOfFile(diary).value(kKeyringSlot);
    if (!writeKeySlots(diary, {{kKeyringSlot, QByteArray()}}, reason)) return false;
    // Snapshots taken while it was on hold the slot too; a restore must not bring it back.
    for (const QString& snapshot : snapshotsOf(diary)) {
        QString ignored;
        if (slotsOfFile(snapshot).contains(kKeyringSlot) && sealedBy(snapshot, keys))
            writeKeySlots(snapshot, {{kKeyringSlot, QByteArray()}}, ignored);
    }
    return slot.isEmpty() || forgetKeyringItem(slot, reason);
}

QStringList snapshotsOf(const QString& diary)
{
    const QFileInfo d(diary);
    QStringList out;
    const QDir backup(d.absolutePath() + QStringLiteral("/backup"));
    for (const QFileInfo& f : backup.entryInfoList(
             {d.completeBaseName() + QStringLiteral("-*.") + d.suffix()}, QDir::Files))
        out << f.absoluteFilePath();
    return out;
}

QStringList draftsOf(const QString& diary)
{
    const QFileInfo d(diary);
    QStringList out;
    const QDir folder(d.absolutePath());
    for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("draft*.txt")}, QDir::Files))
        out << f.absoluteFilePath();
    const QDir backup(d.absolutePath() + QStringLiteral("/backup"));
    for (const QFileInfo& f : backup.entryInfoList({QStringLiteral("draft-*.txt")}, QDir::Files))
        out << f.absoluteFilePath();
    return out;
}

std::unique_ptr<vault::KeySet> switchOn(const QString& diary, const QString& password,
                                        const QString& recoveryKey, const Progress& progress,
                                        QString& reason)
{
    auto keys = vault::KeySet::generate();
    if (!keys) {
        reason = QStringLiteral("暗号のライブラリを使えません");
        return {};
    }
    RewriteKeys with;
    with.to = keys.get();
    // The slots are made on a thread of their own while the rows are copied; `with` goes
    // before `keys`, waiting for that thread.
    const vault::Secret& dataKey = keys->dataKey();
    const auto makeSlots = [&dataKey, password, recoveryKey] {
        return QMap<QString, QByteArray>{
            {kPasswordSlot, vault::wrapWithPassword(dataKey, password)},
            {kRecoverySlot, vault::wrapWithRecovery(dataKey, recoveryKey)}};
    };
    try {
        with.slots = std::async(std::launch::async, makeSlots).share();
    } catch (const std::system_error&) {
        // No thread to be had: the slots are made once the rows are copied.
        with.slots = std::async(std::launch::deferred, makeSlots).share();
    }
    if (!rewrite(diary, with, progress, reason)) return {};
    forgetIndex(diary);
    rewriteSnapshots(diary, with);
    rewriteDrafts(diary, nullptr, keys.get());
    return keys;
}

bool switchOff(const QString& diary, const vault::KeySet& keys, const Progress& progress,
               QString& reason)
{
    RewriteKeys with;
    with.from = &keys;
    const QString part = rewritePartOf(diary);
    if (!rewriteDiaryFile(diary, part, with, progress, reason)) return false;
    // The drafts are opened before the plain diary takes its place: a draft still sealed
    // beside a plain diary after a power cut or a kill would have no key left to open it.
    rewriteDrafts(diary, &keys, nullptr);
    const QByteArray keyringSlot = slotsOfFile(diary).value(kKeyringSlot);
    if (!replaceFile(part, diary, reason)) return false;
    rewriteSnapshots(diary, with);
    // Nothing is left for the item to open; a failure to reach the keyring is no failure
    // of switching off.
    QString ignored;
    forgetKeyringItem(keyringSlot, ignored);
    return true;
}

bool changePassword(const QString& diary, const vault::KeySet& keys, const QString& password,
                    QString& reason)
{
    const QByteArray slot = vault::wrapWithPassword(keys.dataKey(), password);
    if (slot.isEmpty()) {
        reason = QStringLiteral("鍵を作れません (メモリが足りません)");
        return false;
    }
    if (!writeKeySlots(diary, {{kPasswordSlot, slot}}, reason)) return false;
    // Snapshots of the same key open with the new password too (the old one's slot goes).
    for (const QString& snapshot : snapshotsOf(diary)) {
        QString ignored;
        if (slotsOfFile(snapshot).contains(kPasswordSlot) && sealedBy(snapshot, keys))
            writeKeySlots(snapshot, {{kPasswordSlot, slot}}, ignored);
    }
    return true;
}

} // namespace drv::encryption
