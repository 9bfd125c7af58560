#pragma once
// The unlocked diary's keys: the random data key and the subkeys derived from it, one
// for each use, so that a row's key never seals a draft or the index.
//
// A sealed row value is a blob: "\xD7vx\x01", a fresh 24-byte nonce, then the UTF-8 text
// ("\xD7vx\x02": the UTF-16LE text, when that is shorter, as for Japanese) sealed with
// XChaCha20-Poly1305, the day's key and the column's name as associated data, so a value copied to
// another day or column fails to open. Anything else (text written by another tool) is a plain
// value and is read as it is.

#include "Secret.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace drv::vault {

// Whether a stored value is sealed.
bool isSealed(const QByteArray& value);
// Whether a file's bytes are sealed (sealFile).
bool isSealedFile(const QByteArray& bytes);

class KeySet final {
public:
    // Subkeys by their use.
    enum class Use : quint64 { Rows = 1, Drafts = 2, IndexFile = 3, IndexDigest = 4 };

    // A new random data key; null when libsodium cannot run.
    static std::unique_ptr<KeySet> generate();
    // The keys of an unwrapped data key (KeySlot.h).
    static std::unique_ptr<KeySet> fromDataKey(const Secret& dataKey);
    Q_DISABLE_COPY_MOVE(KeySet)
    ~KeySet();

    const Secret& dataKey() const { return *dataKey_; }

    QByteArray sealValue(const QString& day, const QString& column, const QString& text) const;
    // False when the value is damaged, altered or belongs to another day or column.
    bool openValue(const QString& day, const QString& column, const QByteArray& sealed,
                   QString& text) const;

    // Whole files (drafts, the search index): "DRVF\x01", nonce, sealed bytes; `use` is
    // bound to them, so a draft cannot be passed off as an index.
    QByteArray sealFile(Use use, const QByteArray& plain) const;
    bool openFile(Use use, const QByteArray& sealed, QByteArray& plain) const;

    // A 20-byte digest keyed by the index's subkey: it tells whether a body changed and
    // nothing about what the body says.
    QByteArray digest(const char* data, int size) const;

private:
    KeySet();
    const Secret& subkey(Use use) const;

    std::unique_ptr<Secret> dataKey_;
    std::unique_ptr<Secret> rows_, drafts_, indexFile_, indexDigest_;
};

} // namespace drv::vault
