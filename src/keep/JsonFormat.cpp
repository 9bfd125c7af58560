#include "JsonFormat.h"

#include "DateKey.h"

namespace drv::keep {

namespace {

void appendString(QString& out, QStringView s)
{
    static const char16_t* const kHex = u"0123456789abcdef";
    out += u'"';
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            // Controls, and the two separators that end a line in some readers.
            if (u < 0x20 || u == 0x2028 || u == 0x2029) {
                out += QStringLiteral("\\u");
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += QChar(kHex[(u >> shift) & 0xf]);
            } else {
                out += c;
            }
        }
    }
    out += u'"';
}

class Parser {
public:
    Parser(QStringView text, const QDate& today, const Progress& progress)
        : s_(text), today_(today), progress_(progress)
    {
    }

    SourceResult run()
    {
        space();
        if (!expect(u'[')) return result_;
        space();
        if (peek(u']')) {
            ++at_;
        } else {
            for (;;) {
                if (!entry()) return result_;
                space();
                if (peek(u',')) {
                    ++at_;
                    continue;
                }
                if (!expect(u']', QStringLiteral("「,」か「]」"))) return result_;
                break;
            }
        }
        space();
        if (at_ < s_.size()) fail(QStringLiteral("配列の終わり ] のあとに何かあります"));
        if (result_.ok()) checkDaysOnce(result_, today_);
        return result_;
    }

private:
    bool entry()
    {
        space();
        const int line = line_;
        if (!expect(u'{')) return false;
        QString key, date, title, body;
        bool hasKey = false, hasDate = false;
        space();
        if (peek(u'}')) {
            ++at_;
        } else {
            for (;;) {
                space();
                QString name;
                if (!string(name)) return false;
                space();
                if (!expect(u':')) return false;
                space();
                bool ok = true;
                if (name == u"key")
                    ok = text(key, hasKey);
                else if (name == u"date")
                    ok = text(date, hasDate);
                else if (name == u"title")
                    ok = text(title);
                else if (name == u"body")
                    ok = text(body);
                else
                    ok = skipValue(0);
                if (!ok) return false;
                space();
                if (peek(u',')) {
                    ++at_;
                    continue;
                }
                if (!expect(u'}', QStringLiteral("「,」か「}」"))) return false;
                break;
            }
        }
        ImportedEntry e;
        e.line = line;
        if (!day(hasKey, key, hasDate, date, e.entry.skYmn, line)) return false;
        e.entry.szTtl = title;
        e.entry.szDoc = body;
        result_.entries << e;
        if ((result_.entries.size() & 0x3ff) == 0 && progress_ && !progress_(at_, s_.size())) {
            result_.stopped = true;
            return false;
        }
        return true;
    }

    bool day(bool hasKey, const QString& key, bool hasDate, const QString& date, QString& out,
             int line)
    {
        QString error;
        if (!hasKey && !hasDate) {
            result_.fail(line, QStringLiteral("日記に \"key\" も \"date\" もありません"));
            return false;
        }
        if (hasKey && !DateKey::isKey(key)) {
            result_.fail(
                line, QStringLiteral("\"key\" の \"%1\" は yymmdd の6桁ではありません").arg(key));
            return false;
        }
        QString fromDate;
        if (hasDate && !keyOfDayToken(date, today_, fromDate, error)) {
            result_.fail(line, error);
            return false;
        }
        if (hasKey && hasDate && key != fromDate) {
            result_.fail(
                line,
                QStringLiteral("\"key\" の %1 と \"date\" の %2 が合いません").arg(key, date));
            return false;
        }
        out = hasKey ? key : fromDate;
        return true;
    }

    // A string, or null for an absent value.
    bool text(QString& value, bool& present)
    {
        if (s_.mid(at_).startsWith(u"null")) {
            at_ += 4;
            present = false;
            return true;
        }
        present = true;
        return string(value);
    }
    bool text(QString& value)
    {
        bool present = false;
        return text(value, present);
    }

    bool string(QString& value)
    {
        value.clear();
        if (!expect(u'"')) return false;
        qsizetype run = at_; // start of the characters taken as they are
        for (;;) {
            if (at_ >= s_.size()) return fail(QStringLiteral("文字列が閉じていません"));
            const QChar c = s_[at_];
            if (c == u'"') {
                value += s_.mid(run, at_ - run);
                ++at_;
                return true;
            }
            if (c.unicode() < 0x20)
                return fail(
                    QStringLiteral("文字列の中に改行や制御文字があります (\\n と書きます)"));
            if (c != u'\\') {
                ++at_;
                continue;
            }
            value += s_.mid(run, at_ - run);
            if (!escape(value)) return false;
            run = at_;
        }
    }

