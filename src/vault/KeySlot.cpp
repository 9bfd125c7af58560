#include "KeySlot.h"

#include "RecoveryKey.h"

#include <QtEndian>

#include <sodium.h>

namespace drv::vault {

namespace {

constexpr char kMagic[] = "DRVS";
constexpr int kHeader = 4 + 1 + 1 + 4 + 8 + crypto_pwhash_SALTBYTES;
constexpr int kNonceAt = kHeader;
constexpr int kWrappedAt = kNonceAt + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int kKeyBytes = 32;
constexpr int kSlotBytes = kWrappedAt + kKeyBytes + crypto_aead_xchacha20poly1305_ietf_ABYTES;

PasswordCost g_cost;
constexpr quint64 kMostOps = 32;
constexpr quint64 kMostMemory = quint64(2) << 30;

// The same password typed through different input methods may arrive composed or not.
QByteArray passwordBytes(const QString& password)
{
    return password.normalized(QString::NormalizationForm_C).toUtf8();
}

// The key that wraps the data key, derived from the slot's own header and the secret: a
// password or a recovery key as typed, or the keyring's random bytes.
bool wrappingKey(const QByteArray& header, const QString& secret, const Secret* random, Secret& out)
{
    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    const auto kind = SlotKind(h[5]);
    const unsigned char* salt = h + 18;
    if (kind == SlotKind::Password) {
        const quint64 ops = qFromLittleEndian<quint32>(h + 6);
        const quint64 mem = qFromLittleEndian<quint64>(h + 10);
        // A damaged cost must not hold the program for minutes or take all memory.
        if (ops < crypto_pwhash_OPSLIMIT_MIN || ops > kMostOps ||
            mem < crypto_pwhash_MEMLIMIT_MIN || mem > kMostMemory)
            return false;
        QByteArray pw = passwordBytes(secret);
        const int rc = crypto_pwhash(out.data(), out.size(), pw.constData(), quint64(pw.size()),
                                     salt, ops, size_t(mem), crypto_pwhash_ALG_ARGON2ID13);
        sodium_memzero(pw.data(), size_t(pw.size()));
        return rc == 0;
    }
    if (kind == SlotKind::Keyring) {
        if (!random || !random->valid() || random->size() != kKeyringSecretBytes) return false;
        crypto_generichash(out.data(), out.size(), salt, crypto_pwhash_SALTBYTES, random->data(),
                           random->size());
        return true;
    }
    if (kind == SlotKind::Recovery) {
        QByteArray bytes = recoveryBytes(secret);
        if (bytes.isEmpty()) return false;
        crypto_generichash(out.data(), out.size(), salt, crypto_pwhash_SALTBYTES,
                           reinterpret_cast<const unsigned char*>(bytes.constData()),
                           size_t(bytes.size()));
        sodium_memzero(bytes.data(), size_t(bytes.size()));
        return true;
    }
    return false;
}

QByteArray wrap(const Secret& key, SlotKind kind, const QString& secret, const Secret* random)
{
    if (!ready() || key.size() != kKeyBytes) return {};
    QByteArray slot(kSlotBytes, '\0');
    auto* s = reinterpret_cast<unsigned char*>(slot.data());
    memcpy(s, kMagic, 4);
    s[4] = 1;
    s[5] = quint8(kind);
    const PasswordCost cost = kind == SlotKind::Password ? g_cost : PasswordCost{0, 0};
    qToLittleEndian<quint32>(quint32(cost.ops), s + 6);
    qToLittleEndian<quint64>(cost.memory, s + 10);
    randombytes_buf(s + 18, crypto_pwhash_SALTBYTES);
    randombytes_buf(s + kNonceAt, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    Secret wrapping(kKeyBytes);
    if (!wrapping.valid() || !wrappingKey(slot.left(kHeader), secret, random, wrapping)) return {};
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(s + kWrappedAt, &written, key.data(), key.size(), s,
                                               kHeader, nullptr, s + kNonceAt, wrapping.data());
    return slot;
}

std::unique_ptr<Secret> unwrapBy(const QByteArray& slot, const QString& secret,
                                 const Secret* random)
{
    if (!ready() || slotKind(slot) == 0) return {};
    Secret wrapping(kKeyBytes);
    if (!wrapping.valid() || !wrappingKey(slot.left(kHeader), secret, random, wrapping)) return {};
    auto key = std::make_unique<Secret>(kKeyBytes);
    const auto* s = reinterpret_cast<const unsigned char*>(slot.constData());
    unsigned long long got = 0;
    if (!key->valid() ||
        crypto_aead_xchacha20poly1305_ietf_decrypt(
            key->data(), &got, nullptr, s + kWrappedAt,
            kKeyBytes + crypto_aead_xchacha20poly1305_ietf_ABYTES, s, kHeader, s + kNonceAt,
            wrapping.data()) != 0 ||
        got != kKeyBytes)
        return {};
    return key;
}

} // namespace

PasswordCost passwordCost()
{
    return g_cost;
}

void setPasswordCost(const PasswordCost& cost)
{
    g_cost = cost;
}

QByteArray wrapWithPassword(const Secret& key, const QString& password)
{
    return wrap(key, SlotKind::Password, password, nullptr);
}

QByteArray wrapWithRecovery(const Secret& key, const QString& recoveryKey)
{
    return wrap(key, SlotKind::Recovery, recoveryKey, nullptr);
}

quint8 slotKind(const QByteArray& slot)
{
    if (slot.size() != kSlotBytes || !slot.startsWith(kMagic) || slot.at(4) != 1) return 0;
    return quint8(slot.at(5));
}

std::unique_ptr<Secret> unwrap(const QByteArray& slot, const QString& secret)
{
    return unwrapBy(slot, secret, nullptr);
}

std::unique_ptr<Secret> newKeyringSecret()
{
    auto secret = std::make_unique<Secret>(kKeyringSecretBytes);
    if (!secret->valid()) return {};
    randombytes_buf(secret->data(), secret->size());
    return secret;
}

QByteArray wrapWithKeyring(const Secret& key, const Secret& keyringSecret)
{
    return wrap(key, SlotKind::Keyring, {}, &keyringSecret);
}

std::unique_ptr<Secret> unwrapWithKeyring(const QByteArray& slot, const Secret& keyringSecret)
{
    if (slotKind(slot) != quint8(SlotKind::Keyring)) return {};
    return unwrapBy(slot, {}, &keyringSecret);
}

QString slotId(const QByteArray& slot)
{
    if (slotKind(slot) == 0) return {};
    return QString::fromLatin1(slot.mid(18, crypto_pwhash_SALTBYTES).toHex());
}

} // namespace drv::vault
