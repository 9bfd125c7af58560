#include "MainWindow.h"

#include "fmTxt.h"

namespace drv::test {

fmTxt* openMainWindow(QSize size)
{
    auto* w = new fmTxt;
    if (!w->Form_Load()) {
        delete w;
        return nullptr;
    }
    if (size.isValid()) w->resize(size);
    w->show();
    return w;
}

} // namespace drv::test
