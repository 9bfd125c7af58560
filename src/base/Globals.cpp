#include "Globals.h"

namespace drv {

QString exeStem(const QString& executableName)
{
    QString s = executableName;
    if (s.right(3).toLower() == u"_dv") s.chop(3);
    return s;
}

} // namespace drv
