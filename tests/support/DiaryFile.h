#pragma once
// The diary file as another program sees it: tests put entries in and read them back
// through a connection of their own, not through the program's code.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

namespace drv::test {

struct StoredEntry {
    QString title, body;
    bool operator==(const StoredEntry&) const = default;
};

// Runs one statement on sUsrFld's diary, made from the template when it is missing.
void direct(const QString& sql, const QVariantList& values = {});
// Inserts an entry; a null title or body is stored as SQL NULL.
void put(const QString& key, const QVariant& title, const QVariant& body);
// Every entry, after checking the file page by page; a damaged file reads as a single
// entry under the key "!" holding the reason.
QMap<QString, StoredEntry> stored();
// The file's SHA-256, empty when it cannot be read: proves a file was left untouched.
QByteArray digest(const QString& path);

} // namespace drv::test
