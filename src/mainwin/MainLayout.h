#pragma once
// The main window's layout arithmetic, in twips.

#include <QRect>

namespace drv {

// Where the four controls go, in twips, for a client area of W x H, a calendar of
// cw x ch and a title box th high.
struct Arrangement {
    bool apply = false; // false: the area is too low; leave everything where it is
    QRect calendar, list, title, editor;
};
Arrangement arrange(int W, int H, int cw, int ch, int th);

// The calendar column count a stored value selects: 1 to 3 as stored, anything else 1.
int columnsFromSetting(int stored);

} // namespace drv
