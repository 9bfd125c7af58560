#include "IndexFile.h"

#include "DiaryKeys.h"
#include "KeySet.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QStandardPaths>
#include <QUrl>

#include <sqlite3.h>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drv::index {

namespace {

// Changes whenever what the index holds for a body changes meaning.
constexpr int kFormat = 3;

void sqlDigest(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QByteArray d = digestOf(text, text ? sqlite3_value_bytes(argv[0]) : 0);
    sqlite3_result_blob(ctx, d.constData(), int(d.size()), SQLITE_TRANSIENT);
}

bool makePrivateFile(const QString& path)
{
    if (QFileInfo::exists(path)) return true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return QFileInfo::exists(path); // made meanwhile by another copy
    ::close(fd);
    return true;
}

bool openWith(const QString& connection, const QString& path, const QString& options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(options);
    if (db.open()) return true;
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
    return false;
}

} // namespace

QString pathFor(const QString& diaryPath)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QFileInfo diary(diaryPath);
    const QString canonical = diary.canonicalFilePath();
    const QByteArray id = QCryptographicHash::hash(
                              (canonical.isEmpty() ? diary.absoluteFilePath() : canonical).toUtf8(),
                              QCryptographicHash::Sha1)
                              .toHex()
                              .left(16);
    return folder + u'/' + diary.fileName() + u'-' + QString::fromLatin1(id) +
           QStringLiteral(".index");
}

void forgetVanished(const QString& kept)
{
    if (inMemory(kept)) return;
    const QFileInfo own(kept);
    static const QRegularExpression ours(QStringLiteral("-[0-9a-f]{16}\\.index$"));
    const QDateTime before = QDateTime::currentDateTimeUtc().addDays(-kForgottenAfterDays);
    const QString connection = QStringLiteral("drvesk-forget-%1").arg(quintptr(&own));
    const auto entries = own.dir().entryInfoList({QStringLiteral("*.index")}, QDir::Files);
    for (const QFileInfo& f : entries) {
        const QString path = f.absoluteFilePath();
        const QFileInfo log(path + QStringLiteral("-wal"));
        if (path == own.absoluteFilePath() || !ours.match(f.fileName()).hasMatch() ||
            f.lastModified() > before || (log.exists() && log.lastModified() > before))
            continue;
        QString diary;
        if (openWith(connection, path, QStringLiteral("QSQLITE_OPEN_READONLY"))) {
            sql::Query q(sql::handleOf(QSqlDatabase::database(connection, false)), sql::kMetaDiary);
            if (q.next()) diary = q.text(0);
        }
        close(connection);
        if (diary.isEmpty() || QFileInfo::exists(diary)) continue;
        for (const char* part : {"", "-wal", "-shm"})
            removeSynced(path + QLatin1String(part));
    }
}

bool open(const QString& connection, const QString& path, int busyMs)
{
    const bool memory = inMemory(path);
    if (path.isEmpty() || (!memory && !makePrivateFile(path))) return false;
    if (!openWith(connection, path,
                  QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                      .arg(busyMs)
                      .arg(memory ? QStringLiteral(";QSQLITE_OPEN_URI") : QString())))
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    sqlite3* h = sql::handleOf(db);
    // A connection never checkpoints or removes the log as it closes: the file may have been
    // made anew under the same name meanwhile (by a worker that found it unreadable), and
    // the log of that name is the new file's.
    // (A memory index has no log.)
    int on = 1;
    bool ok =
        h && sqlite3_db_config(h, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr) == SQLITE_OK &&
        (memory || sqlite3_file_control(h, "main", SQLITE_FCNTL_PERSIST_WAL, &on) == SQLITE_OK) &&
        terms::registerTokenizer(h);
    // (A memory index keeps its journal in memory whatever it is asked.)
    for (const QString& setup : sql::kIndexSetup)
        ok = ok && sql::quietRun(h, setup);
    if (memory) ok = ok && sql::quietRun(h, sql::kIndexInMemory);
    if (!ok) close(connection);
    return ok;
}

bool openDiary(const QString& connection, const QString& path, int busyMs)
{
    if (!openWith(connection, path,
                  QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs)))
        return false;
    sqlite3* h = sql::handleOf(QSqlDatabase::database(connection, false));
    if (h && registerDiaryText(h) &&
        sqlite3_create_function(h, "drv_fp", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                sqlDigest, nullptr, nullptr) == SQLITE_OK)
        return true;
    close(connection);
    return false;
}

void close(const QString& connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (db.isValid()) db.close();
    }
    if (QSqlDatabase::contains(connection)) QSqlDatabase::removeDatabase(connection);
}

QString memoryPathFor(const QString& plainPath)
{
    // A name from "/" on is one database for every connection of the process.
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(plainPath, "/")) +
           QStringLiteral("?vfs=memdb");
}

QString sealedPathFor(const QString& plainPath)
{
    return plainPath + QStringLiteral(".sealed");
}

bool inMemory(const QString& path)
{
    return path.startsWith(QLatin1String("file:")) && path.endsWith(QLatin1String("?vfs=memdb"));
}

sqlite3* openAnchor(const QString& path)
{
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &h,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI |
                            SQLITE_OPEN_FULLMUTEX,
                        nullptr) == SQLITE_OK)
        return h;
    sqlite3_close(h);
    return nullptr;
}

