#pragma once
// Whole files that outlive a power cut: written beside their place and renamed over it
// once they are on disk, then the folder synced so that the rename is on disk too.
// Readable by their owner only.

#include <QByteArray>
#include <QString>

namespace drv {

bool writeSynced(const QString& path, const QByteArray& bytes);
// True when the file is gone (or was never there).
bool removeSynced(const QString& path);

} // namespace drv
