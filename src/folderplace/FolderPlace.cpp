#include "FolderPlace.h"

#include <QDir>
#include <QFileInfo>

#include <sys/vfs.h>

namespace drv::place {

namespace {

// What Syncthing, Dropbox, Nextcloud and ownCloud leave in the folders they keep.
const char* const kMarkers[] = {".stfolder",      ".stignore",          ".dropbox",
                                ".dropbox.cache", ".nextcloudsync.log", ".owncloudsync.log"};
// Nextcloud's and ownCloud's journal: ".sync_<hex>.db", older clients "._sync_<hex>.db".
const char* const kJournals[] = {".sync_*.db", "._sync_*.db"};

struct Remote {
    qint64 type;
    const char* name;
};
// The kernel's numbers (linux/magic.h and the file systems' own headers).
constexpr Remote kRemote[] = {
    {0x6969, "NFS"},        {0x517B, "SMB"},       {0xFF534D42, "CIFS"}, {0xFE534D42, "SMB2"},
    {0x65735546, "FUSE"},   {0x01021997, "9p"},    {0x73757245, "Coda"}, {0x5346414F, "AFS"},
    {0x6B414653, "AFS"},    {0x00C36400, "Ceph"},  {0x564C, "NCP"},      {0x47504653, "GPFS"},
    {0x0BD00BD0, "Lustre"}, {0x7461636F, "OCFS2"}, {0x01161970, "GFS2"}, {0x19830326, "BeeGFS"},
    {0x013111A8, "IBRIX"},  {0x61636673, "ACFS"},
};

} // namespace

std::optional<qint64> fsTypeOf(const QString& path)
{
    struct statfs st {};
    if (::statfs(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    // f_type is signed on some architectures; the numbers are 32-bit.
    return qint64(quint32(st.f_type));
}

QString remoteFsName(qint64 type)
{
    for (const Remote& r : kRemote)
        if (r.type == type) return QString::fromLatin1(r.name);
    return {};
}

QString syncMarkerIn(const QString& folder)
{
    const QDir dir(folder);
    for (const char* marker : kMarkers)
        if (QFileInfo::exists(dir.filePath(QString::fromLatin1(marker))))
            return QString::fromLatin1(marker);
    QStringList journals;
    for (const char* pattern : kJournals)
        journals << QString::fromLatin1(pattern);
    const QStringList found =
        dir.entryList(journals, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return found.value(0);
}

FolderPlace judgeFolder(const QString& folder, const FsTypeOf& fsType)
{
    const QString start = QFileInfo(folder).absoluteFilePath();
    // Symbolic links are followed: the folder the files really land in counts.
    const QString canonical = QFileInfo(start).canonicalFilePath();
    for (const QString& base : {start, canonical}) {
        if (base.isEmpty()) continue;
        QDir dir(base);
        for (;;) {
            const QString marker = syncMarkerIn(dir.path());
            if (!marker.isEmpty()) return {FolderPlace::SyncedFolder, dir.path(), marker};
            if (dir.isRoot() || !dir.cdUp()) break;
        }
        if (base == canonical) break;
    }
    if (const std::optional<qint64> type = fsType(canonical.isEmpty() ? start : canonical)) {
        const QString name = remoteFsName(*type);
        if (!name.isEmpty()) return {FolderPlace::RemoteFileSystem, start, name};
    }
    return {FolderPlace::Local, start, {}};
}

} // namespace drv::place