bool loadSealed(const QString& path, const QString& sealedPath, const vault::KeySet& keys)
{
    QFile f(sealedPath);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QByteArray plain;
    if (!keys.openFile(vault::KeySet::Use::IndexFile, f.readAll(), plain)) return false;
    // The bytes become a private database of a passing connection, copied page by page
    // into the shared one.
    const QString from = QStringLiteral("drvesk-index-unseal-%1").arg(quintptr(&plain));
    const QString to = QStringLiteral("drvesk-index-fill-%1").arg(quintptr(&plain));
    bool ok = false;
    if (openWith(from, QStringLiteral(":memory:"), QString()) && open(to, path, 1000)) {
        sqlite3* src = sql::handleOf(QSqlDatabase::database(from, false));
        sqlite3* dst = sql::handleOf(QSqlDatabase::database(to, false));
        const auto size = sqlite3_int64(plain.size());
        auto* bytes = static_cast<unsigned char*>(sqlite3_malloc64(quint64(size)));
        if (bytes) {
            memcpy(bytes, plain.constData(), size_t(size));
            ok = sqlite3_deserialize(src, "main", bytes, size, size,
                                     SQLITE_DESERIALIZE_FREEONCLOSE) == SQLITE_OK;
        }
        if (ok) {
            sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
            ok = b && sqlite3_backup_step(b, -1) == SQLITE_DONE;
            ok = sqlite3_backup_finish(b) == SQLITE_OK && ok;
        }
    }
    vault::wipe(plain);
    close(to);
    close(from);
    return ok;
}

bool saveSealed(sqlite3* index, const QString& sealedPath, const vault::KeySet& keys)
{
    // A read transaction keeps any other writer's commit out while the pages are copied.
    if (!index || !sql::quietRun(index, sql::kBeginRead) || !sql::quietRun(index, sql::kIndexTouch))
        return false;
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(index, "main", &size, 0);
    sql::quietRun(index, sql::kCommit);
    if (!bytes) return false;
    QByteArray plain(reinterpret_cast<const char*>(bytes), qsizetype(size));
    vault::wipe(bytes, size_t(size));
    sqlite3_free(bytes);
    const QByteArray sealed = keys.sealFile(vault::KeySet::Use::IndexFile, plain);
    vault::wipe(plain);
    return !sealed.isEmpty() && writeSynced(sealedPath, sealed);
}

void settle(const QString& path)
{
    if (inMemory(path) || !QFileInfo::exists(path)) return;
    // SQLite's defaults: the last connection to close checkpoints the log and deletes it,
    // unlike the index's own connections, which keep it (see open).
    const QString connection = QStringLiteral("drvesk-settle-%1").arg(quintptr(&path));
    if (openWith(connection, path, QString()))
        sql::quietRun(sql::handleOf(QSqlDatabase::database(connection, false)), sql::kIndexSettle);
    close(connection);
}

QString makerVersion()
{
    return QStringLiteral("%1 Qt %2 Unicode %3")
        .arg(kFormat)
        .arg(QString::fromLatin1(qVersion()))
        .arg(int(QChar::currentUnicodeVersion()));
}

QByteArray digestOf(const char* utf8, int bytes)
{
    if (!utf8) return QByteArray(1, '\0');
    // An encrypted diary's digests are keyed: they tell a change and nothing of the text.
    // Held for the call: the worker thread asks while the window's may change them.
    if (const auto keys = heldDiaryKeys()) return keys->digest(utf8, bytes);
    return QCryptographicHash::hash(QByteArrayView(utf8, bytes), QCryptographicHash::Blake2b_160);
}

QString stampOf(sqlite3* diary, const QString& path)
{
    sqlite3_file* file = nullptr;
    if (!diary ||
        sqlite3_file_control(diary, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods)
        return {};
    // Read through the connection's own file: opening the file a second time and closing
    // it would drop the connection's locks.
    unsigned char header[100];
    if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK) return {};
    // Format versions 2 are a write-ahead log, whose commits leave the file alone.
    if (header[18] == 2 || header[19] == 2 || QFileInfo::exists(path + QStringLiteral("-wal")))
        return {};
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return QStringLiteral("%1:%2:%3:%4.%5:%6.%7:%8")
        .arg(qulonglong(st.st_dev))
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec))
        .arg(qlonglong(st.st_ctim.tv_sec))
        .arg(qlonglong(st.st_ctim.tv_nsec))
        .arg(QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(header) + 24, 16).toHex()));
}

void writeStamp(const QString& indexPath, qint64 generation, const QString& stamp)
{
    const QString connection = QStringLiteral("drvesk-index-stamp");
    if (stamp.isEmpty() || !open(connection, indexPath, 1000)) return;
    sqlite3* h = sql::handleOf(QSqlDatabase::database(connection, false));
    if (sql::quietRun(h, sql::kBeginWrite)) {
        bool due = false;
        {
            sql::Query q(h, sql::kMetaGet);
            // The same stamp is not written again: a sealed index then stays as its file.
            due = q.next() && q.number(2) == generation && q.number(3) == 1 && q.text(4) != stamp;
        }
        if (due) sql::Query(h, sql::kMetaStamp, {stamp}).run();
        sql::quietRun(h, sql::kCommit);
    }
    close(connection);
}

} // namespace drv::index
