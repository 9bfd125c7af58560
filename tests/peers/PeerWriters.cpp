#include "PeerWriters.h"

#include "SqlQuery.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QVariant>

#include <sqlite3.h>
#include <yaml-cpp/yaml.h>

namespace drv::test {

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

quint32 packed(const QDate& d, int order)
{
    return (quint32(d.year()) << 19) | (quint32(d.month()) << 15) | (quint32(d.day()) << 10) |
           quint32(order);
}

QString escaped(QString s)
{
    return s.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
}

// PyYAML's judgement of a text as a scalar of a block mapping's value (allow_unicode).
bool pyPrintable(uint c)
{
    return c == u'\n' || (c >= 0x20 && c <= 0x7E) || c == 0x85 || (c >= 0xA0 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD && c != 0xFEFF) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool pyBreak(uint c)
{
    return c == u'\n' || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The plain style, for one line that no YAML type would read as anything but a string
// (it holds a character past ASCII) and that starts and holds no indicator.
bool pyPlain(const QList<uint>& t)
{
    if (t.isEmpty() || t.first() == u' ' || t.last() == u' ' || t.last() == u':') return false;
    if (QStringView(u"-?:,[]{}#&*!|>'\"%@`").contains(QChar(char16_t(t.first())))) return false;
    bool wide = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!pyPrintable(t[i]) || pyBreak(t[i])) return false;
        if (i + 1 < t.size() &&
            ((t[i] == u':' && t[i + 1] == u' ') || (t[i] == u' ' && t[i + 1] == u'#')))
            return false;
        wide = wide || t[i] > 0x7F;
    }
    return wide;
}

bool pySingleQuoted(const QList<uint>& t)
{
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!pyPrintable(t[i]) || (t[i] != u'\n' && pyBreak(t[i]))) return false;
        if (i + 1 < t.size() &&
            ((t[i] == u' ' && t[i + 1] == u'\n') || (t[i] == u'\n' && t[i + 1] == u' ')))
            return false;
    }
    return true;
}

QByteArray utf8(const QList<uint>& t, qsizetype from, qsizetype to)
{
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(t.constData()) + from, to - from)
        .toUtf8();
}

// PyYAML's writers of the two styles (best width 80, the value's lines indented by 4),
// after "  text: ".
QByteArray pyYamlScalar(const QString& text)
{
    constexpr qsizetype kWidth = 80;
    const QByteArray indent = "\n    ";
    const QList<uint> t = text.toUcs4();
    const bool plain = pyPlain(t);
    if (!plain && !pySingleQuoted(t)) {
        YAML::Emitter e;
        e << YAML::DoubleQuoted << text.toStdString();
        return e.c_str();
    }
    QByteArray out = plain ? "" : "'";
    qsizetype column = plain ? 8 : 9;
    bool spaces = false, breaks = false;
    qsizetype start = 0;
    const qsizetype n = t.size();
    for (qsizetype end = 0; end <= n; ++end) {
        const uint ch = end < n ? t[end] : 0;
        if (spaces) {
            if (end == n || ch != u' ') {
                if (start + 1 == end && column > kWidth && (plain || (start != 0 && end != n))) {
                    out += indent;
                    column = 4;
                } else {
                    out += utf8(t, start, end);
                    column += end - start;
                }
                start = end;
            }
        } else if (breaks) {
            if (end == n || ch != u'\n') {
                out += '\n';
                for (qsizetype i = start; i < end; ++i)
                    out += '\n';
                out += "    ";
                column = 4;
                start = end;
            }
        } else if (end == n || ch == u' ' || ch == u'\'' || ch == u'\n') {
            out += utf8(t, start, end);
            column += end - start;
            start = end;
        }
        if (!plain && ch == u'\'') {
            out += "''";
            column += 2;
            start = end + 1;
        }
        if (end < n) {
            spaces = ch == u' ';
            breaks = ch == u'\n';
        }
    }
    return plain ? out : out + '\'';
}

} // namespace

