#include "RedNotebook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <yaml-cpp/yaml.h>

namespace drv::peers {

namespace {

const QRegularExpression& monthName()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{2})\\.txt$"));
    return re;
}

QString text(const YAML::Node& node)
{
    return node && node.IsScalar() ? QString::fromStdString(node.Scalar()) : QString();
}

// "category: entry, entry" for each category, or the bare name of one without entries
// (RedNotebook's tags).
QString categoryLines(const YAML::Node& day)
{
    QStringList lines;
    for (const auto& item : day) {
        const QString name = text(item.first);
        if (name == u"text") continue;
        QStringList entries;
        if (item.second.IsMap())
            for (const auto& entry : item.second)
                entries << text(entry.first);
        else if (item.second.IsScalar() && !item.second.Scalar().empty())
            entries << text(item.second);
        lines << (entries.isEmpty()
                      ? name
                      : name + QStringLiteral(": ") + entries.join(QStringLiteral(", ")));
    }
    return lines.join(u'\n');
}

// Every byte of a file read quickly: no control character but the line feed (no tab,
// no carriage return, nothing yaml-cpp's reader takes for the end), no byte order mark.
bool quickBytes(QByteArrayView b)
{
    bool control = false;
    for (const char c : b)
        control |= uchar(c) < 0x20 && c != '\n';
    return !control && !b.startsWith("\xEF\xBB\xBF");
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One line of a plain scalar that yaml-cpp reads as exactly those bytes: it starts with
// no indicator or blank, ends with no blank or colon, and holds no ": " or " #".
bool plainPiece(QByteArrayView v)
{
    return !v.isEmpty() && !QByteArrayView("-?:,[]{}#&*!|>'\"%@` ").contains(v.front()) &&
           v.back() != ' ' && v.back() != ':' && !v.contains(": ") && !v.contains(" #");
}

// A plain scalar from i on, as the day map's value: the rest of the line and the lines
// that follow it indented by more than the map (3 spaces or more), each joined to the
// one before by a space; no null. i ends at the line feed after it, or the end.
bool plainScalar(QByteArrayView b, qsizetype& i, int& line, QByteArray& out)
{
    const char* p = b.data();
    const qsizetype n = b.size();
    for (bool first = true;; first = false) {
        qsizetype end = b.indexOf('\n', i);
        if (end < 0) end = n;
        const QByteArrayView piece = b.sliced(i, end - i);
        if (!plainPiece(piece)) return false;
        if (!first) out += ' ';
        out += piece;
        i = end;
        // A line indented by three spaces or more goes on with the scalar.
        if (end == n || end + 3 >= n || p[end + 1] != ' ' || p[end + 2] != ' ' || p[end + 3] != ' ')
            break;
        i = end + 1;
        ++line;
        while (i < n && p[i] == ' ')
            ++i;
    }
    return out != "~" && out != "null" && out != "Null" && out != "NULL";
}

// A single-quoted scalar from its opening quote at i, read as yaml-cpp reads one: a
// line break between lines of text is a space, each empty line a line feed, the blanks
// around a break are dropped, '' is a quote, and the line feeds at its end are clipped
// to one. i ends after the closing quote; line counts the line feeds passed. False for a
// scalar without its end, or with a line that starts at the first column.
bool singleQuoted(QByteArrayView b, qsizetype& i, int& line, QByteArray& s)
{
    const char* p = b.data();
    const qsizetype n = b.size();
    qsizetype lastEscaped = -1;
    bool emptyLine = false;
    ++i;
    for (;;) {
        // Up to the end of the line or of the scalar.
        qsizetype lastNonBlank = s.size();
        qsizetype lineEnd = b.indexOf('\n', i);
        if (lineEnd < 0) lineEnd = n;
        for (;;) {
            qsizetype quote = b.sliced(0, lineEnd).indexOf('\'', i);
            const qsizetype to = quote < 0 ? lineEnd : quote;
            s.append(p + i, to - i);
            qsizetype last = to;
            while (last > i && p[last - 1] == ' ')
                --last;
            if (last > i) lastNonBlank = s.size() - (to - last);
            i = to;
            if (quote < 0) break;
            if (quote + 1 < n && p[quote + 1] == '\'') {
                s += '\'';
                lastNonBlank = lastEscaped = s.size();
                i = quote + 2;
                continue;
            }
            i = quote + 1; // the end
            // The line feeds at the end clipped to one.
            qsizetype pos = s.size() - 1;
            while (pos >= 0 && s.at(pos) == '\n')
                --pos;
            if (lastEscaped >= 0 && pos < lastEscaped) pos = lastEscaped;
            if (pos < 0)
                s.clear();
            else if (pos + 1 < s.size())
                s.truncate(pos + 2);
            return true;
        }
        if (lineEnd == n) return false; // no end
        s.truncate(lastNonBlank);
        i = lineEnd + 1;
        ++line;
        const qsizetype from = i;
        while (i < n && p[i] == ' ')
            ++i;
        const bool nextEmpty = i < n && p[i] == '\n';
        if (i == from && !nextEmpty) return false; // a line at the first column
        if (nextEmpty)
            s += '\n';
        else if (!emptyLine)
            s += ' ';
        emptyLine = nextEmpty;
    }
}

QString sourceText(const YAML::Node& day)
{
    QString body = day.IsMap() ? text(day["text"]) : text(day);
    const QString categories = day.IsMap() ? categoryLines(day) : QString();
    if (categories.isEmpty()) return body;
    return body.trimmed().isEmpty() ? categories
                                    : body.trimmed() + QStringLiteral("\n\n") + categories;
}

// One month file into the book; false with the reason in the result.
bool readMonth(const QString& path, int year, int month, DayBook& book, PeerResult& r)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.source.fail(0, QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), f.errorString()));
        return false;
    }
    const QByteArray bytes = f.readAll();
    QList<MonthDay> days;
    bool quick = quickMonthDays(bytes, days);
    for (const MonthDay& d : std::as_const(days))
        quick = quick && QDate(year, month, d.day).isValid();
    QString reason;
    int line = 0;
    if (!quick && !yamlMonthDays(bytes, year, month, days, reason, line)) {
        r.source.fail(line, QStringLiteral("%1 が RedNotebook の月のファイルとして読めません (%2)")
                                .arg(QFileInfo(path).fileName(), reason));
        return false;
    }
    for (const MonthDay& d : std::as_const(days))
        book.add(QDate(year, month, d.day), 0, titleOfText(d.text), d.text, 0, d.line);
    return true;
}

} // namespace

