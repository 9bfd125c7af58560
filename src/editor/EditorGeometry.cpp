#include "EditorGeometry.h"

#include "Twips.h"

#include <algorithm>

namespace drv {

QRect editorGeometry(QSize clientPixels, double dpiX, double dpiY)
{
    const int widthTwips = std::max(0, pixelsToTwips(clientPixels.width(), dpiX) - 100);
    const int heightTwips = std::max(0, pixelsToTwips(clientPixels.height(), dpiY) - 150);
    return QRect(twipsToPixels(60, dpiX), twipsToPixels(100, dpiY), twipsToPixels(widthTwips, dpiX),
                 twipsToPixels(heightTwips, dpiY));
}

} // namespace drv
