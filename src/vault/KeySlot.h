#pragma once
// A key slot: the data key wrapped by one secret a person holds. A password slot keeps
// the cost of its Argon2id derivation with it, so a slot made on a faster machine still
// opens; a recovery slot is wrapped by the 160 random bits of the recovery key, a keyring
// slot by 256 random bits kept in the desktop's keyring (both need no slow derivation).
//
// Layout: "DRVS", version 1, kind, ops (4 bytes), memory (8 bytes), salt (16), nonce
// (24), the wrapped key (32 + 16 tag). The header is authenticated with the key.

#include "Secret.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace drv::vault {

enum class SlotKind : quint8 { Password = 1, Recovery = 2, Keyring = 3 };

// The cost of deriving a key from a password. The default takes about half a second on
// a two-core machine of 2026 (t=3, 256 MiB: 440 ms measured).
struct PasswordCost {
    quint64 ops = 3;
    quint64 memory = quint64(256) << 20;
};
PasswordCost passwordCost();
// Tests and benchmarks use a cheaper cost; slots keep theirs.
void setPasswordCost(const PasswordCost& cost);

// The wrapped key; empty when the key cannot be wrapped (out of memory).
QByteArray wrapWithPassword(const Secret& key, const QString& password);
QByteArray wrapWithRecovery(const Secret& key, const QString& recoveryKey);
// The key of a slot, or null when the secret is wrong or the slot damaged.
std::unique_ptr<Secret> unwrap(const QByteArray& slot, const QString& secret);

// The secret a keyring slot is wrapped by: random, kept in the desktop's keyring only.
inline constexpr int kKeyringSecretBytes = 32;
std::unique_ptr<Secret> newKeyringSecret();
QByteArray wrapWithKeyring(const Secret& key, const Secret& keyringSecret);
std::unique_ptr<Secret> unwrapWithKeyring(const QByteArray& slot, const Secret& keyringSecret);
// A name for a slot that changes with each slot made (its salt, in hex), so the keyring's
// item of a slot made earlier is never taken for a later one's.
QString slotId(const QByteArray& slot);
// What a slot says it is; nullopt-like 0 for what is no slot.
quint8 slotKind(const QByteArray& slot);

} // namespace drv::vault
