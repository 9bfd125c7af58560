#include "MainLayout.h"

#include <algorithm>

namespace drv {

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
