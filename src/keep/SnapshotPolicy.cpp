#include "SnapshotPolicy.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace drv::keep {

QString snapshotFileName(const QDateTime& taken, bool daily)
{
    const QString stamp =
        taken.toString(daily ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyyyMMdd-HHmmss"));
    return QStringLiteral("dbVesk-") + stamp + QStringLiteral(".mdb");
}

QDateTime snapshotTime(const QString& fileName, bool* daily)
{
    static const QRegularExpression re(QStringLiteral("^dbVesk-(\\d{8})(?:-(\\d{6}))?\\.mdb$"));
    const QRegularExpressionMatch m = re.match(fileName);
    if (!m.hasMatch()) return {};
    const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd"));
    const bool ofDay = !m.hasCaptured(2);
    const QTime time =
        ofDay ? QTime(0, 0) : QTime::fromString(m.captured(2), QStringLiteral("HHmmss"));
    if (daily) *daily = ofDay;
    if (!date.isValid() || !time.isValid()) return {};
    return QDateTime(date, time);
}

QList<QDateTime> snapshotsToDrop(const QList<QDateTime>& taken, const QDate& today)
{
    QList<QDateTime> newestFirst = taken;
    std::sort(newestFirst.begin(), newestFirst.end(), std::greater<>());
    const QDate yearAgo = today.addYears(-1);
    QSet<int> months; // year * 12 + month of those months that have their snapshot
    QList<QDateTime> drop;
    for (qsizetype i = 0; i < newestFirst.size(); ++i) {
        const QDate d = newestFirst.at(i).date();
        const int month = d.year() * 12 + d.month();
        const bool monthsNewest = d > yearAgo && !months.contains(month);
        if (d > yearAgo) months.insert(month);
        if (i >= kNewestKept && !monthsNewest) drop << newestFirst.at(i);
    }
    return drop;
}

} // namespace drv::keep