bool quickMonthDays(QByteArrayView bytes, QList<MonthDay>& days)
{
    days.clear();
    if (bytes.isEmpty() || !quickBytes(bytes)) return false;
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    constexpr QByteArrayView kText = "  text: ";
    quint64 seen = 0;
    int line = 1;
    for (qsizetype i = 0; i < n;) {
        // "8:" or "31:" alone on its line, the day's map of "text" on the next.
        qsizetype j = i;
        int day = 0;
        while (j < n && j - i < 2 && isDigit(p[j]))
            day = day * 10 + (p[j++] - '0');
        if (j == i || p[i] == '0' || day > 31 ||
            bytes.sliced(j).first(std::min<qsizetype>(2, n - j)) != ":\n" ||
            (seen & (quint64(1) << day)) != 0) {
            days.clear();
            return false;
        }
        seen |= quint64(1) << day;
        const int keyLine = line++;
        i = j + 2;
        QByteArray scalar;
        bool ok = bytes.sliced(i).startsWith(kText);
        if (ok) {
            i += kText.size();
            ok = i < n && p[i] == '\'' ? singleQuoted(bytes, i, line, scalar)
                                       : plainScalar(bytes, i, line, scalar);
        }
        // Nothing after it on its line.
        if (!ok || (i < n && p[i] != '\n')) {
            days.clear();
            return false;
        }
        if (i < n) {
            ++i;
            ++line;
        }
        days << MonthDay{day, QString::fromUtf8(scalar), keyLine};
    }
    return true;
}

bool yamlMonthDays(const QByteArray& bytes, int year, int month, QList<MonthDay>& days,
                   QString& reason, int& line)
{
    days.clear();
    try {
        const YAML::Node root = YAML::Load(bytes.toStdString());
        if (root.IsNull()) return true; // a month whose days were all emptied
        if (!root.IsMap()) throw YAML::Exception(root.Mark(), "not a map of days");
        for (const auto& item : root) {
            const int day = item.first.as<int>();
            if (!QDate(year, month, day).isValid())
                throw YAML::Exception(item.first.Mark(), "not a day of the month");
            days << MonthDay{day, sourceText(item.second), item.first.Mark().line + 1};
        }
    } catch (const YAML::Exception& e) {
        days.clear();
        reason = QString::fromStdString(e.msg);
        line = e.mark.line >= 0 ? e.mark.line + 1 : 0;
        return false;
    }
    return true;
}

bool isRedNotebookMonthName(const QString& fileName)
{
    const auto m = monthName().match(fileName);
    return m.hasMatch() && m.captured(2).toInt() >= 1 && m.captured(2).toInt() <= 12;
}

bool looksLikeRedNotebookMonth(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    static const QRegularExpression firstLine(QStringLiteral("^(\\d{1,2}:|\\{)"));
    return firstLine.match(QString::fromUtf8(f.readLine(200))).hasMatch();
}

PeerResult readRedNotebook(const QString& folder, const QDate& today,
                           const keep::Progress& progress)
{
    PeerResult r;
    QStringList months;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        if (isRedNotebookMonthName(name)) months << name;
    if (months.isEmpty()) {
        r.source.fail(0, QStringLiteral("%1 に RedNotebook の月のファイル (2026-12.txt など) "
                                        "がありません")
                             .arg(folder));
        return r;
    }
    DayBook book(today);
    for (qsizetype i = 0; i < months.size(); ++i) {
        if (progress && !progress(i, months.size())) {
            r.source.stopped = true;
            return r;
        }
        const auto m = monthName().match(months.at(i));
        if (!readMonth(QDir(folder).filePath(months.at(i)), m.captured(1).toInt(),
                       m.captured(2).toInt(), book, r))
            return r;
    }
    return book.finish();
}

} // namespace drv::peers
