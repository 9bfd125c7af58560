#pragma once
// The diary file as another program sees it: tests put entries in and read them back
// through a connection of their own, not through the program's code.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
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
// Runs one statement on a file through a connection of the test's own (waiting busyMs for
// another writer's lock); first gets the first row's first value. False when it fails.
bool onFile(const QString& path, const QString& sql, const QVariantList& values = {},
            QVariant* first = nullptr, int busyMs = 0);
// The first column of every row a statement reads from a file, as text.
QStringList firstColumn(const QString& path, const QString& sql);
// The file's SHA-256, empty when it cannot be read: proves a file was left untouched.
QByteArray digest(const QString& path);
// Every file below a folder that holds the bytes: proves a text was never written in plain.
QStringList filesHolding(const QString& folder, const QByteArray& bytes);

} // namespace drv::test
