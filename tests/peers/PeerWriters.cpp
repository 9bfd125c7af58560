#include "PeerWriters.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

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

void writeRedNotebook(const QString& folder, const QList<PeerDay>& days)
{
    QDir().mkpath(folder);
    QMap<QString, QList<PeerDay>> months;
    for (const PeerDay& d : days)
        months[d.date.toString(QStringLiteral("yyyy-MM"))] << d;
    for (auto it = months.cbegin(); it != months.cend(); ++it) {
        YAML::Emitter e;
        e << YAML::BeginMap;
        for (const PeerDay& d : *it) {
            e << YAML::Key << d.date.day() << YAML::Value << YAML::BeginMap;
            e << YAML::Key << "text" << YAML::Value << YAML::Literal << d.text.toStdString();
            e << YAML::EndMap;
        }
        e << YAML::EndMap;
        writeFile(folder + u'/' + it.key() + QStringLiteral(".txt"), QByteArray(e.c_str()) + '\n');
    }
}

void writeAlmanah(const QString& path, const QList<PeerDay>& days)
{
    QFile::remove(path);
    const QString name = QStringLiteral("drv_test_almanah_writer");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) qFatal("cannot open %s", qPrintable(path));
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE entries (year INTEGER, month INTEGER, day INTEGER, "
                              "content TEXT, is_important INTEGER, edited_year INTEGER, "
                              "edited_month INTEGER, edited_day INTEGER, version INTEGER "
                              "DEFAULT 1, PRIMARY KEY (year, month, day))"));
        q.exec(QStringLiteral(
            "CREATE TABLE entry_tag (year INTEGER, month INTEGER, day INTEGER, tag TEXT)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO entries (year, month, day, content, version) "
                                 "VALUES (?, ?, ?, ?, 2)"));
        for (const PeerDay& d : days) {
            q.addBindValue(d.date.year());
            q.addBindValue(d.date.month());
            q.addBindValue(d.date.day());
            q.addBindValue(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<entry "
                                          "xmlns=\"http://www.gnome.org/almanah-diary/entry/"
                                          "2.0/\">%1</entry>")
                               .arg(escaped(d.text)));
            if (!q.exec()) qFatal("cannot write %s", qPrintable(path));
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace drv::test
