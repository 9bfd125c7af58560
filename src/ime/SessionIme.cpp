#include "SessionIme.h"

#include "Fcitx5Backend.h"
#include "IbusBackend.h"

namespace drv {

SessionIme::SessionIme(ImeBackend& fcitx, ImeBackend& ibus, QObject* parent)
    : QObject(parent), fcitx_(fcitx), ibus_(ibus)
{
}

SessionIme* SessionIme::onSessionBus(QObject* parent)
{
    const QDBusConnection bus = Fcitx5Backend::sessionBusIfConfigured();
    auto* fcitx = new Fcitx5Backend(bus);
    auto* ibus = new IbusBackend(bus);
    auto* session = new SessionIme(*fcitx, *ibus, parent);
    fcitx->setParent(session);
    ibus->setParent(session);
    return session;
}

ImeBackend* SessionIme::current()
{
    if (fcitx_.hasContext()) return &fcitx_;
    if (ibus_.hasContext()) return &ibus_;
    return nullptr;
}

void SessionIme::setOpen(bool open)
{
    if (ImeBackend* b = current()) b->setOpen(open);
}

ImeStatus SessionIme::status()
{
    ImeBackend* b = current();
    return b ? b->status() : ImeStatus{};
}

void SessionIme::setStatus(const ImeStatus& status)
{
    if (ImeBackend* b = current()) b->setStatus(status);
}

} // namespace drv
