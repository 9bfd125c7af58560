#include "Almanah.h"

#include "Statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QXmlStreamReader>

namespace drv::peers {

namespace {

const QString kConnection = QStringLiteral("drv_peer_almanah");
constexpr QByteArrayView kGtkMagic = "GTKTEXTBUFFERCONTENTS-0001";

// The characters of the markup, inside the element `inside` only when one is named;
// a link's address follows its text when the two differ.
bool markupText(const QByteArray& xml, const QString& inside, QString& out)
{
    QXmlStreamReader r(xml);
    int depthInside = inside.isEmpty() ? 1 : 0;
    QList<std::pair<QString, qsizetype>> links;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!inside.isEmpty() && r.name() == inside) ++depthInside;
            if (r.name() == u"link")
                links.append(std::make_pair(r.attributes().value(QLatin1String("uri")).toString(),
                                            out.size()));
            break;
        case QXmlStreamReader::EndElement:
            if (!inside.isEmpty() && r.name() == inside) --depthInside;
            if (r.name() == u"link" && !links.isEmpty()) {
                const auto [uri, from] = links.takeLast();
                if (!uri.isEmpty() && QStringView(out).mid(from) != uri)
                    out += QStringLiteral(" (%1)").arg(uri);
            }
            break;
        case QXmlStreamReader::Characters:
            if (depthInside > 0) out += r.text();
            break;
        default:
            break;
        }
    }
    return !r.hasError();
}

QString dbPathOf(const QString& path)
{
    return QFileInfo(path).isDir() ? QDir(path).filePath(QStringLiteral("diary.db")) : path;
}

bool isEncrypted(const QString& path)
{
    if (path.endsWith(QStringLiteral(".encrypted"))) return true;
    if (QFileInfo(path).isDir())
        return !QFileInfo::exists(QDir(path).filePath(QStringLiteral("diary.db"))) &&
               QFileInfo::exists(QDir(path).filePath(QStringLiteral("diary.db.encrypted")));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(16);
    // An OpenPGP message: armoured, or a binary packet (the tag byte has its top bit).
    return head.startsWith("-----BEGIN PGP") ||
           (!head.isEmpty() && (uchar(head.at(0)) & 0x80) != 0);
}

using DayKey = qint64;
DayKey dayKey(int y, int m, int d)
{
    return (qint64(y) * 100 + m) * 100 + d;
}

// Reads the days into the book; false with the reason in r.
bool readDays(QSqlDatabase& db, const keep::Progress& progress, DayBook& book, PeerResult& r)
{
    QHash<DayKey, QStringList> tags;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.exec(sql::kAlmanahTags))
            while (q.next())
                tags[dayKey(q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt())]
                    << q.value(3).toString();
    }
    qint64 total = 0;
    {
        QSqlQuery q(db);
        if (!q.exec(sql::kAlmanahCount) || !q.next()) {
            r.source.fail(
                0, QStringLiteral("Almanah の日記ではありません (%1)").arg(q.lastError().text()));
            return false;
        }
        total = q.value(0).toLongLong();
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql::kAlmanahEntries) && !q.exec(sql::kAlmanahEntriesV1)) {
        r.source.fail(
            0, QStringLiteral("Almanah の日記ではありません (%1)").arg(q.lastError().text()));
        return false;
    }
    for (int row = 1; q.next(); ++row) {
        if (progress && row % 512 == 0 && !progress(row, total)) {
            r.source.stopped = true;
            return false;
        }
        const int y = q.value(0).toInt(), m = q.value(1).toInt(), d = q.value(2).toInt();
        const QDate date(y, m, d);
        QString body;
        if (!almanahPlainText(q.value(3).toByteArray(), q.value(4).toInt(), body)) {
            r.source.fail(0, QStringLiteral("%1 の日記の本文が読めません")
                                 .arg(date.isValid()
                                          ? date.toString(Qt::ISODate)
                                          : QStringLiteral("%1-%2-%3").arg(y).arg(m).arg(d)));
            return false;
        }
        const QStringList dayTags = tags.value(dayKey(y, m, d));
        if (!dayTags.isEmpty())
            body =
                body.trimmed() + QStringLiteral("\n\nタグ: ") + dayTags.join(QStringLiteral(", "));
        book.add(date, 0, titleOfText(body), body, body, row);
    }
    return true;
}

} // namespace

QString almanahEncryptedText()
{
    return QStringLiteral("この Almanah の日記は暗号化されているので読み込めません。\n"
                          "Almanah の設定で暗号化をやめて、暗号化せずに保存してから"
                          "もう一度読み込んでください。何も読み込んでいません");
}

bool isSqliteFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArrayView("SQLite format 3\0", 16);
}

bool almanahPlainText(const QByteArray& data, int version, QString& text)
{
    text.clear();
    if (version == 2) return markupText(data, {}, text);
    if (version != 1) return false;
    if (!data.startsWith(kGtkMagic)) {
        text = QString::fromUtf8(data); // the oldest entries: plain text
        return true;
    }
    // The magic, a four-byte length, then the markup whose <text> holds the words.
    const qsizetype from = kGtkMagic.size() + 4;
    return data.size() >= from && markupText(data.mid(from), QStringLiteral("text"), text);
}

PeerResult readAlmanah(const QString& path, const QDate& today, const keep::Progress& progress)
{
    PeerResult r;
    if (isEncrypted(path)) {
        r.source.fail(0, almanahEncryptedText());
        return r;
    }
    const QString file = dbPathOf(path);
    if (!isSqliteFile(file)) {
        r.source.fail(0, QStringLiteral("%1 は Almanah の日記 (diary.db) ではありません")
                             .arg(QFileInfo(file).fileName()));
        return r;
    }
    DayBook book(today);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        // Another program's diary is only ever read.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            r.source.fail(0, db.lastError().text());
        else
            ok = readDays(db, progress, book, r);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return ok ? book.finish() : r;
}

} // namespace drv::peers
