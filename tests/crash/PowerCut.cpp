#include "PowerCut.h"

#include "SyncedFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QRandomGenerator>
#include <QSet>

#include <sqlite3.h>

#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace drv::test::power {

namespace {

constexpr qsizetype kSector = 512;

// What was written to a file since its last sync: bytes at an offset, or a new size.
struct Write {
    qint64 offset = 0;
    QByteArray bytes;
    bool truncate = false;
};

struct Inode {
    QByteArray synced; // on disk for sure
    QList<Write> later;
};

// A change of a folder's names since the folder was last synced.
struct NameChange {
    QString folder, name;
    int inode = -1; // -1: the name went
};

struct Disk {
    std::recursive_mutex m;
    QString root;
    quint64 steps = 0, cutAt = 0;
    QRandomGenerator random;
    std::map<int, Inode> inodes;
    int nextInode = 1;
    QHash<QString, int> names;   // as the program sees them
    QHash<QString, int> durable; // as the disk holds them
    QList<NameChange> unsynced;
    QHash<QString, int> written; // writeSynced's new file, by the name it is to take
    // DRVESK_POWERCUT_BROKEN, to prove the checks: "everything" keeps every write and name
    // as a kill would, "nothing" lets no sync keep anything.
    bool keepAll = false, syncNothing = false;
};

Disk* g = nullptr;
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

bool followed(const QString& path)
{
    return path.startsWith(g->root);
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file already on the disk when it is first met.
int adopt(const QString& path)
{
    const int id = g->nextInode++;
    g->inodes[id].synced = contentOf(path);
    g->names.insert(path, id);
    g->durable.insert(path, id);
    return id;
}

void rename(const QString& path, int inode)
{
    if (inode < 0)
        g->names.remove(path);
    else
        g->names.insert(path, inode);
    g->unsynced << NameChange{folderOf(path), path, inode};
}

void apply(QByteArray& image, const Write& w, qint64 upTo)
{
    if (w.truncate) {
        image.resize(w.offset);
        return;
    }
    const qint64 n = std::min<qint64>(upTo, w.bytes.size());
    if (image.size() < w.offset + n) image.resize(w.offset + n, '\0');
    std::copy_n(w.bytes.constData(), n, image.data() + w.offset);
}

// A sync: every later write is on disk.
void settle(Inode& node)
{
    for (const Write& w : std::as_const(node.later))
        apply(node.synced, w, w.bytes.size());
    node.later.clear();
}

QByteArray afterCut(const Inode& node)
{
    QByteArray image = node.synced;
    for (const Write& w : node.later) {
        switch (g->keepAll ? 1 : g->random.bounded(3)) {
        case 0: // never reached the disk
            break;
        case 1:
            apply(image, w, w.bytes.size());
            break;
        default: // torn after a whole number of sectors
            apply(image, w,
                  w.truncate
                      ? 0
                      : qint64(g->random.bounded(int(w.bytes.size() / kSector + 1))) * kSector);
        }
    }
    return image;
}

void syncFolderNow(const QString& folder)
{
    if (g->syncNothing) return;
    QList<NameChange> rest;
    for (const NameChange& c : std::as_const(g->unsynced)) {
        if (c.folder != folder) {
            rest << c;
        } else if (c.inode < 0) {
            g->durable.remove(c.name);
        } else {
            g->durable.insert(c.name, c.inode);
        }
    }
    g->unsynced = rest;
}

[[noreturn]] void cut()
{
    // Each folder keeps the first of its unsynced changes, as a journalled file system
    // writes them in order.
    QHash<QString, int> keep;
    QHash<QString, int> seen;
    for (const NameChange& c : std::as_const(g->unsynced))
        ++seen[c.folder];
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        keep.insert(it.key(), g->keepAll ? it.value() : int(g->random.bounded(it.value() + 1)));
    QHash<QString, int> onDisk = g->durable;
    for (const NameChange& c : std::as_const(g->unsynced)) {
        if (keep[c.folder]-- <= 0) continue;
        if (c.inode < 0)
            onDisk.remove(c.name);
        else
            onDisk.insert(c.name, c.inode);
    }
    QSet<QString> paths(g->names.keyBegin(), g->names.keyEnd());
    for (auto it = onDisk.cbegin(); it != onDisk.cend(); ++it)
        paths.insert(it.key());
    QHash<int, QByteArray> images;
    for (const QString& p : std::as_const(paths)) {
        const QByteArray name = QFile::encodeName(p);
        const auto it = onDisk.constFind(p);
        if (it == onDisk.cend()) {
            ::unlink(name.constData());
            continue;
        }
        if (!images.contains(*it)) images.insert(*it, afterCut(g->inodes[*it]));
        const QByteArray& bytes = images[*it];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0) break;
            done += n;
        }
        ::close(fd);
    }
    ::_exit(kCutExit);
}

