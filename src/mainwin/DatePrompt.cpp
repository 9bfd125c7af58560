#include "DatePrompt.h"

#include "DateKey.h"

namespace drv {

QString ShiftYear(const QString& key, int years)
{
    const int yy = key.left(2).toInt() + years;
    const QString head = yy < 0 ? QString::number(yy) : QString::number(yy).rightJustified(2, u'0');
    return head + key.mid(2);
}

QString yearsBackKey(const QString& key, int years, const QDate& today)
{
    const QDate date = DateKey::toDate(key, today);
    if (!date.isValid()) return {};
    const QDate back = date.addYears(-years);
    const QString k = DateKey::fromDate(back);
    return DateKey::toDate(k, today) == back ? k : QString();
}

} // namespace drv
