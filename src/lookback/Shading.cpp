#include "Shading.h"

#include <QtGlobal>

#include <algorithm>

namespace drv::lookback {

int shadeStep(int chars, int yearMost)
{
    if (chars < 0) return 0;
    if (chars == 0 || yearMost <= 0) return 1;
    const qint64 step = (qint64(chars) * kShadeSteps + yearMost - 1) / yearMost;
    return int(std::clamp<qint64>(step, 1, kShadeSteps));
}

} // namespace drv::lookback
