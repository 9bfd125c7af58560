#include "Almanah.h"

#include "AlmanahFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <tuple>

namespace drv::peers {

namespace {

constexpr QByteArrayView kGtkMagic = "GTKTEXTBUFFERCONTENTS-0001";
// Entry XML as Almanah writes it: this declaration and root, then the text.
constexpr QByteArrayView kEntryHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<entry "
                                      "xmlns=\"http://www.gnome.org/almanah-diary/entry/2.0/\">";
constexpr QByteArrayView kEntryTail = "</entry>";

} // namespace

// Taken when the text holds nothing but characters XML allows (no carriage return,
// which XML reads as a line feed), the five named entities, and elements of a name in
// small letters without attributes, opened and closed in order.
bool quickAlmanahText(const QByteArray& xml, QString& out)
{
    if (!xml.startsWith(kEntryHead) || !xml.endsWith(kEntryTail) ||
        xml.size() < kEntryHead.size() + kEntryTail.size())
        return false;
    const QByteArrayView text = QByteArrayView(xml).sliced(
        kEntryHead.size(), xml.size() - kEntryHead.size() - kEntryTail.size());
    QByteArray chars;
    bool plain = true; // nothing to take out: the text is its characters
    QVarLengthArray<QByteArrayView, 8> open;
    const char* p = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(p[i]);
        if (c >= 0x20 && c != '<' && c != '&' && c != ']' && c != 0xEF) {
            if (!plain) chars += char(c);
            continue;
        }
        if (c < 0x20 && c != '\t' && c != '\n') return false;
        // "]]>" may not stand in text; U+FFFE and U+FFFF are no characters of XML.
        if (c == ']' && text.sliced(i).startsWith("]]>")) return false;
        if (c == 0xEF && (text.sliced(i).startsWith("\xEF\xBF\xBE") ||
                          text.sliced(i).startsWith("\xEF\xBF\xBF")))
            return false;
        if (c != '<' && c != '&') {
            if (!plain) chars += char(c);
            continue;
        }
        if (plain) {
            chars = text.first(i).toByteArray();
            plain = false;
        }
        if (c == '&') {
            static constexpr std::pair<QByteArrayView, char> kEntities[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
            const auto it =
                std::find_if(std::begin(kEntities), std::end(kEntities),
                             [&](const auto& e) { return text.sliced(i).startsWith(e.first); });
            if (it == std::end(kEntities)) return false;
            chars += it->second;
            i += it->first.size() - 1;
            continue;
        }
        const bool closing = i + 1 < n && p[i + 1] == '/';
        qsizetype j = i + (closing ? 2 : 1);
        const qsizetype from = j;
        while (j < n && p[j] >= 'a' && p[j] <= 'z')
            ++j;
        if (j == from || j >= n || p[j] != '>') return false;
        const QByteArrayView name = text.sliced(from, j - from);
        if (closing) {
            if (open.isEmpty() || open.back() != name) return false;
            open.pop_back();
        } else {
            open.append(name);
        }
        i = j;
    }
    if (!open.isEmpty()) return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    out = decoder.decode(plain ? text : QByteArrayView(chars));
    return !decoder.hasError();
}

namespace {

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

// Reads the days into the book; false with the reason in r.
bool readDays(const QString& file, const keep::Progress& progress, DayBook& book, PeerResult& r)
{
    QList<AlmanahTag> tagList;
    std::map<std::tuple<int, int, int>, QStringList> tagsOfDay; // in the file's order
    bool tagsGathered = false;
    qint64 total = 0;
    bool badBody = false;
    QString reason;
    const AlmanahRead read = readAlmanahFile(
        file, tagList, total,
        [&](const AlmanahEntry& e, int row) {
            if (progress && row % 512 == 0 && !progress(row, total)) return false;
            const QDate date(e.year, e.month, e.day);
            QString body;
            if (!almanahPlainText(e.content, e.version, body)) {
                badBody = true;
                r.source.fail(
                    0,
                    QStringLiteral("%1 の日記の本文が読めません")
                        .arg(date.isValid()
                                 ? date.toString(Qt::ISODate)
                                 : QStringLiteral("%1-%2-%3").arg(e.year).arg(e.month).arg(e.day)));
                return false;
            }
            if (!tagsGathered) {
                for (const AlmanahTag& t : std::as_const(tagList))
                    tagsOfDay[{t.year, t.month, t.day}] << t.tag;
                tagsGathered = true;
            }
            const auto tags = tagsOfDay.find({e.year, e.month, e.day});
            if (tags != tagsOfDay.end())
                body = body.trimmed() + QStringLiteral("\n\nタグ: ") +
                       tags->second.join(QStringLiteral(", "));
            book.add(date, 0, titleOfText(body), body, 0, row);
            return true;
        },
        reason);
    switch (read) {
    case AlmanahRead::Done:
        return true;
    case AlmanahRead::Stopped:
        if (!badBody) r.source.stopped = true;
        return false;
    case AlmanahRead::NotOpened:
        r.source.fail(0, reason);
        return false;
    case AlmanahRead::NotAlmanah:
        r.source.fail(0, QStringLiteral("Almanah の日記ではありません (%1)").arg(reason));
        return false;
    }
    return false;
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
    if (version == 2) return quickAlmanahText(data, text) || almanahXmlText(data, text);
    if (version != 1) return false;
    if (!data.startsWith(kGtkMagic)) {
        text = QString::fromUtf8(data); // the oldest entries: plain text
        return true;
    }
    // The magic, a four-byte length, then the markup whose <text> holds the words.
    const qsizetype from = kGtkMagic.size() + 4;
    return data.size() >= from && markupText(data.mid(from), QStringLiteral("text"), text);
}

bool almanahXmlText(const QByteArray& xml, QString& text)
{
    text.clear();
    return markupText(xml, {}, text);
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
    const bool ok = readDays(file, progress, book, r);
    return ok ? book.finish() : r;
}

} // namespace drv::peers