// Every change of the disk is a step; the power goes just before the chosen one.
void step()
{
    if (++g->steps == g->cutAt) cut();
}

// --- the engine's files ---------------------------------------------------------------

struct File {
    sqlite3_file base;
    int inode;     // -1: not followed
    bool syncName; // a new journal: its first sync syncs its folder too
    QString* path;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};
static_assert(sizeof(File) % 8 == 0);

File* fileOf(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f);
}

int xClose(sqlite3_file* f)
{
    File* s = fileOf(f);
    const int rc = s->real()->pMethods->xClose(s->real());
    delete s->path;
    s->path = nullptr;
    return rc;
}

int xRead(sqlite3_file* f, void* out, int n, sqlite3_int64 at)
{
    return fileOf(f)->real()->pMethods->xRead(fileOf(f)->real(), out, n, at);
}

int xWrite(sqlite3_file* f, const void* in, int n, sqlite3_int64 at)
{
    File* s = fileOf(f);
    if (s->inode >= 0) {
        const std::lock_guard lock(g->m);
        step();
        g->inodes[s->inode].later << Write{at, QByteArray(static_cast<const char*>(in), n), false};
    }
    return s->real()->pMethods->xWrite(s->real(), in, n, at);
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    File* s = fileOf(f);
    if (s->inode >= 0) {
        const std::lock_guard lock(g->m);
        step();
        g->inodes[s->inode].later << Write{size, {}, true};
    }
    return s->real()->pMethods->xTruncate(s->real(), size);
}

int xSync(sqlite3_file* f, int flags)
{
    File* s = fileOf(f);
    if (s->inode < 0) return s->real()->pMethods->xSync(s->real(), flags);
    const std::lock_guard lock(g->m);
    step();
    // The model decides what a sync keeps, and the machine's own cache outlives the helper:
    // a real sync would only slow the rounds.
    (void)flags;
    const int rc = SQLITE_OK;
    if (!g->syncNothing) {
        settle(g->inodes[s->inode]);
        if (s->syncName) {
            s->syncName = false;
            syncFolderNow(folderOf(*s->path));
        }
    }
    return rc;
}

int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return fileOf(f)->real()->pMethods->xFileSize(fileOf(f)->real(), size);
}
int xLock(sqlite3_file* f, int level)
{
    return fileOf(f)->real()->pMethods->xLock(fileOf(f)->real(), level);
}
int xUnlock(sqlite3_file* f, int level)
{
    return fileOf(f)->real()->pMethods->xUnlock(fileOf(f)->real(), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return fileOf(f)->real()->pMethods->xCheckReservedLock(fileOf(f)->real(), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return fileOf(f)->real()->pMethods->xFileControl(fileOf(f)->real(), op, arg);
}
int xSectorSize(sqlite3_file* f)
{
    return fileOf(f)->real()->pMethods->xSectorSize(fileOf(f)->real());
}
int xDeviceCharacteristics(sqlite3_file* f)
{
    return fileOf(f)->real()->pMethods->xDeviceCharacteristics(fileOf(f)->real());
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out)
{
    return fileOf(f)->real()->pMethods->xShmMap(fileOf(f)->real(), region, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return fileOf(f)->real()->pMethods->xShmLock(fileOf(f)->real(), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f)
{
    fileOf(f)->real()->pMethods->xShmBarrier(fileOf(f)->real());
}
int xShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return fileOf(f)->real()->pMethods->xShmUnmap(fileOf(f)->real(), deleteFlag);
}
// Pages read through a memory map would pass the model by; the engine reads them instead.
int xFetch(sqlite3_file*, sqlite3_int64, int, void** out)
{
    *out = nullptr;
    return SQLITE_OK;
}
int xUnfetch(sqlite3_file*, sqlite3_int64, void*)
{
    return SQLITE_OK;
}

const sqlite3_io_methods g_io = {3,
                                 xClose,
                                 xRead,
                                 xWrite,
                                 xTruncate,
                                 xSync,
                                 xFileSize,
                                 xLock,
                                 xUnlock,
                                 xCheckReservedLock,
                                 xFileControl,
                                 xSectorSize,
                                 xDeviceCharacteristics,
                                 xShmMap,
                                 xShmLock,
                                 xShmBarrier,
                                 xShmUnmap,
                                 xFetch,
                                 xUnfetch};

int vOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    File* s = fileOf(f);
    s->base.pMethods = nullptr;
    s->inode = -1;
    s->syncName = false;
    s->path = nullptr;
    const int rc = g_real->xOpen(g_real, name, s->real(), flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    s->base.pMethods = &g_io;
    const QString path = name ? QString::fromUtf8(name) : QString();
    if (path.isEmpty() || !followed(path)) return rc;
    const std::lock_guard lock(g->m);
    s->path = new QString(path);
    const auto it = g->names.constFind(path);
    if (it != g->names.cend()) {
        s->inode = *it;
    } else if (QFileInfo(path).size() > 0 && !g->durable.contains(path)) {
        s->inode = adopt(path);
    } else {
        // Made just now: its name is on disk once its folder is synced.
        s->inode = g->nextInode++;
        g->inodes[s->inode];
        rename(path, s->inode);
        s->syncName =
            flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL);
    }
    return rc;
}

int vDelete(sqlite3_vfs*, const char* name, int syncFolder)
{
    const QString path = QString::fromUtf8(name);
    if (!followed(path)) return g_real->xDelete(g_real, name, syncFolder);
    const std::lock_guard lock(g->m);
    step();
    rename(path, -1);
    const int rc = g_real->xDelete(g_real, name, 0);
    if (rc == SQLITE_OK && syncFolder) {
        step();
        syncFolderNow(folderOf(path));
    }
    return rc;
}

int vAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    return g_real->xAccess(g_real, name, flags, out);
}
int vFullPathname(sqlite3_vfs*, const char* name, int n, char* out)
{
    return g_real->xFullPathname(g_real, name, n, out);
}
void* vDlOpen(sqlite3_vfs*, const char* name)
{
    return g_real->xDlOpen(g_real, name);
}
void vDlError(sqlite3_vfs*, int n, char* out)
{
    g_real->xDlError(g_real, n, out);
}
void (*vDlSym(sqlite3_vfs*, void* h, const char* name))(void)
{
    return g_real->xDlSym(g_real, h, name);
}
void vDlClose(sqlite3_vfs*, void* h)
{
    g_real->xDlClose(g_real, h);
}
int vRandomness(sqlite3_vfs*, int n, char* out)
{
    return g_real->xRandomness(g_real, n, out);
}
int vSleep(sqlite3_vfs*, int us)
{
    return g_real->xSleep(g_real, us);
}
int vCurrentTime(sqlite3_vfs*, double* out)
{
    return g_real->xCurrentTime(g_real, out);
}
int vGetLastError(sqlite3_vfs*, int n, char* out)
{
    return g_real->xGetLastError(g_real, n, out);
}
int vCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    return g_real->xCurrentTimeInt64(g_real, out);
}

