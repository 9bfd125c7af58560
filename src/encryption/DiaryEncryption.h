#pragma once
// Switching a diary between plain and encrypted. Each file (the diary, then each snapshot
// in backup/) is written anew beside itself and renamed over itself (DiaryRewrite.h), so
// a kill or a power cut at any moment leaves each one old or new, whole; the kept drafts
// are sealed or opened the same way, and the search index of the plain diary is removed
// (an encrypted diary keeps none on disk). These work on a diary that is not open.

#include "KeySet.h"

#include <QString>

#include <functional>
#include <memory>

namespace drv::encryption {

// Rows done out of all; false stops (before the diary is replaced, nothing changed).
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Encrypts the diary with a new data key, wrapped by the password and the recovery key.
// The keys in force afterwards, or null with a reason.
std::unique_ptr<vault::KeySet> switchOn(const QString& diary, const QString& password,
                                        const QString& recoveryKey, const Progress& progress,
                                        QString& reason);
// Writes the diary, its snapshots and kept drafts back in plain text; the keyring's item
// of the diary's keyring slot is removed (the plain diary has no slots left).
bool switchOff(const QString& diary, const vault::KeySet& keys, const Progress& progress,
               QString& reason);
// Wraps the data key by a new password, in the diary and in each snapshot that holds the
// same key; no row is written.
bool changePassword(const QString& diary, const vault::KeySet& keys, const QString& password,
                    QString& reason);

// Unlocking from the desktop's keyring. Turning it on makes a random secret, keeps it in
// the keyring and wraps the data key by it in the diary's keyring slot (the keyring
// first: a slot whose secret is nowhere is never written). Turning it off removes the
// slot from the diary and from its snapshots of the same key, then the keyring's item; the
// slot is gone even when the keyring cannot be reached (reason then says the item stays).
// A password change keeps the slot: it wraps the data key, which the change keeps.
bool keyringOn(const QString& diary, const vault::KeySet& keys, QString& reason);
bool keyringOff(const QString& diary, const vault::KeySet& keys, QString& reason);
// Whether the diary file has a keyring slot.
bool hasKeyringSlot(const QString& diary);

// The snapshots and drafts that go with a diary: backup/ and the drafts beside it.
QStringList snapshotsOf(const QString& diary);
QStringList draftsOf(const QString& diary);

} // namespace drv::encryption
