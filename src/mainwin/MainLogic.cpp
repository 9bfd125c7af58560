#include "MainLogic.h"

#include "DateAnswer.h"

#include <algorithm>

namespace drv {

QString ShiftYear(const QString& key, int years)
{
    const int yy = key.left(2).toInt() + years;
    const QString head = yy < 0 ? QString::number(yy) : QString::number(yy).rightJustified(2, u'0');
    return head + key.mid(2);
}

int rowOfKey(const QString& listKeys, const QString& key)
{
    if (key.isEmpty()) return 0;
    const qsizetype at = listKeys.indexOf(key + u'.');
    if (at < 0) return 0;
    const int p = int(at) + 1;
    return (p + 6) / 7;
}

QDate parseDateAnswer(const QString& answer, const QDate& today)
{
    return jp::parseDateAnswer(answer, today);
}

Arrangement arrange(int W, int H, int cw, int ch, int th)
{
    Arrangement a;
    if (H - ch < 100) return a;
    a.apply = true;
    const int right = std::max(0, W - cw - 50);
    a.calendar = QRect(0, 0, cw, ch);
    a.list = QRect(0, ch, cw, H - ch);
    a.title = QRect(cw + 50, 0, right, th);
    a.editor = QRect(cw + 50, th, right, std::max(0, H - th));
    return a;
}

int columnsFromSetting(int stored)
{
    return stored >= 1 && stored <= 3 ? stored : 1;
}

} // namespace drv
