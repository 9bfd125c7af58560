#include "EntryHeads.h"

#include "Era.h"
#include "Holidays.h"

namespace drv::print {

namespace {

// The era's year, or the Gregorian year when the date has no era year.
QString yearOf(const QDate& date, bool wareki)
{
    if (wareki) {
        const jp::EraYear e = jp::eraYearOf(date);
        if (!e.era.isEmpty())
            return e.era + (e.year == 1 ? QStringLiteral("元") : QString::number(e.year)) + u'年';
    }
    return QString::number(date.year()) + u'年';
}

} // namespace

QString dateHeading(const QDate& date, bool wareki, bool holiday)
{
    static const QString weekdays = QStringLiteral("月火水木金土日");
    QString text = yearOf(date, wareki) + QString::number(date.month()) + u'月' +
                   QString::number(date.day()) + QStringLiteral("日（") +
                   weekdays[date.dayOfWeek() - 1] + u'）';
    if (holiday) {
        const QString name = jp::holidayName(date);
        if (!name.isEmpty()) text += u'　' + name;
    }
    return text;
}

QString monthHeading(const QDate& date, bool wareki)
{
    return yearOf(date, wareki) + QString::number(date.month()) + u'月';
}

} // namespace drv::print
