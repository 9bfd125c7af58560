#include "MonthListKeys.h"

namespace drv {

int rowOfKey(const QString& listKeys, const QString& key)
{
    if (key.isEmpty()) return 0;
    const qsizetype at = listKeys.indexOf(key + u'.');
    if (at < 0) return 0;
    const int p = int(at) + 1;
    return (p + 6) / 7;
}

} // namespace drv
