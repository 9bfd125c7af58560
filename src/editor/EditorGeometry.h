#pragma once

#include <QRect>
#include <QSize>

namespace drv {

// Where the editing widget sits inside a component of the given client size: 60 twips
// from the left, 100 from the top, 40 from the right and 50 from the bottom. A component
// smaller than its margins gives the widget no width or no height.
QRect editorGeometry(QSize clientPixels, double dpiX, double dpiY);

} // namespace drv
