#include "DatePrompt.h"

namespace drv {

QString ShiftYear(const QString& key, int years)
{
    const int yy = key.left(2).toInt() + years;
    const QString head = yy < 0 ? QString::number(yy) : QString::number(yy).rightJustified(2, u'0');
    return head + key.mid(2);
}

} // namespace drv
