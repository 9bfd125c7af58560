#pragma once
// Another program's diary read for an import: Almanah's diary.db, an SQLite file opened
// read-only on a connection of its own. Only what it holds is read here; what it means
// is the importer's.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace drv {

struct AlmanahEntry {
    int year = 0, month = 0, day = 0;
    QByteArray content;
    int version = 0; // the format of content: 1 GTK text buffer or plain, 2 markup
};

struct AlmanahTag {
    int year = 0, month = 0, day = 0;
    QString tag;
};

enum class AlmanahRead { Done, Stopped, NotOpened, NotAlmanah };

// The tags, the number of entries, then every entry in the file's order to visit (row
// counts from 1); visit returns false to stop. reason holds the engine's words when the
// file could not be opened or read as Almanah's.
AlmanahRead readAlmanahFile(const QString& path, QList<AlmanahTag>& tags, qint64& total,
                            const std::function<bool(const AlmanahEntry&, int row)>& visit,
                            QString& reason);

} // namespace drv
