#include "DayText.h"

#include <QCryptographicHash>
#include <QStringDecoder>

namespace drv::mirror {

namespace {

bool isHeading(QStringView line)
{
    return line == u"#" || line.startsWith(u"# ");
}

} // namespace

QString normalized(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    qsizetype end = t.size();
    while (end > 0 && t.at(end - 1) == u'\n')
        --end;
    if (end == 0) return {};
    t.truncate(end);
    t = t.normalized(QString::NormalizationForm_C);
    t += u'\n';
    return t;
}

bool decodeDayFile(const QByteArray& bytes, QString& text)
{
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QStringDecoder dec(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = dec.decode(QByteArrayView(bytes).sliced(bom));
    if (dec.hasError()) return false;
    text = normalized(decoded);
    return true;
}

QString dayFileText(const DiaryEntry& entry)
{
    QString title = entry.szTtl;
    title.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    title.replace(u'\r', u' ');
    title.replace(u'\n', u' ');
    const QString body = normalized(entry.szDoc);
    if (title.isEmpty() && !isHeading(QStringView(body).left(body.indexOf(u'\n')))) return body;
    const QString heading = title.isEmpty() ? QStringLiteral("#") : QStringLiteral("# ") + title;
    return normalized(body.isEmpty() ? heading : heading + QStringLiteral("\n\n") + body);
}

DiaryEntry entryOfText(const QString& text, const QString& key)
{
    DiaryEntry e;
    e.skYmn = key;
    QString rest = text;
    if (rest.endsWith(u'\n')) rest.chop(1);
    const qsizetype eol = rest.indexOf(u'\n');
    const QStringView first = QStringView(rest).left(eol);
    if (!isHeading(first)) {
        e.szDoc = rest;
        return e;
    }
    e.szTtl = first.size() > 2 ? first.sliced(2).toString() : QString();
    if (eol < 0) return e;
    QStringView body = QStringView(rest).sliced(eol + 1);
    if (body.startsWith(u'\n')) body = body.sliced(1);
    e.szDoc = body.toString();
    return e;
}

QByteArray digestOf(const QString& normalizedText)
{
    if (normalizedText.isEmpty()) return {};
    return QCryptographicHash::hash(normalizedText.toUtf8(), QCryptographicHash::Blake2b_160);
}

} // namespace drv::mirror
