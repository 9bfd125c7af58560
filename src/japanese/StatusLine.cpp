#include "StatusLine.h"

#include "CharCount.h"
#include "Era.h"
#include "Holidays.h"

namespace drv::jp {

QString dayStatusText(const QDate& date)
{
    const QString holiday = holidayName(date);
    const QString day = eraDateText(date);
    return holiday.isEmpty() ? day : day + u'\u3000' + holiday;
}

QString countStatusText(QStringView body, QStringView selection)
{
    const qsizetype selected = selection.isEmpty() ? 0 : countCharacters(selection);
    return countText(countCharacters(body), selected);
}

} // namespace drv::jp
