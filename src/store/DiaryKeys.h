#pragma once
// The keys of the open diary when it is encrypted. The data key is kept in the diary
// itself, wrapped in key slots (table tbVault): one by the password, one by the recovery
// key, and, when the person turns it on, one by a random secret in the desktop's keyring.
// Titles and bodies are stored sealed (vault/KeySet.h); skYmn stays plain, so the
// calendar's queries need no key and any SQLite tool still reads and writes tbDoc. A
// value that another tool wrote as plain text is read as it is and sealed at its next
// save.

#include "Store.h"

#include "KeySet.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <memory>

struct sqlite3;

namespace drv {

// Slot names in tbVault.
inline const QString kPasswordSlot = QStringLiteral("password");
inline const QString kRecoverySlot = QStringLiteral("recovery");
inline const QString kKeyringSlot = QStringLiteral("keyring");

// The keyring item's account for a keyring slot: new with each slot, so an item left from
// an earlier slot (of this diary or another) is never read for it.
QString keyringAccount(const QByteArray& slot);

// The keys of the open diary; null when it is plain (or none is open).
const vault::KeySet* diaryKeys();
bool DbIsEncrypted();
// The same for another thread, which keeps them as long as it holds them.
std::shared_ptr<const vault::KeySet> heldDiaryKeys();

// The value to store for a column of a day: sealed when the diary is encrypted.
StoreValue storedValue(const QString& key, const QString& column, const QString& text);
// The text of a stored value: a sealed one opened, a plain one as it is. False when a
// sealed value does not open (damaged, altered, moved from another day, or no key).
bool textOfStored(const QString& key, const QString& column, const QVariant& stored, QString& text);
// The text of every szTtl and szDoc cell of a table as read, by the columns' names (the
// day is the skYmn column's); the days whose values do not open are given back (their
// cells read empty).
QStringList openTable(ColumnTable& table, int count, const QStringList& names);
// Says which days cannot be read, naming each.
void showUnreadableDays(const QStringList& keys);

// drv_doc(skYmn, szDoc): the body as text, opened when sealed; null when it does not open.
// Registered on the store's connection, and on any other connection that reads bodies.
bool registerDiaryText(sqlite3* connection);

// The key slots of a diary file's connection, by name; empty for a plain diary.
QMap<QString, QByteArray> readKeySlots(sqlite3* connection);

// The keys from the desktop's keyring when the diary has a keyring slot and the keyring
// gives the secret that opens it; null in every other case (no slot, no keyring service,
// no item, a locked keyring, a wrong secret), so that the password is asked. Writes
// nothing, in the diary or the keyring.
std::unique_ptr<vault::KeySet> unlockFromKeyring(const QMap<QString, QByteArray>& slots);

// Asks for the password of an encrypted diary until it opens it, through the dialog
// service: a wrong one says so and asks again, and after three misses the recovery key is
// offered. Null when the user cancels. Writes nothing.
std::unique_ptr<vault::KeySet> askToUnlock(const QMap<QString, QByteArray>& slots);

// Whether a password opens the open diary's password slot (asked again before the diary
// is switched off or exported); writes nothing.
bool isDiaryPassword(const QString& password);

// Whether the open diary has a keyring slot (it opens from the desktop's keyring).
bool DbHasKeyringSlot();

// DbOpen of a diary whose keys are known (it was just switched on): no password is asked.
bool DbOpenUnlocked(std::unique_ptr<vault::KeySet> keys);

// Whether the last DbOpen ended because the user cancelled the password.
bool DbOpenCancelled();

namespace detail {
// Used by the switching on and off and by tests: the keys in force for the open diary.
void setDiaryKeys(std::unique_ptr<vault::KeySet> keys);
void setOpenCancelled(bool cancelled);
} // namespace detail

} // namespace drv
