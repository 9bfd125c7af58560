#pragma once
// The recovery key: 160 random bits shown once, in groups a person can write down and
// type back (base32, upper case, eight groups of four).

#include <QByteArray>
#include <QString>

namespace drv::vault {

inline constexpr int kRecoveryBytes = 20;

// A new random recovery key as it is shown: "ABCD-EFGH-…".
QString newRecoveryKey();
// The key's bytes from what a person typed: case, blanks and hyphens do not matter, and
// 0, 1 and 8 are read as O, I and B. Empty when it cannot be a recovery key.
QByteArray recoveryBytes(const QString& typed);
// The written form of the bytes.
QString recoveryText(const QByteArray& bytes);

} // namespace drv::vault