void writeLifeograph(const QString& path, const QList<PeerDay>& days, int undated)
{
    QByteArray out = "LIFEOGRAPHDB\nV 2000\nE n\nId1753500\n\nDo_2891\nDf1\nDl404\n\n"
                     "ID5399311\nC ADefault\n";
    int id = 10000;
    auto entry = [&](quint32 date, const QString& text) {
        out += "\nID" + QByteArray::number(id++) + "\nE __n_" + QByteArray::number(date) +
               "\nEc1796696007\nEe1796696017\nEt1796696007\n";
        for (const QString& p : text.split(u'\n'))
            out += "Ep<" + p.toUtf8() + '\n';
    };
    for (const PeerDay& d : days)
        entry(packed(d.date, d.order), d.text);
    for (int i = 0; i < undated; ++i)
        entry(0xC0000400u + quint32(i), QStringLiteral("番号の記事 %1").arg(i));
    writeFile(path, out);
}

QByteArray redNotebookMonth(const QList<PeerDay>& days, YamlLayout layout)
{
    if (layout == YamlLayout::RedNotebook) {
        QMap<int, QString> sorted; // the library writes a map's keys in order
        for (const PeerDay& d : days)
            sorted.insert(d.date.day(), d.text);
        QByteArray out;
        for (auto it = sorted.cbegin(); it != sorted.cend(); ++it)
            out += QByteArray::number(it.key()) + ":\n  text: " + pyYamlScalar(*it) + '\n';
        return out;
    }
    YAML::Emitter e;
    e << YAML::BeginMap;
    for (const PeerDay& d : days) {
        e << YAML::Key << d.date.day() << YAML::Value << YAML::BeginMap;
        e << YAML::Key << "text" << YAML::Value << YAML::Literal << d.text.toStdString();
        e << YAML::EndMap;
    }
    e << YAML::EndMap;
    return QByteArray(e.c_str()) + '\n';
}

void writeRedNotebook(const QString& folder, const QList<PeerDay>& days, YamlLayout layout)
{
    QDir().mkpath(folder);
    QMap<QString, QList<PeerDay>> months;
    for (const PeerDay& d : days)
        months[d.date.toString(QStringLiteral("yyyy-MM"))] << d;
    for (auto it = months.cbegin(); it != months.cend(); ++it)
        writeFile(folder + u'/' + it.key() + QStringLiteral(".txt"), redNotebookMonth(*it, layout));
}

void writeAlmanah(const QString& path, const QList<PeerDay>& days)
{
    QFile::remove(path);
    sql::Connection c;
    QString reason;
    if (!c.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, reason))
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(reason));
    sqlite3* db = c.handle();
    sql::quietRun(db, QStringLiteral("CREATE TABLE entries (year INTEGER, month INTEGER, "
                                     "day INTEGER, content TEXT, is_important INTEGER, "
                                     "edited_year INTEGER, edited_month INTEGER, edited_day "
                                     "INTEGER, version INTEGER DEFAULT 1, PRIMARY KEY (year, "
                                     "month, day))"));
    sql::quietRun(
        db, QStringLiteral("CREATE TABLE entry_tag (year INTEGER, month INTEGER, day INTEGER, "
                           "tag TEXT)"));
    sql::quietRun(db, QStringLiteral("BEGIN"));
    sql::Query q(db, QStringLiteral("INSERT INTO entries (year, month, day, content, version) "
                                    "VALUES (?, ?, ?, ?, 2)"));
    for (const PeerDay& d : days) {
        q.reset();
        q.bind(d.date.year()).bind(d.date.month()).bind(d.date.day());
        q.bind(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<entry "
                              "xmlns=\"http://www.gnome.org/almanah-diary/entry/"
                              "2.0/\">%1</entry>")
                   .arg(escaped(d.text))
                   .toUtf8());
        if (!q.run()) qFatal("cannot write %s: %s", qPrintable(path), qPrintable(q.lastError()));
    }
    q.reset();
    sql::quietRun(db, QStringLiteral("COMMIT"));
}

} // namespace drv::test