    bool escape(QString& value)
    {
        if (++at_ >= s_.size()) return fail(QStringLiteral("文字列が閉じていません"));
        const char16_t c = s_[at_++].unicode();
        switch (c) {
        case u'"':
        case u'\\':
        case u'/':
            value += QChar(c);
            return true;
        case u'n':
            value += u'\n';
            return true;
        case u'r':
            value += u'\r';
            return true;
        case u't':
            value += u'\t';
            return true;
        case u'b':
            value += u'\b';
            return true;
        case u'f':
            value += u'\f';
            return true;
        case u'u': {
            if (at_ + 4 > s_.size()) break;
            bool ok = false;
            const ushort u = s_.mid(at_, 4).toUShort(&ok, 16);
            if (!ok) break;
            at_ += 4;
            value += QChar(u);
            return true;
        }
        default:
            break;
        }
        return fail(QStringLiteral("文字列の \\ のあとが正しくありません"));
    }

    // Any value, for the members the diary does not use.
    bool skipValue(int depth)
    {
        if (depth > 64) return fail(QStringLiteral("入れ子が深すぎます"));
        space();
        if (at_ >= s_.size()) return fail(QStringLiteral("値がありません"));
        const QChar c = s_[at_];
        if (c == u'"') {
            QString ignored;
            return string(ignored);
        }
        if (c == u'[' || c == u'{') {
            const QChar close = c == u'[' ? u']' : u'}';
            ++at_;
            space();
            if (peek(close)) {
                ++at_;
                return true;
            }
            for (;;) {
                if (c == u'{') {
                    QString ignored;
                    space();
                    if (!string(ignored)) return false;
                    space();
                    if (!expect(u':')) return false;
                }
                if (!skipValue(depth + 1)) return false;
                space();
                if (peek(u',')) {
                    ++at_;
                    continue;
                }
                return expect(close);
            }
        }
        const qsizetype from = at_;
        while (at_ < s_.size() && (s_[at_].isLetterOrNumber() || s_[at_] == u'-' ||
                                   s_[at_] == u'+' || s_[at_] == u'.'))
            ++at_;
        const QStringView word = s_.mid(from, at_ - from);
        bool number = false;
        (void)word.toDouble(&number);
        if (number || word == u"true" || word == u"false" || word == u"null") return true;
        at_ = from;
        return fail(QStringLiteral("値が正しくありません"));
    }

    void space()
    {
        while (at_ < s_.size()) {
            const QChar c = s_[at_];
            if (c == u'\n')
                ++line_;
            else if (c != u' ' && c != u'\t' && c != u'\r')
                break;
            ++at_;
        }
    }

    bool peek(QChar c) const { return at_ < s_.size() && s_[at_] == c; }

    bool expect(QChar c, const QString& wanted = QString())
    {
        if (peek(c)) {
            ++at_;
            return true;
        }
        const QString found = at_ < s_.size() ? QStringLiteral("「%1」").arg(s_[at_])
                                              : QStringLiteral("ファイルの終わり");
        return fail(QStringLiteral("%1が要るところに%2があります")
                        .arg(wanted.isEmpty() ? QStringLiteral("「%1」").arg(c) : wanted, found));
    }

    bool fail(const QString& text)
    {
        result_.fail(line_, QStringLiteral("JSON として読めません: ") + text);
        return false;
    }

    QStringView s_;
    QDate today_;
    const Progress& progress_;
    qsizetype at_ = 0;
    int line_ = 1;
    SourceResult result_;
};

} // namespace

QStringView jsonOpening()
{
    return u"[\n";
}

QStringView jsonClosing()
{
    return u"\n]\n";
}

void appendJsonEntry(QString& out, const DiaryEntry& entry, const QDate& today, bool first)
{
    if (!first) out += QStringLiteral(",\n");
    out += QStringLiteral("{\"key\":");
    appendString(out, entry.skYmn);
    out += QStringLiteral(",\"date\":");
    const QDate date = DateKey::toDate(entry.skYmn, today);
    if (date.isValid())
        appendString(out, date.toString(Qt::ISODate));
    else
        out += QStringLiteral("null");
    out += QStringLiteral(",\"title\":");
    appendString(out, entry.szTtl);
    out += QStringLiteral(",\"body\":");
    appendString(out, entry.szDoc);
    out += u'}';
}

} // namespace drv::keep

namespace drv::keep {

SourceResult parseJsonEntries(QStringView text, const QDate& today, const Progress& progress)
{
    return Parser(text, today, progress).run();
}

} // namespace drv::keep
