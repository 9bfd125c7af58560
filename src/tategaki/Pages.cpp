#include "Pages.h"

namespace drv::tate {

QList<Slot> paginate(const QList<Line>& lines, qreal capacity)
{
    QList<Slot> slots(lines.size());
    int page = 0;
    qreal used = 0;
    bool empty = true;
    auto newPage = [&] {
        if (empty) return;
        ++page;
        used = 0;
        empty = true;
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.pageBefore) newPage();
        if (line.dropAtTop && empty) continue;
        // The chain that must share this line's page, if it starts here.
        qreal chain = line.extent;
        if (i == 0 || !lines[i - 1].keepWithNext)
            for (qsizetype k = i; k + 1 < lines.size() && lines[k].keepWithNext; ++k)
                chain += lines[k + 1].extent;
        if (used + line.extent > capacity || (chain <= capacity && used + chain > capacity)) {
            newPage();
            if (line.dropAtTop) continue;
        }
        slots[i] = {page, used};
        used += line.extent;
        empty = false;
    }
    return slots;
}

} // namespace drv::tate
