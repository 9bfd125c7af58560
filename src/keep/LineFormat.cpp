#include "LineFormat.h"

namespace drv::keep {

namespace {

QStringView marker(LineSyntax syntax)
{
    return syntax == LineSyntax::Text ? QStringView(u"■") : QStringView(u"# ");
}

// Backslashes, then the heading's marker.
bool looksLikeHeading(QStringView line, LineSyntax syntax)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] == u'\\')
        ++i;
    return line.mid(i).startsWith(marker(syntax));
}

QString escapedTitle(const QString& title)
{
    QString s;
    s.reserve(title.size() + 8);
    for (const QChar c : title) {
        if (c == u'\\')
            s += QStringLiteral("\\\\");
        else if (c == u'\n')
            s += QStringLiteral("\\n");
        else
            s += c;
    }
    return s;
}

bool unescapeTitle(QStringView s, QString& title)
{
    title.clear();
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\') {
            title += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        if (s[i] == u'n')
            title += u'\n';
        else if (s[i] == u'\\')
            title += u'\\';
        else
            return false;
    }
    return true;
}

bool endsInCrLf(QStringView text)
{
    qsizetype lines = 0;
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1)) {
        if (at == 0 || text[at - 1] != u'\r') return false;
        ++lines;
    }
    return lines > 0;
}

class Reader {
public:
    Reader(LineSyntax syntax, const QDate& today) : syntax_(syntax), today_(today) {}

    // False once the result has failed.
    bool line(QStringView s, int number)
    {
        if (s.startsWith(marker(syntax_))) return heading(s.mid(marker(syntax_).size()), number);
        if (!open_) {
            if (!s.trimmed().isEmpty()) {
                result.fail(number, syntax_ == LineSyntax::Text
                                        ? QStringLiteral("最初の見出し (■2026-12-07 表題) "
                                                         "の前に文章があります")
                                        : QStringLiteral("最初の見出し (# 2026-12-07 表題) "
                                                         "の前に文章があります"));
                return false;
            }
            return true;
        }
        // One backslash came in front of a line that would read as a heading.
        body_ << (s.startsWith(u'\\') && looksLikeHeading(s, syntax_) ? s.mid(1) : s);
        return true;
    }

    void finish()
    {
        if (!open_) return;
        open_ = false;
        qsizetype from = 0, to = body_.size();
        if (syntax_ == LineSyntax::Markdown && from < to && body_[from].isEmpty()) ++from;
        if (from < to && body_[to - 1].isEmpty()) --to; // the blank line before the next
        QString& doc = result.entries.last().entry.szDoc;
        qsizetype size = 0;
        for (qsizetype i = from; i < to; ++i)
            size += body_[i].size() + 1;
        doc.reserve(size);
        for (qsizetype i = from; i < to; ++i) {
            if (i > from) doc += u'\n';
            doc += body_[i];
        }
        body_.clear();
    }

    SourceResult result;

private:
    bool heading(QStringView rest, int number)
    {
        finish();
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != u' ' && rest[end] != u'\\')
            ++end;
        ImportedEntry e;
        e.line = number;
        QString error;
        if (!keyOfDayToken(rest.left(end), today_, e.entry.skYmn, error)) {
            result.fail(number, error);
            return false;
        }
        if (end < rest.size() && rest[end] == u' ') {
            e.entry.szTtl = rest.mid(end + 1).toString();
        } else if (end < rest.size() && !unescapeTitle(rest.mid(end + 1), e.entry.szTtl)) {
            result.fail(number, QStringLiteral("表題の \\ のあとには n か \\ を書きます"));
            return false;
        }
        result.entries << e;
        open_ = true;
        return true;
    }

    LineSyntax syntax_;
    QDate today_;
    bool open_ = false;
    QList<QStringView> body_;
};

} // namespace

void appendLineEntry(QString& out, LineSyntax syntax, const DiaryEntry& entry, const QDate& today,
                     QStringView eol)
{
    out += marker(syntax);
    out += dayToken(entry.skYmn, today);
    if (entry.szTtl.contains(u'\n')) {
        out += u'\\';
        out += escapedTitle(entry.szTtl);
    } else if (!entry.szTtl.isEmpty()) {
        out += u' ';
        out += entry.szTtl;
    }
    out += eol;
    if (syntax == LineSyntax::Markdown) out += eol;
    if (!entry.szDoc.isEmpty()) {
        const QStringView doc(entry.szDoc);
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = doc.indexOf(u'\n', from);
            const QStringView line = doc.mid(from, at < 0 ? -1 : at - from);
            if (looksLikeHeading(line, syntax)) out += u'\\';
            out += line;
            out += eol;
            if (at < 0) break;
            from = at + 1;
        }
    }
    out += eol;
}

SourceResult parseLineEntries(QStringView text, LineSyntax syntax, const QDate& today,
                              const Progress& progress)
{
    const bool crlf = endsInCrLf(text);
    Reader reader(syntax, today);
    int number = 0;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype at = text.indexOf(u'\n', from);
        const qsizetype end = at < 0 ? text.size() : at;
        QStringView line = text.mid(from, end - from);
        if (crlf && at >= 0) line.chop(1);
        if (!reader.line(line, ++number)) return reader.result;
        from = end + 1;
        if ((number & 0x3fff) == 0 && progress && !progress(from, text.size())) {
            reader.result.stopped = true;
            return reader.result;
        }
    }
    reader.finish();
    checkDaysOnce(reader.result, today);
    return reader.result;
}

} // namespace drv::keep
