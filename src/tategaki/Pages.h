#pragma once
// Lines (horizontal lines or vertical columns) laid on pages one after another along the
// page: top to bottom, or right to left.

#include <QList>
#include <QtGlobal>

namespace drv::tate {

struct Line {
    qreal extent = 0;          // how much of the page it takes across its direction
    bool pageBefore = false;   // starts a new page (unless the page is still empty)
    bool keepWithNext = false; // stays on the page of the line after it
    bool dropAtTop = false;    // space between entries: left out at the top of a page
};

struct Slot {
    int page = -1;   // -1: left out
    qreal start = 0; // from the page's first edge (top, or right for columns)
};

// Where each line goes on pages that hold `capacity`. A chain of keepWithNext lines
// moves to a new page whole when it does not fit where it would start, unless it is
// longer than a page; a line that does not fit goes to the next page.
QList<Slot> paginate(const QList<Line>& lines, qreal capacity);

} // namespace drv::tate
