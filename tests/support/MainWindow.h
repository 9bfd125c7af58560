#pragma once
// The main window started as the program starts it, for the tests of the windows.

#include <QSize>

namespace drv {
class fmTxt;
}

namespace drv::test {

// Makes the main window, loads it (Form_Load) and shows it; resized to `size` before it
// is shown when one is given. The caller owns the window. Null when the load fails.
fmTxt* openMainWindow(QSize size = {});

} // namespace drv::test
