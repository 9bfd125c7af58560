#include "MainView.h"

namespace drv {

namespace {
MainView* g_view = nullptr;
}

MainView* mainView()
{
    return g_view;
}

void setMainView(MainView* view)
{
    g_view = view;
}

} // namespace drv
