#include "SetIme.h"

#include "SessionIme.h"

#include <QCoreApplication>
#include <QPointer>

namespace drv {

namespace {

ImeBackend* installedBackend = nullptr;

// Made on first use and owned by the application, so it goes before the bus connections do.
ImeBackend* programBackend()
{
    if (installedBackend) return installedBackend;
    static QPointer<SessionIme> session;
    if (!session && QCoreApplication::instance())
        session = SessionIme::onSessionBus(QCoreApplication::instance());
    return session.data();
}

} // namespace

int imeConversionFor(int mode, int current)
{
    switch (mode) {
    case 1:
        return 25;
    case 2:
        return 27;
    case 3:
        return 24;
    case 4:
        return 19;
    case 5:
        return 16;
    default:
        return current;
    }
}

void SetIme(int mode, ImeBackend& backend)
{
    if (!backend.hasContext()) return;
    if (mode == 0) {
        backend.setOpen(false);
        return;
    }
    backend.setOpen(true);
    ImeStatus status = backend.status();
    status.conversion = imeConversionFor(mode, status.conversion);
    backend.setStatus(status);
}

void SetIme(int mode)
{
    if (ImeBackend* backend = programBackend()) SetIme(mode, *backend);
}

void prepareIme()
{
    programBackend();
}

void setImeBackend(ImeBackend* backend)
{
    installedBackend = backend;
}

} // namespace drv
