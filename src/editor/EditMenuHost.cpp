#include "EditMenuHost.h"

namespace drv {

namespace {
EditMenuHost* installedHost = nullptr;
}

EditMenuHost* editMenuHost()
{
    return installedHost;
}

void setEditMenuHost(EditMenuHost* host)
{
    installedHost = host;
}

} // namespace drv
