#include "MirrorState.h"

#include "MirrorNames.h"
#include "SyncedFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace drv::mirror {

namespace {

constexpr char kHeader[] = "drvesk-mirror-state 1";

qint64 nanos(const timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

FileStamp stampOf(const QString& path)
{
    return stampAt(AT_FDCWD, QFile::encodeName(path).constData());
}

FileStamp folderStampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return {qint64(st.st_size), nanos(st.st_mtim), nanos(st.st_ctim), quint64(st.st_ino)};
}

FileStamp stampAt(int folder, const char* name)
{
    struct stat st {};
    if (::fstatat(folder, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return {};
    return {qint64(st.st_size), nanos(st.st_mtim), nanos(st.st_ctim), quint64(st.st_ino)};
}

bool MirrorState::load(const QString& path)
{
    *this = {};
    QFile f(path);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.isEmpty() || lines.first() != kHeader) return true; // not ours: start over
    days.reserve(lines.size());
    for (const QByteArray& line : lines) {
        const qsizetype sp = line.indexOf(' ');
        if (sp < 0) continue;
        const QByteArray word = line.left(sp), rest = line.mid(sp + 1);
        if (word == "on")
            on = rest == "1";
        else if (word == "folder")
            folder = QString::fromUtf8(rest);
        else if (word == "diary")
            diaryId = QString::fromUtf8(rest);
        else if (word == "day") {
            const QList<QByteArray> p = rest.split(' ');
            if (p.size() != 6 && p.size() != 7) continue;
            const QDate day = QDate::fromString(QString::fromLatin1(p[0]), Qt::ISODate);
            if (!day.isValid()) continue;
            DayAgreement a;
            a.digest = QByteArray::fromHex(p[1]);
            a.stamp = {p[2].toLongLong(), p[3].toLongLong(), p[4].toLongLong(), p[5].toULongLong()};
            a.statedNs = p.size() > 6 ? p[6].toLongLong() : 0;
            if (!a.digest.isEmpty()) days.insert(day, a);
        }
    }
    return true;
}

bool MirrorState::save(const QString& path) const
{
    QByteArray out;
    out.reserve(64 + days.size() * 100);
    out += kHeader;
    out += "\non ";
    out += on ? "1" : "0";
    out += "\nfolder " + folder.toUtf8() + "\ndiary " + diaryId.toUtf8() + '\n';
    QList<QDate> keys = days.keys();
    std::sort(keys.begin(), keys.end());
    for (const QDate& d : keys) {
        const DayAgreement& a = days.value(d);
        out += "day " + d.toString(Qt::ISODate).toLatin1() + ' ' + a.digest.toHex() + ' ' +
               QByteArray::number(a.stamp.size) + ' ' + QByteArray::number(a.stamp.mtimeNs) + ' ' +
               QByteArray::number(a.stamp.ctimeNs) + ' ' + QByteArray::number(a.stamp.inode) + ' ' +
               QByteArray::number(a.statedNs) + '\n';
    }
    return writeSynced(path, out);
}

bool readMarker(const QString& folder, Marker& marker)
{
    QFile f(folder + u'/' + QLatin1String(kMarkerName));
    if (!f.open(QIODevice::ReadOnly)) return false;
    marker = {};
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("diary ")) marker.diaryId = QString::fromUtf8(line.mid(6)).trimmed();
        if (line.startsWith("label ")) marker.label = QString::fromUtf8(line.mid(6)).trimmed();
    }
    return !marker.diaryId.isEmpty();
}

bool writeMarker(const QString& folder, const Marker& marker)
{
    const QByteArray text = "# drvesk: this folder mirrors one diary, one file a day\n"
                            "diary " +
                            marker.diaryId.toUtf8() + "\nlabel " + marker.label.toUtf8() + '\n';
    return writeSynced(folder + u'/' + QLatin1String(kMarkerName), text);
}

} // namespace drv::mirror
