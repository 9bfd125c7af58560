#include "DateKey.h"

namespace drv::DateKey {

QString fromDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyMMdd"));
}

QString display(const QString& key)
{
    return key.left(2) + u'/' + key.mid(2, 2) + u'/' + key.mid(4);
}

QString fromDisplay(const QString& text)
{
    QString k = text;
    return k.remove(u'/');
}

QString monthPrefix(const QDate& date)
{
    return date.toString(QStringLiteral("yyMM"));
}

int fullYear(int yy, const QDate& today)
{
    const int last = today.year() + 20;
    const int year = last - ((last - yy) % 100 + 100) % 100;
    return year;
}

QString pivot(const QDate& today)
{
    return QString::number((today.year() + 20) % 100).rightJustified(2, u'0');
}

bool isKey(const QString& text)
{
    if (text.size() != 6) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QDate toDate(const QString& key, const QDate& today)
{
    if (!isKey(key)) return {};
    return QDate(fullYear(key.left(2).toInt(), today), key.mid(2, 2).toInt(), key.mid(4).toInt());
}

QString fromNumber(qint64 n)
{
    return QString::number(n).rightJustified(6, u'0');
}

} // namespace drv::DateKey
