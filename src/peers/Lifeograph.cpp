#include "Lifeograph.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <vector>

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

// A paragraph's bytes hold no markup when none of its characters is one of the marks or
// a link's start (multi-byte characters of UTF-8 hold no ASCII byte) and it starts with
// neither a space (a heading) nor ".\t" (markup off).
bool holdsMarkup(QByteArrayView p)
{
    for (const char c : p)
        if (c == '*' || c == '_' || c == '=' || c == '#' || c == '<') return true;
    return p.startsWith(' ') || p.startsWith(".\t");
}

// An entry's paragraphs as they read without markup, one a line, gathered in a buffer
// that serves every entry in turn.
class Entry {
public:
    void start(const PackedDate& date, int line)
    {
        date_ = date;
        line_ = line;
        paragraphs_ = 0;
        firstEnd_ = 0;
        text_.resize(0); // keeps its room
    }
    void addParagraph(QByteArrayView bytes)
    {
        if (paragraphs_++ > 0) text_ += u'\n';
        if (holdsMarkup(bytes)) {
            text_ += lifeographPlain(QString::fromUtf8(bytes));
        } else {
            const qsizetype at = text_.size();
            text_.resize(at + bytes.size()); // a UTF-8 byte gives at most one UTF-16 unit
            text_.resize(decoder_.appendToBuffer(text_.data() + at, bytes) - text_.constData());
        }
        if (paragraphs_ == 1) firstEnd_ = text_.size();
    }
    void addTo(DayBook& book) const
    {
        if (date_.undated) {
            if (paragraphs_ > 0) book.addUndated();
            return;
        }
        const QString text(text_.constData(), text_.size());
        const QString first = QStringView(text).first(firstEnd_).trimmed().toString();
        const QString title = first.left(kTitleLength);
        if (first.size() > kTitleLength) {
            // A first paragraph too long for a title stays whole in the body.
            const QString rest = paragraphs_ > 1 ? text.sliced(firstEnd_ + 1) : QString();
            book.add(date_.date, date_.order, title, first + u'\n' + rest, text, line_);
            return;
        }
        book.add(date_.date, date_.order, title, text,
                 paragraphs_ > 1 ? firstEnd_ + 1 : text.size(), line_);
    }

private:
    PackedDate date_;
    int line_ = 0;
    int paragraphs_ = 0;
    qsizetype firstEnd_ = 0; // where the first paragraph ends in text_
    QString text_;
    // As QString::fromUtf8 decodes, each paragraph by itself.
    QStringDecoder decoder_{QStringDecoder::Utf8, QStringConverter::Flag::Stateless};
};

// The lines of a file one after another, as QByteArray::split('\n') gives them, read
// in pieces into one buffer; a line given stays valid until the next is asked for. A
// read error ends the lines, as it ends QIODevice::readAll.
class Lines {
public:
    explicit Lines(QFile& file) : file_(file), buffer_(kPiece) {}
    bool next(QByteArrayView& line)
    {
        if (given_) return false; // the piece after the last line feed was the last line
        for (;;) {
            const QByteArrayView held(buffer_.data() + from_, size_ - from_);
            const qsizetype feed = held.indexOf('\n');
            if (feed >= 0 || atEnd_) {
                given_ = feed < 0;
                line = feed < 0 ? held : held.first(feed);
                from_ += line.size() + 1;
                done_ += line.size() + 1;
                ++number_;
                return true;
            }
            // The line under way to the front, the next piece after it.
            std::memmove(buffer_.data(), buffer_.data() + from_, size_t(size_ - from_));
            size_ -= from_;
            from_ = 0;
            if (qsizetype(buffer_.size()) < size_ + kPiece) buffer_.resize(size_t(size_ + kPiece));
            const qint64 got = file_.read(buffer_.data() + size_, kPiece);
            size_ += std::max<qint64>(got, 0);
            atEnd_ = got <= 0;
        }
    }
    int number() const { return number_; } // of the last line given, from 1
    qint64 done() const { return done_; }  // bytes given so far

private:
    static constexpr qsizetype kPiece = 1 << 20;
    QFile& file_;
    std::vector<char> buffer_;
    qsizetype from_ = 0, size_ = 0;
    qint64 done_ = 0;
    int number_ = 0;
    bool atEnd_ = false, given_ = false;
};

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
    const qint64 size = f.size();
    Lines lines(f);
    QByteArray head[3];
    for (QByteArray& h : head) {
        QByteArrayView line;
        if (!lines.next(line)) break;
        h = line.toByteArray();
    }
    if (lines.number() < 3 || head[0] != kMark) {
        r.source.fail(1, QStringLiteral("%1 は Lifeograph の日記ではありません")
                             .arg(QFileInfo(path).fileName()));
        return r;
    }
    if (head[2].startsWith("E y")) {
        r.source.fail(0, lifeographEncryptedText());
        return r;
    }
    const int version = head[1].startsWith("V ") ? head[1].mid(2).toInt() : 0;
    if (version != kVersion) {
        r.source.fail(2, QStringLiteral("Lifeograph の日記ファイルの版 %1 は読めません。"
                                        "Lifeograph 2.0 で開いて保存し直してください")
                             .arg(QString::fromLatin1(head[1].mid(2))));
        return r;
    }
    DayBook book(today);
    Entry current;
    bool inEntry = false, afterId = false;
    for (QByteArrayView line; lines.next(line);) {
        if (progress && (lines.number() - 1) % 8192 == 0 &&
            !progress(std::min(lines.done(), size), size)) {
            r.source.stopped = true;
            return r;
        }
        if (line.endsWith('\r')) line.chop(1);
        if (line.startsWith("ID")) {
            if (inEntry) current.addTo(book);
            inEntry = false;
            afterId = true;
            continue;
        }
        if (afterId) {
            afterId = false;
            // An entry's first line: "E", five flag characters, the packed date.
            if (line.size() > 2 && line.at(0) == 'E' && (line.at(1) == ' ' || line.at(1) == '+')) {
                PackedDate date;
                if (!parseEntryLine(line, date)) {
                    r.source.fail(lines.number(), QStringLiteral("日付が読めません"));
                    return r;
                }
                current.start(date, lines.number());
                inEntry = true;
            }
            continue;
        }
        if (inEntry && line.startsWith("Ep"))
            current.addParagraph(line.sliced(qMin<qsizetype>(3, line.size())));
    }
    if (inEntry) current.addTo(book);
    return book.finish();
}

} // namespace drv::peers
