#include "Twips.h"

#include <cmath>

namespace drv {

int roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double rest = value - below;
    double result = below;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) result += 1.0;
    return static_cast<int>(result);
}

int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int pixelsToTwips(int pixels, double dpi)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

} // namespace drv
