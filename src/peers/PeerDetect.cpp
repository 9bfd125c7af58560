#include "PeerDetect.h"

#include "Almanah.h"
#include "DateKey.h"
#include "Import.h"
#include "Lifeograph.h"
#include "RedNotebook.h"

#include <QDir>
#include <QFileInfo>

namespace drv::peers {

namespace {

constexpr int kListedAtMost = 10;

bool holdsMonthFiles(const QString& folder)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        if (isRedNotebookMonthName(name)) return true;
    return false;
}

} // namespace

Peer peerOf(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QDir dir(path);
        if (QFileInfo::exists(dir.filePath(QStringLiteral("diary.db"))) ||
            QFileInfo::exists(dir.filePath(QStringLiteral("diary.db.encrypted"))))
            return Peer::Almanah;
        return holdsMonthFiles(path) ? Peer::RedNotebook : Peer::None;
    }
    if (!info.isFile()) return Peer::None;
    if (isLifeographFile(path)) return Peer::Lifeograph;
    if (info.fileName().endsWith(QStringLiteral(".db.encrypted"))) return Peer::Almanah;
    if (info.suffix() == u"db" && isSqliteFile(path)) return Peer::Almanah;
    if (isRedNotebookMonthName(info.fileName()) && looksLikeRedNotebookMonth(path))
        return Peer::RedNotebook;
    return Peer::None;
}

PeerResult readPeer(Peer peer, const QString& path, const QDate& today,
                    const keep::Progress& progress)
{
    switch (peer) {
    case Peer::RedNotebook:
        // A month file stands for the journal folder it lies in.
        return readRedNotebook(QFileInfo(path).isDir() ? path : QFileInfo(path).absolutePath(),
                               today, progress);
    case Peer::Almanah:
        return readAlmanah(path, today, progress);
    case Peer::Lifeograph:
        return readLifeograph(path, today, progress);
    case Peer::None:
        break;
    }
    PeerResult r;
    r.source.fail(0, QStringLiteral("ほかの日記プログラムの日記ではありません"));
    return r;
}

QString notTakenText(const PeerResult& r, const QDate& today)
{
    QStringList parts;
    if (!r.outside.isEmpty()) {
        const int last = DateKey::fullYear((today.year() + 20) % 100, today);
        QString days = r.outside.mid(0, kListedAtMost).join(QStringLiteral(", "));
        if (r.outside.size() > kListedAtMost)
            days += QStringLiteral(" ほか %1 日").arg(r.outside.size() - kListedAtMost);
        parts << QStringLiteral("この日記は %1 年から %2 年までの日付しか持てないので、"
                                "次の %3 日分は読み込めません:\n%4")
                     .arg(last - 99)
                     .arg(last)
                     .arg(r.outside.size())
                     .arg(days);
    }
    if (r.undated > 0)
        parts << QStringLiteral("日付のない記事 %1 件は読み込めません").arg(r.undated);
    if (parts.isEmpty()) return {};
    return parts.join(QStringLiteral("\n\n"));
}

keep::SourceResult readAnySource(const QString& path, keep::Format format, const QDate& today,
                                 const keep::Progress& progress, QString& notice)
{
    notice.clear();
    const Peer peer = peerOf(path);
    if (peer == Peer::None) return keep::readDiaryFile(path, format, today, progress);
    PeerResult r = readPeer(peer, path, today, progress);
    if (r.source.ok()) notice = notTakenText(r, today);
    return std::move(r.source);
}

} // namespace drv::peers
