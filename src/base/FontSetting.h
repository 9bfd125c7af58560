#pragma once

#include <QString>

namespace drv {

// One of the two font presets: 0 for titles, 1 for bodies.
struct FontSetting {
    QString name;
    int size = 0;
    bool bold = false;
};

} // namespace drv
