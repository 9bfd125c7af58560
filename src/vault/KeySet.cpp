#include "KeySet.h"

#include <sodium.h>

namespace drv::vault {

namespace {

constexpr char kValueMagic[] = "\xD7vx\x01";
constexpr char kFileMagic[] = "DRVF\x01";
constexpr int kKeyBytes = 32;
constexpr int kNonce = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int kTag = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr char kContext[crypto_kdf_CONTEXTBYTES + 1] = "drvesk01";

const unsigned char* bytes(const QByteArray& a)
{
    return reinterpret_cast<const unsigned char*>(a.constData());
}

QByteArray associated(const QString& day, const QString& column)
{
    return day.toUtf8() + '\0' + column.toUtf8();
}

QByteArray seal(const QByteArray& magic, const Secret& key, const QByteArray& ad,
                const QByteArray& plain)
{
    QByteArray out(magic.size() + kNonce + plain.size() + kTag, Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    memcpy(o, magic.constData(), size_t(magic.size()));
    unsigned char* nonce = o + magic.size();
    randombytes_buf(nonce, kNonce);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + kNonce, &written, bytes(plain),
                                               quint64(plain.size()), bytes(ad), quint64(ad.size()),
                                               nullptr, nonce, key.data());
    return out;
}

bool open(const QByteArray& magic, const Secret& key, const QByteArray& ad,
          const QByteArray& sealed, QByteArray& plain)
{
    const qsizetype head = magic.size() + kNonce;
    if (sealed.size() < head + kTag || !sealed.startsWith(magic)) return false;
    plain.resize(sealed.size() - head - kTag);
    unsigned long long got = 0;
    const unsigned char* nonce = bytes(sealed) + magic.size();
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char*>(plain.data()), &got, nullptr, nonce + kNonce,
            quint64(sealed.size() - head), bytes(ad), quint64(ad.size()), nonce, key.data()) != 0) {
        plain.clear();
        return false;
    }
    return true;
}

} // namespace

bool isSealed(const QByteArray& value)
{
    return value.size() >= 4 + kNonce + kTag && value.startsWith(QByteArray(kValueMagic, 4));
}

bool isSealedFile(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArray(kFileMagic, 5));
}

KeySet::KeySet() = default;
KeySet::~KeySet() = default;

std::unique_ptr<KeySet> KeySet::generate()
{
    if (!ready()) return {};
    Secret key(kKeyBytes);
    if (!key.valid()) return {};
    crypto_kdf_keygen(key.data());
    return fromDataKey(key);
}

std::unique_ptr<KeySet> KeySet::fromDataKey(const Secret& dataKey)
{
    if (!ready() || !dataKey.valid() || dataKey.size() != kKeyBytes) return {};
    std::unique_ptr<KeySet> set(new KeySet);
    set->dataKey_ = std::make_unique<Secret>(kKeyBytes);
    memcpy(set->dataKey_->data(), dataKey.data(), kKeyBytes);
    for (auto [use, slot] :
         {std::pair{Use::Rows, &set->rows_}, std::pair{Use::Drafts, &set->drafts_},
          std::pair{Use::IndexFile, &set->indexFile_},
          std::pair{Use::IndexDigest, &set->indexDigest_}}) {
        *slot = std::make_unique<Secret>(kKeyBytes);
        if (!(*slot)->valid() ||
            crypto_kdf_derive_from_key((*slot)->data(), kKeyBytes, quint64(use), kContext,
                                       dataKey.data()) != 0)
            return {};
    }
    return set;
}

const Secret& KeySet::subkey(Use use) const
{
    switch (use) {
    case Use::Rows:
        return *rows_;
    case Use::Drafts:
        return *drafts_;
    case Use::IndexFile:
        return *indexFile_;
    case Use::IndexDigest:
        break;
    }
    return *indexDigest_;
}

QByteArray KeySet::sealValue(const QString& day, const QString& column, const QString& text) const
{
    return seal(QByteArray(kValueMagic, 4), *rows_, associated(day, column), text.toUtf8());
}

bool KeySet::openValue(const QString& day, const QString& column, const QByteArray& sealed,
                       QString& text) const
{
    QByteArray plain;
    if (!open(QByteArray(kValueMagic, 4), *rows_, associated(day, column), sealed, plain))
        return false;
    text = QString::fromUtf8(plain);
    return true;
}

QByteArray KeySet::sealFile(Use use, const QByteArray& plain) const
{
    return seal(QByteArray(kFileMagic, 5), subkey(use), QByteArray::number(quint64(use)), plain);
}

bool KeySet::openFile(Use use, const QByteArray& sealed, QByteArray& plain) const
{
    return open(QByteArray(kFileMagic, 5), subkey(use), QByteArray::number(quint64(use)), sealed,
                plain);
}

QByteArray KeySet::digest(const char* data, int size) const
{
    QByteArray out(20, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), 20,
                       reinterpret_cast<const unsigned char*>(data), size > 0 ? quint64(size) : 0,
                       indexDigest_->data(), kKeyBytes);
    return out;
}

} // namespace drv::vault
