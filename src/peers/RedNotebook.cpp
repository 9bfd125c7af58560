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

// One month file into the book; false with the reason in the result.
bool readMonth(const QString& path, int year, int month, DayBook& book, PeerResult& r)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.source.fail(0, QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), f.errorString()));
        return false;
    }
    const QByteArray bytes = f.readAll();
    try {
        const YAML::Node root = YAML::Load(bytes.toStdString());
        if (root.IsNull()) return true; // a month whose days were all emptied
        if (!root.IsMap()) throw YAML::Exception(root.Mark(), "not a map of days");
        for (const auto& item : root) {
            const int day = item.first.as<int>();
            const QDate date(year, month, day);
            if (!date.isValid()) throw YAML::Exception(item.first.Mark(), "not a day of the month");
            QString body = item.second.IsMap() ? text(item.second["text"]) : text(item.second);
            const QString categories = item.second.IsMap() ? categoryLines(item.second) : QString();
            if (!categories.isEmpty())
                body = body.trimmed().isEmpty()
                           ? categories
                           : body.trimmed() + QStringLiteral("\n\n") + categories;
            book.add(date, 0, titleOfText(body), body, body, item.first.Mark().line + 1);
        }
    } catch (const YAML::Exception& e) {
        r.source.fail(e.mark.line >= 0 ? e.mark.line + 1 : 0,
                      QStringLiteral("%1 が RedNotebook の月のファイルとして読めません (%2)")
                          .arg(QFileInfo(path).fileName(), QString::fromStdString(e.msg)));
        return false;
    }
    return true;
}

} // namespace

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
