#include "SyncedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace drv {

namespace {

void syncFolderOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool writeSynced(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    // A new file would otherwise take the umask's permissions, an old one keeps its own.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    // commit syncs the file before it renames it into place.
    if (!f.commit()) return false;
    syncFolderOf(path);
    return true;
}

bool removeSynced(const QString& path)
{
    if (!QFile::exists(path)) return true;
    if (!QFile::remove(path)) return false;
    syncFolderOf(path);
    return true;
}

} // namespace drv
