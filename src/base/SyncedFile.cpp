#include "SyncedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace drv {

namespace {

FileSteps* g_steps = nullptr;

// Told just before the step is made on the disk.
void tell(FileStep what, const QString& path, const QString& beside = {},
          const QByteArray& bytes = {})
{
    if (g_steps) g_steps->step(what, path, beside, bytes);
}

} // namespace

void setFileSteps(FileSteps* steps)
{
    g_steps = steps;
}

void syncFolder(const QString& folder)
{
    tell(FileStep::FolderSynced, folder);
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool syncFile(const QString& path)
{
    tell(FileStep::FileSynced, path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeSynced(const QString& path, const QByteArray& bytes)
{
    // QSaveFile writes into a file without a name, then syncs it and names it in commit, so
    // a kill leaves nothing behind.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    // A new file would otherwise take the umask's permissions, an old one keeps its own.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    tell(FileStep::Synced, path, {}, bytes);
    tell(FileStep::Renamed, path);
    if (!f.commit()) return false;
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool removeSynced(const QString& path)
{
    if (!QFile::exists(path)) return true;
    tell(FileStep::Removed, path);
    if (!QFile::remove(path)) return false;
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool renameSynced(const QString& from, const QString& to)
{
    // rename() never replaces here: a file of that name made meanwhile stays.
    if (QFileInfo::exists(to)) return false;
    tell(FileStep::Renamed, to, from);
    if (!QFile::rename(from, to)) return false;
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

bool replaceSynced(const QString& from, const QString& to)
{
    tell(FileStep::Renamed, to, from);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

} // namespace drv
