#include "Lifeograph.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace drv::peers {

namespace {

constexpr QByteArrayView kMark = "LIFEOGRAPHDB";
constexpr int kVersion = 2000;
constexpr quint32 kOrdinalFlag = 0x80000000u; // numbered entries, of no day

bool isAsciiAlnum(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// Removes the pairs of one markup character that enclose text the way Lifeograph
// formats it: the opening one not inside a word of Latin letters or digits and before a
// non-blank, the closing one after a non-blank and not before such a word.
QString removePairs(const QString& s, QChar mark)
{
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool opens = s.at(i) == mark && (i == 0 || !isAsciiAlnum(s.at(i - 1))) && i + 1 < n &&
                           !s.at(i + 1).isSpace() && s.at(i + 1) != mark;
        qsizetype close = -1;
        if (opens)
            for (qsizetype j = i + 2; j < n && close < 0; ++j)
                if (s.at(j) == mark && !s.at(j - 1).isSpace() &&
                    (j + 1 == n || !isAsciiAlnum(s.at(j + 1))))
                    close = j;
        if (close < 0) {
            out += s.at(i);
            continue;
        }
        out += QStringView(s).mid(i + 1, close - i - 1);
        i = close;
    }
    return out;
}

QString reduceLinks(const QString& s)
{
    static const QRegularExpression link(
        QStringLiteral("<([A-Za-z][A-Za-z0-9+.-]*:[^\\t<>]*)\\t([^<>]*)>"));
    QString out;
    qsizetype from = 0;
    for (auto it = link.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(s).mid(from, m.capturedStart() - from);
        const QString uri = m.captured(1), label = m.captured(2);
        if (uri.startsWith(QStringLiteral("deid:")) || label == uri)
            out += label.isEmpty() ? uri : label;
        else
            out += label.isEmpty() ? uri : QStringLiteral("%1 (%2)").arg(label, uri);
        from = m.capturedEnd();
    }
    return out + s.mid(from);
}

// The date packed in an entry line: year from bit 19, month from 15, day from 10, the
// order within the day below.
struct PackedDate {
    QDate date;
    int order = 0;
    bool undated = false;
};

bool parseEntryLine(QByteArrayView line, PackedDate& d)
{
    qsizetype from = line.size();
    while (from > 0 && line.at(from - 1) >= '0' && line.at(from - 1) <= '9')
        --from;
    bool ok = false;
    const quint32 v = line.sliced(from).toUInt(&ok);
    if (!ok) return false;
    d.undated = (v & kOrdinalFlag) != 0;
    d.order = int(v & 0x3FF);
    d.date = QDate(int((v >> 19) & 0xFFF), int((v >> 15) & 0xF), int((v >> 10) & 0x1F));
    return d.undated || d.date.isValid();
}

struct Entry {
    PackedDate date;
    QStringList paragraphs;
    int line = 0;
};

void addEntry(const Entry& e, DayBook& book)
{
    if (e.date.undated) {
        if (!e.paragraphs.isEmpty()) book.addUndated();
        return;
    }
    QStringList plain;
    plain.reserve(e.paragraphs.size());
    for (const QString& p : e.paragraphs)
        plain << lifeographPlain(p);
    const QString first = plain.value(0).trimmed();
    QString body = plain.mid(1).join(u'\n');
    // A first paragraph too long for a title stays whole in the body.
    const QString title = first.left(kTitleLength);
    if (first.size() > kTitleLength) body = first + u'\n' + body;
    book.add(e.date.date, e.date.order, title, body, plain.join(u'\n'), e.line);
}

} // namespace

bool isLifeographFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(kMark.size()) == kMark;
}

QString lifeographEncryptedText()
{
    return QStringLiteral(
        "この Lifeograph の日記はパスワードで暗号化されているので読み込めません。\n"
        "Lifeograph で開いてパスワードを外し、暗号化せずに保存してから"
        "もう一度読み込んでください。何も読み込んでいません");
}

QString lifeographPlain(const QString& paragraph)
{
    if (paragraph.startsWith(QStringLiteral(".\t"))) return paragraph.mid(2);
    QString s = reduceLinks(paragraph);
    for (QChar mark : {u'*', u'_', u'=', u'#'})
        s = removePairs(s, mark);
    // One or two leading spaces make a heading.
    for (int i = 0; i < 2 && s.startsWith(u' ') && s.size() > 1 && s.at(1) != u'\t'; ++i)
        s.remove(0, 1);
    return s;
}

PeerResult readLifeograph(const QString& path, const QDate& today, const keep::Progress& progress)
{
    PeerResult r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.source.fail(0, f.errorString());
        return r;
    }
    const QByteArray bytes = f.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 3 || lines.at(0) != kMark) {
        r.source.fail(1, QStringLiteral("%1 は Lifeograph の日記ではありません")
                             .arg(QFileInfo(path).fileName()));
        return r;
    }
    if (lines.at(2).startsWith("E y")) {
        r.source.fail(0, lifeographEncryptedText());
        return r;
    }
    const int version = lines.at(1).startsWith("V ") ? lines.at(1).mid(2).toInt() : 0;
    if (version != kVersion) {
        r.source.fail(2, QStringLiteral("Lifeograph の日記ファイルの版 %1 は読めません。"
                                        "Lifeograph 2.0 で開いて保存し直してください")
                             .arg(QString::fromLatin1(lines.at(1).mid(2))));
        return r;
    }
    DayBook book(today);
    Entry current;
    bool inEntry = false, afterId = false;
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (progress && i % 8192 == 0 && !progress(i, lines.size())) {
            r.source.stopped = true;
            return r;
        }
        QByteArrayView line = lines.at(i);
        if (line.endsWith('\r')) line.chop(1);
        if (line.startsWith("ID")) {
            if (inEntry) addEntry(current, book);
            inEntry = false;
            afterId = true;
            continue;
        }
        if (afterId) {
            afterId = false;
            // An entry's first line: "E", five flag characters, the packed date.
            if (line.size() > 2 && line.at(0) == 'E' && (line.at(1) == ' ' || line.at(1) == '+')) {
                current = Entry{};
                current.line = int(i + 1);
                if (!parseEntryLine(line, current.date)) {
                    r.source.fail(int(i + 1), QStringLiteral("日付が読めません"));
                    return r;
                }
                inEntry = true;
            }
            continue;
        }
        if (inEntry && line.startsWith("Ep"))
            current.paragraphs << QString::fromUtf8(line.sliced(qMin<qsizetype>(3, line.size())));
    }
    if (inEntry) addEntry(current, book);
    return book.finish();
}

} // namespace drv::peers
