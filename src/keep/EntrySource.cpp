#include "EntrySource.h"

#include "DateKey.h"

#include <QHash>

namespace drv::keep {

QString dayToken(const QString& key, const QDate& today)
{
    const QDate date = DateKey::toDate(key, today);
    return date.isValid() ? date.toString(Qt::ISODate) : key;
}

bool keyOfDayToken(QStringView token, const QDate& today, QString& key, QString& error)
{
    const QString text = token.toString();
    if (DateKey::isKey(text)) {
        key = text;
        return true;
    }
    const QDate date = token.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
    if (!date.isValid()) {
        error = QStringLiteral("日付 \"%1\" が読めません (2026-12-07 の形で書きます)").arg(text);
        return false;
    }
    // Two-digit keys hold only the window's hundred years.
    const int last = DateKey::fullYear((today.year() + 20) % 100, today);
    if (date.year() > last || date.year() < last - 99) {
        error = QStringLiteral("%1 は %2 年から %3 年までの日付ではありません")
                    .arg(text)
                    .arg(last - 99)
                    .arg(last);
        return false;
    }
    key = DateKey::fromDate(date);
    return true;
}

void checkDaysOnce(SourceResult& result, const QDate& today)
{
    QHash<QString, int> lineOf;
    lineOf.reserve(result.entries.size());
    for (const ImportedEntry& e : result.entries) {
        const auto it = lineOf.constFind(e.entry.skYmn);
        if (it != lineOf.constEnd()) {
            result.fail(e.line, QStringLiteral("%1 の日記が二度あります (初めは %2 行目)")
                                    .arg(dayToken(e.entry.skYmn, today))
                                    .arg(*it));
            return;
        }
        lineOf.insert(e.entry.skYmn, e.line);
    }
}

} // namespace drv::keep
