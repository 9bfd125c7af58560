#include "KeySet.h"

#include <QtEndian>

#include <sodium.h>

#include <functional>

namespace drv::vault {

namespace {

// A value's text as UTF-8 (\x01) or as UTF-16LE (\x02), whichever is shorter: Japanese
// text is a third shorter in UTF-16 and opens straight into a QString, with nothing to
// convert, so a listing of long bodies costs about what a plain diary's does.
constexpr char kValueMagic[] = "\xD7vx\x01";
constexpr char kValueMagic16[] = "\xD7vx\x02";
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

// Opens a sealed value or file into the buffer `sized` gives for the opened length
// (null: not to be opened).
bool openInto(const QByteArray& magic, const Secret& key, const QByteArray& ad,
              const QByteArray& sealed, const std::function<unsigned char*(qsizetype)>& sized)
{
    const qsizetype head = magic.size() + kNonce;
    if (sealed.size() < head + kTag || !sealed.startsWith(magic)) return false;
    unsigned char* out = sized(sealed.size() - head - kTag);
    if (!out) return false;
    unsigned long long got = 0;
    const unsigned char* nonce = bytes(sealed) + magic.size();
    return crypto_aead_xchacha20poly1305_ietf_decrypt(out, &got, nullptr, nonce + kNonce,
                                                      quint64(sealed.size() - head), bytes(ad),
                                                      quint64(ad.size()), nonce, key.data()) == 0;
}

bool open(const QByteArray& magic, const Secret& key, const QByteArray& ad,
          const QByteArray& sealed, QByteArray& plain)
{
    const bool ok = openInto(magic, key, ad, sealed, [&](qsizetype n) {
        plain.resize(n);
        return reinterpret_cast<unsigned char*>(plain.data());
    });
    if (!ok) plain.clear();
    return ok;
}

} // namespace

bool isSealed(const QByteArray& value)
{
    return value.size() >= 4 + kNonce + kTag && (value.startsWith(QByteArray(kValueMagic, 4)) ||
                                                 value.startsWith(QByteArray(kValueMagic16, 4)));
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
    const QByteArray utf8 = text.toUtf8();
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN && text.size() * 2 < utf8.size())
        return seal(
            QByteArray(kValueMagic16, 4), *rows_, associated(day, column),
            QByteArray::fromRawData(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    return seal(QByteArray(kValueMagic, 4), *rows_, associated(day, column), utf8);
}

bool KeySet::openValue(const QString& day, const QString& column, const QByteArray& sealed,
                       QString& text) const
{
    const QByteArray ad = associated(day, column);
    if (sealed.startsWith(QByteArray(kValueMagic16, 4))) {
        QString opened;
        const bool ok = openInto(QByteArray(kValueMagic16, 4), *rows_, ad, sealed,
                                 [&](qsizetype n) -> unsigned char* {
                                     if (n % 2) return nullptr;
                                     opened.resize(n / 2);
                                     return reinterpret_cast<unsigned char*>(opened.data());
                                 });
        if (!ok) return false;
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
            for (QChar& c : opened)
                c = QChar(qFromLittleEndian(c.unicode()));
        text = opened;
        return true;
    }
    QByteArray plain;
    if (!open(QByteArray(kValueMagic, 4), *rows_, ad, sealed, plain)) return false;
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