// --- the program's own files -----------------------------------------------------------

class OwnSteps final : public FileSteps {
public:
    void step(FileStep what, const QString& path, const QString& beside,
              const QByteArray& bytes) override
    {
        if (!followed(path)) return;
        const std::lock_guard lock(g->m);
        power::step();
        switch (what) {
        case FileStep::Synced: {
            const int id = g->nextInode++;
            if (g->syncNothing)
                g->inodes[id].later << Write{0, bytes, false};
            else
                g->inodes[id].synced = bytes;
            g->written.insert(path, id);
            break;
        }
        case FileStep::Renamed:
            if (beside.isEmpty()) {
                rename(path, g->written.take(path));
            } else {
                int id = g->names.value(beside, -1);
                if (id < 0) id = adopt(beside);
                rename(beside, -1);
                rename(path, id);
            }
            break;
        case FileStep::FileSynced: {
            const auto it = g->names.constFind(path);
            if (it != g->names.cend() && !g->syncNothing) settle(g->inodes[*it]);
            break;
        }
        case FileStep::Removed:
            rename(path, -1);
            break;
        case FileStep::FolderSynced:
            syncFolderNow(QFileInfo(path).absoluteFilePath());
            break;
        }
    }
};

OwnSteps g_own;

} // namespace

void install(const QString& root, quint64 cutAt, quint32 seed)
{
    g = new Disk;
    g->root = QDir(root).absolutePath() + u'/';
    g->cutAt = cutAt;
    g->random.seed(seed);
    const QByteArray broken = qgetenv("DRVESK_POWERCUT_BROKEN");
    g->keepAll = broken == "everything";
    g->syncNothing = broken == "nothing";
    QDirIterator files(g->root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        adopt(files.next());
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.zName = "powercut";
    g_vfs.pAppData = nullptr;
    g_vfs.xOpen = vOpen;
    g_vfs.xDelete = vDelete;
    g_vfs.xAccess = vAccess;
    g_vfs.xFullPathname = vFullPathname;
    g_vfs.xDlOpen = vDlOpen;
    g_vfs.xDlError = vDlError;
    g_vfs.xDlSym = vDlSym;
    g_vfs.xDlClose = vDlClose;
    g_vfs.xRandomness = vRandomness;
    g_vfs.xSleep = vSleep;
    g_vfs.xCurrentTime = vCurrentTime;
    g_vfs.xGetLastError = vGetLastError;
    g_vfs.xCurrentTimeInt64 = vCurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
    setFileSteps(&g_own);
}

quint64 steps()
{
    if (!g) return 0;
    const std::lock_guard lock(g->m);
    return g->steps;
}

} // namespace drv::test::power
